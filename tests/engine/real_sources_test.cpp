// What real source files need beyond one instruction per line: indented labels,
// DRI "!" statements, quote-aware comments, shared directives, and the rows after
// the end of each chain.
#include <gtest/gtest.h>

#include "test_text.hpp"

namespace engine {
namespace {

using Case = testing::RuleCase;
void z80(std::span<const Case> cases) { testing::check_rules(translate_z80_to_8080, cases); }
void i8080(std::span<const Case> cases) { testing::check_rules(translate_8080_to_z80, cases); }

const Case kIndentedLabelsBoth[] = {
    {u"⇥conb0:", u"⇥conb0:", 0},
    {u"  conb0::  ⇥; c", u"  conb0::  ⇥; c", 0},
    {u"⇥x⇥equ⇥5", u"⇥x⇥equ⇥5", 0},               // no colon: an indented definition
    {u"⇥1x:⇥nop", u"§⇥1x:⇥nop", 0},              // a name does not start with a digit
};
TEST(IndentedLabels, BothDirections) {
  for (const auto& c : kIndentedLabelsBoth) {
    auto expect = [&](std::u16string_view marking, Translation (*translate)(std::u16string_view, const Options&)) {
      const std::u16string out = testing::marked(c.out, marking);
      EXPECT_EQ(testing::show(translate(testing::tabs(c.in), {}).text), testing::show(out));
    };
    expect(kZ80To8080Marking, translate_z80_to_8080);
    expect(k8080ToZ80Marking, translate_8080_to_z80);
  }
}

const Case kIndentedLabelsZ80[] = {
    {u"⇥div:⇥jp⇥loop", u"⇥div:⇥jmp⇥loop", 28},
    {u"  loop2::  ld a,b", u"  loop2::  mov a,b", 21},
    {u"⇥x:ld⇥a,b", u"⇥x: mov⇥a,b", 21},             // glued: one space in front of the rest
    {u"⇥.loc?$@1:⇥ret⇥; back", u"⇥.loc?$@1:⇥ret⇥; back", 66},
    {u"⇥next:⇥ld⇥a,(ix+1)", u"⇥next:; cannot convert:⇥ld⇥a,(ix+1)", 0},
};
TEST(IndentedLabels, Z80To8080) { z80(kIndentedLabelsZ80); }

const Case kIndentedLabels8080[] = {
    {u"⇥dir2:⇥jz endir", u"⇥dir2:⇥jp z, endir", 49},
    {u"⇥retry:⇥JP⇥X", u"⇥retry:⇥jp p,⇥X", 55},
    {u"loop:⇥inner:⇥mov a,m", u"loop:⇥⇥inner:⇥ld a,(hl)", 6},
};
TEST(IndentedLabels, I8080ToZ80) { i8080(kIndentedLabels8080); }

// Several statements report rule 0 (their outcomes are listed one by one).
const Case kStatements8080[] = {
    {u"⇥xchg! shld info! xchg", u"⇥ex de,hl! ld (info),hl! ex de,hl", 0},
    {u"⇥lda submit! ora a! jz nosub", u"⇥ld a,(submit)! or a! jp z, nosub", 0},
    {u"⇥lxi b,ermsg! call print!", u"⇥ld bc,ermsg! call print!", 0},
    {u"⇥xchg!!xchg", u"⇥ex de,hl!! ex de,hl", 0},    // "!!" is an empty statement
    {u"loop:⇥xchg! xchg", u"loop:⇥⇥ex de,hl! ex de,hl", 0},
    {u"⇥cpi⇥';'! rz", u"⇥cp⇥';'! ret z", 0},          // ";" and "!" in quotes are text
    {u"⇥mvi⇥a,'!'", u"⇥ld⇥a,'!'", 10},
    {u"⇥xchg! zork! xchg", u";Cannot convert:⇥xchg! zork! xchg", 0},  // marked as typed
    // A "!" in a comment starts a statement when a rule takes what follows it.
    {u"⇥dcr b ;count down length! jnz setnam0", u"⇥dec b ;count down length! jp nz, setnam0", 0},
    {u"⇥ret ; done! next we go", u"⇥ret ; done! next we go", 65},
    {u"⇥ret ; done!", u"⇥ret ; done!", 65},
    {u"⇥mov a,b ; x! mov b,c ; y! xra a", u"⇥ld a,b ; x! ld b,c ; y! xor a", 0},
    {u"⇥zork ; x! xchg", u";Cannot convert:⇥zork ; x! xchg", 0},
    {u"⇥db 'a;b'! nop ; c", u"⇥db 'a;b'! nop ; c", 0},
    {u"⇥mvi a,'x ; unclosed! xchg", u"⇥ld a,'x ; unclosed! ex de,hl", 0},
};
TEST(Statements, I8080ToZ80) { i8080(kStatements8080); }

const Case kStatementsZ80[] = {
    {u"⇥ex⇥de,hl! ld⇥(info),hl", u"⇥xchg! shld info", 0},
    {u"⇥ld a, b! ld c, d", u"⇥mov a,b! mov c,d", 0},
    {u"⇥ret⇥; 0 !or >0?", u"⇥ret⇥; 0 !or >0?", 66},  // Z80 comments are left alone
    {u"⇥ex⇥af,af'! exx", u"; cannot convert:⇥ex⇥af,af'! exx", 0},
    {u"⇥ld⇥a,(ix+1)! nop", u"; cannot convert:⇥ld⇥a,(ix+1)! nop", 0},
    {u"⇥cp⇥';'⇥; semicolon", u"⇥cpi⇥';'⇥; semicolon", 58},
    {u"⇥cp⇥\"!\"", u"⇥cpi⇥\"!\"", 58},
    {u"⇥cp⇥'x ; unclosed", u"⇥cpi⇥'x ; unclosed", 58},
    {u"⇥ex⇥af,af' ; it's", u"; cannot convert:⇥ex⇥af,af' ; it's", 24},
};
TEST(Statements, Z80To8080) { z80(kStatementsZ80); }

TEST(Statements, ExplainNamesEachOne) {
  const Translation t = translate_8080_to_z80(testing::tabs(u"⇥xchg!! zork ; x! shld y"));
  EXPECT_EQ(describe(t.outcome), "statements: rule 17 rewrite ! blank ! no rule ! rule 15 rewrite");
  EXPECT_TRUE(is_not_convertible(t.outcome));
  EXPECT_FALSE(is_not_convertible(translate_8080_to_z80(u"\txchg! xchg").outcome));
}

const Case kRowsZ80[] = {
    {u"⇥org⇥100h", u"⇥org⇥100h", 84},
    {u"⇥END⇥start", u"⇥END⇥start", 84},
    {u"x⇥defl⇥5", u"x⇥⇥defl⇥5", 0},              // a labelled definition
    {u"⇥equ⇥5", u"⇥equ⇥5", 84},
    {u"⇥ifdef⇥cpm", u"⇥ifdef⇥cpm", 84},
    {u"⇥if⇥x", u"⇥if⇥x", 84},
    {u"⇥else", u"⇥else", 84},
    {u"⇥endif", u"⇥endif", 84},
    {u"name⇥macro⇥a,b", u"name⇥⇥macro⇥a,b", 84},
    {u"⇥.z80", u"⇥.8080", 90},                    // the processor switch follows the translation
    {u"⇥.phase⇥0c000h", u"⇥.phase⇥0c000h", 0},   // a dot directive: as typed
    {u"⇥maclib⇥z80", u"⇥maclib⇥z80", 84},
    {u"⇥set⇥x", u"; cannot convert:⇥set⇥x", 0},   // in Z80 notation "set" is a bit instruction
    {u"⇥orgx", u"; cannot convert:⇥orgx", 0},
    {u"⇥DEFB⇥1, 2", u"⇥db⇥1, 2", 85},              // data keeps its blanks
    {u"⇥defm⇥'ok'", u"⇥db⇥'ok'", 85},
    {u"⇥defw⇥x", u"⇥dw⇥x", 86},
    {u"⇥defs⇥10", u"⇥ds⇥10", 87},
    {u"⇥defs⇥10, 0", u"⇥ds⇥10, 0", 87},           // a fill byte: kept as typed
    {u"⇥ds⇥ix", u"⇥ds⇥ix", 3},                    // a data line, even naming ix: never marked
    {u"⇥halt", u"⇥hlt", 88},
    {u"⇥rst⇥38h", u"⇥rst⇥7", 67},
    {u"⇥rst 0", u"⇥rst 0", 67},
    {u"⇥RST 08H", u"⇥RST 1", 67},
    {u"⇥rst 16", u"⇥rst 2", 67},
    {u"⇥rst 0056 ", u"⇥rst 7 ", 67},
    {u"⇥rst 8", u"⇥rst 1", 67},
    {u"⇥rst  30H", u"⇥rst  6", 67},               // any number of blanks
    {u"⇥rst 7", u"; cannot convert:⇥rst 7", 67},  // not a restart address
    {u"⇥rst 9h", u"; cannot convert:⇥rst 9h", 67},
    {u"⇥rst 38h+1", u"; cannot convert:⇥rst 38h+1", 67},
    {u"⇥rst  x", u"⇥rst  x/8", 67},               // a name: by arithmetic
    {u"⇥rst  64", u"; cannot convert:⇥rst  64", 67},
    {u"⇥rstc 1", u"; cannot convert:⇥rstc 1", 0},  // only the word "rst" is the restart
};
TEST(RowsAfterTheChain, Z80To8080) { z80(kRowsZ80); }

const Case kRows8080[] = {
    {u"⇥ORG⇥100H", u"⇥ORG⇥100H", 80},
    {u"⇥end", u"⇥end", 80},
    {u"⇥set⇥x", u"⇥set⇥x", 80},
    {u"⇥cseg", u"⇥cseg", 80},
    {u"⇥if⇥cpm3", u"⇥if⇥cpm3", 80},
    {u"⇥endif", u"⇥endif", 80},
    {u"⇥nop", u"⇥nop", 81},
    {u"⇥hlt", u"⇥halt", 82},
    {u"⇥HLT ", u"⇥halt ", 82},
    {u"⇥rst⇥7", u"⇥rst⇥38h", 83},
    {u"⇥rst 1", u"⇥rst 08h", 83},
    {u"⇥rst 0", u"⇥rst 0", 83},
    {u"⇥rst 8", u";Cannot convert:⇥rst 8", 0},
    {u"⇥rst 38h", u";Cannot convert:⇥rst 38h", 0},
    {u"⇥nopx", u";Cannot convert:⇥nopx", 0},
};
TEST(RowsAfterTheChain, I8080ToZ80) { i8080(kRows8080); }

// Behaviour that rests on the order of the rules or on how a line is read.
const Case kEdgesZ80[] = {
    {u"⇥ds⇥maxi, 0", u"⇥ds⇥maxi, 0", 3},             // a data line is never squeezed
    {u"⇥db⇥hi, lo", u"⇥db⇥hi, lo", 1},
    {u"⇥defw⇥a , b", u"⇥dw⇥a , b", 86},
    {u"⇥,rla", u"⇥,ral", 47},                       // the mnemonic after commas as after blanks
    {u"⇥,defb⇥1 , 2", u"⇥,db⇥1 , 2", 85},
    {u"⇥cp⇥' ; compare with ix", u"⇥cpi⇥' ; compare with ix", 58},  // a comment after an unclosed quote
    {u"⇥defm⇥'rst 1, set 1,a'", u"⇥db⇥'rst 1, set 1,a'", 85},      // no rule looks into a string
};
TEST(Edges, Z80To8080) { z80(kEdgesZ80); }

const Case kEdges8080[] = {
    {u"⇥db⇥'use xra a'", u"⇥db⇥'use xra a'", 1},    // data strings are data
    {u"⇥db⇥x, xra a", u"⇥db⇥x, xra a", 1},          // row 1 comes before the unanchored row 21
    {u"⇥ori⇥' xra b'", u"⇥or⇥' xra b'", 22},        // row 21 looks at no mnemonic in quotes
    {u"⇥dw⇥a , b", u"⇥dw⇥a , b", 2},
    {u"⇥,xra b", u"⇥,xor b", 21},
    {u"⇥,db 1", u"⇥,db 1", 1},
    {u"Ü€:⇥xra⇥m ; Äöüß", u";Cannot convert:Ü€:⇥xra⇥m ; Äöüß", 0},  // "Ü€:" is no label: xra is not the first word
    {u"⇥push⇥h ; Äöü! pop b", u"⇥push⇥hl ; Äöü! pop bc", 0},
};
TEST(Edges, I8080ToZ80) { i8080(kEdges8080); }

}  // namespace
}  // namespace engine
