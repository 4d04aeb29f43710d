// Listings as people have them: statements in column 1, words that only hold
// a mnemonic, several statements on a line, blanks inside parentheses.
#include <gtest/gtest.h>

#include <set>

#include "engine/dialect.hpp"
#include "engine/macro_names.hpp"
#include "engine/reserved_names.hpp"
#include "engine/rules.hpp"
#include "test_text.hpp"

namespace engine {
namespace {

using Case = testing::RuleCase;
void z80(std::span<const Case> cases) { testing::check_rules(translate_z80_to_8080, cases); }
void i8080(std::span<const Case> cases) { testing::check_rules(translate_8080_to_z80, cases); }

// A mnemonic in column 1 followed by what fits it is a statement; the marking
// goes in front of the whole line, never between mnemonic and operands.
const Case kColumn1From8080[] = {
    {u"MOV  A,E", u"ld  A,E", 6},
    {u"DB 0AH,0DH", u"DB 0AH,0DH", 1},
    {u"CPI 'M'", u"cp 'M'", 5},
    {u"RST 7", u"RST 38h", 83},
    {u"XCHG", u"ex de,hl", 17},
    {u"RRC", u"rrca", 43},
    {u"RZ ; back", u"ret z ; back", 67},
    {u"PCHL", u"jp (hl)", 46},
    {u"ST1:LXI SP,TVBT", u"ST1: ld SP,TVBT", 13},  // a label glued to the mnemonic
    {u"LOOP DCR B", u"LOOP  dec B", 35},           // a label that is no mnemonic
    {u"RET Z", u";Cannot convert:RET Z", 0},       // RET takes nothing here: label RET, marked whole
    {u"OUT", u"OUT", 0},                           // OUT needs an operand: a label
    {u"DAD⇥DB 5", u"DAD⇥⇥DB 5", 1},                // another statement word follows: a label
    {u"CALL EQU 5", u"CALL  EQU 5", 0},
};
TEST(Column1, From8080) { i8080(kColumn1From8080); }

const Case kColumn1FromZ80[] = {
    {u"RET Z", u"rz", 63},
    {u"RET NZ ; x", u"rnz ; x", 63},
    {u"JP NZ,X", u"jnz X", 27},
    {u"RST 38H", u"RST 7", 67},
    {u"HALT", u"hlt", 88},
    {u"LD A,B", u"mov A,B", 21},
    {u"LDIR", u"; cannot convert:LDIR", 79},
    {u"CPI", u"; cannot convert:CPI", 54},
    {u"DJNZ LOOP", u"; cannot convert:DJNZ LOOP", 60},
    {u"EX AF,AF'", u"; cannot convert:EX AF,AF'", 24},
};
TEST(Column1, FromZ80) { z80(kColumn1FromZ80); }

// Statements separated by ":" (and "\\" on request) are translated one by
// one, each separator kept with its blanks; one without equivalent marks the
// whole line as typed.
const Case kSeparatorsZ80[] = {
    {u"⇥ld a,b:inc hl", u"⇥mov a,b:inx h", 0},
    {u"⇥ld hl,N:ld a,b", u"⇥lxi h,N:mov a,b", 0},
    {u"⇥ret z:ret", u"⇥ rz:ret", 0},
    {u"⇥ld a,b : inc hl ; c", u"⇥mov a,b : inx h ; c", 0},
    {u"⇥djnz x:inc a", u"; cannot convert:⇥djnz x:inc a", 0},
    {u"⇥ld a,':'", u"⇥mvi a,':'", 21},            // quoted: no separator
    {u"⇥x := 5", u"⇥x := 5", 0},                  // ":=" defines
    {u"⇥ld a,b \\ inc hl", u"; cannot convert:⇥ld a,b \\ inc hl", 21},  // "\\" only on request
};
TEST(Separators, Z80To8080) { z80(kSeparatorsZ80); }

TEST(Separators, BackslashOnRequest) {
  const Options backslash{.backslash_separates = true};
  EXPECT_EQ(translate_z80_to_8080(u"\tld a,b \\ inc hl", backslash).text, u"\tmov a,b \\ inx h");
  EXPECT_EQ(translate_8080_to_z80(u"\tmov a,b\\inx h", backslash).text, u"\tld a,b\\inc hl");
}

const Case kSeparators8080[] = {
    {u"⇥mov a,b : inx h", u"⇥ld a,b : inc hl", 0},
    {u"⇥xchg!shld info", u"⇥ex de,hl! ld (info),hl", 0},  // DRI's "!" is followed by a blank
    {u"⇥xchg:shld x:xchg", u"⇥ex de,hl:ld (x),hl:ex de,hl", 0},  // a mnemonic is no indented label
    {u"⇥loop:⇥jz done", u"⇥loop:⇥jp z, done", 49},
};
TEST(Separators, I8080ToZ80) { i8080(kSeparators8080); }

// Blanks inside a register's parentheses are the register form; a jump target
// wholly in parentheses loses them; ^Z padding passes.
const Case kParenthesesZ80[] = {
    {u"⇥ld a, ( hl )", u"⇥mov a,m", 21},     {u"⇥ld (hl ),5", u"⇥mvi m,5", 21},
    {u"⇥ld a,( de )", u"⇥ldax d", 17},       {u"⇥ex ( sp ),hl", u"⇥xthl", 23},
    {u"⇥add a,( hl )", u"⇥add m", 32},       {u"⇥cp ( hl )", u"⇥cmp m", 58},
    {u"⇥ld a,( buf )", u"⇥lda buf", 19},     {u"⇥cp '( x )'", u"⇥cpi '( x )'", 58},
    {u"⇥ld a,(ix + 2)", u"; cannot convert:⇥ld a,(ix + 2)", 0},
};
TEST(Parentheses, Z80To8080) { z80(kParenthesesZ80); }

const Case kTargets8080[] = {
    {u"⇥jmp (next)", u"⇥jp next", 47},
    {u"⇥jnz ( next )", u"⇥jp nz, next", 48},
    {u"⇥jz (a)+(b)", u"⇥jp z, (a)+(b)", 49},    // an expression keeps its parentheses
    {u"\x1a\x1a\x1a", u"\x1a\x1a\x1a", 0},
};
TEST(Parentheses, I8080ToZ80) { i8080(kTargets8080); }

// Calls of the source's own macros go through as typed; a "#define" whose
// body is a statement has its body translated.
TEST(Macros, DefinedInTheSource) {
  MacroNames names;
  for (const std::string_view line : {"xpush macro r", "MYPOP: MACRO", "\tmacro Twice a,b", ".macro dot",
                                      "#define GETCHR rst 10h", "#DEFINE PUT(c) ld a,c", "\tld a,b ; macro x"}) {
    names.learn_line(line);
  }
  EXPECT_EQ(names.size(), 6u);
  const Options with{.macros = &names};
  const Case kRows[] = {
      {u"⇥xpush b", u"⇥xpush b", 0},
      {u"⇥mypop h ; back", u"⇥mypop h ; back", 0},
      {u"⇥twice 1,2!xchg", u"⇥twice 1,2! ex de,hl", 0},
      {u"loop:⇥DOT", u"loop:⇥⇥DOT", 0},
      {u"⇥x⇥b", u";Cannot convert:⇥x⇥b", 0},
  };
  for (const Case& c : kRows) {
    EXPECT_EQ(translate_8080_to_z80(testing::tabs(c.in), with).text, testing::tabs(c.out)) << testing::show(c.in);
  }
  EXPECT_EQ(describe(translate_8080_to_z80(u"\txpush b", with).outcome), "macro call");
  const Case kDefines[] = {
      {u"#DEFINE GETCHR rst 10h", u"#DEFINE GETCHR rst 2", 67},
      {u"⇥#define PUT(c) ld a,c ; put", u"⇥#define PUT(c) mov a,c ; put", 21},
      {u"#define X 5", u"#define X 5", 0},
      {u"#define J djnz x", u"; cannot convert:#define J djnz x", 60},
  };
  z80(kDefines);
}

// Names the other notation reserves: labels and operand names, not the
// mnemonic, quotes, comments or the source's own registers and conditions.
TEST(ReservedNames, OfEachLine) {
  const struct {
    Notation source;
    std::u16string_view line, names;
  } kRows[] = {
      {Notation::z80, u"DAD equ 5", u"DAD"},
      {Notation::z80, u"⇥defb -DFIX+DAD,'CMA' ; STC", u"DAD"},
      {Notation::z80, u"⇥jp m,x", u""},
      {Notation::z80, u"RAL:⇥ld hl,lxi+1!call mov", u"RAL lxi mov"},
      {Notation::z80, u"⇥ld a,m", u""},
      {Notation::i8080, u"EX:⇥lxi h,JR", u"EX JR"},
      {Notation::i8080, u"⇥mvi a,HL+ix", u"HL ix"},
      {Notation::i8080, u"⇥mov a,m", u""},
  };
  for (const auto& r : kRows) {
    const std::u16string line = testing::tabs(r.line);
    std::u16string names;
    for (const auto n : reserved_names(line, r.source)) names += (names.empty() ? u"" : u" ") + std::u16string(n);
    EXPECT_EQ(testing::show(names), testing::show(r.names)) << testing::show(r.line);
  }
  EXPECT_EQ(reserved_name_warning(u"HL", Notation::i8080), "HL is a register in Z80 notation; rename it");
}

// One statement each rule rewrites. With a letter, a digit or "_" before or
// after its mnemonic, the word is another word (a macro call such as "xpush
// b"): no rule may rewrite it.
const std::u16string_view kRewrittenZ80[] = {
    u"ld sp,hl", u"ld (x),hl", u"ld hl,(x)", u"ld sp,1", u"ld bc,1", u"ld de,1", u"ld hl,1", u"ld (bc),a",
    u"ld (de),a", u"ld a,(bc)", u"ld a,(de)", u"ld (hl),b", u"ld a,(x)", u"ld (x),a", u"ld a,b", u"ex de,hl",
    u"ex (sp),hl", u"jp (hl)", u"jp z,x", u"jp x", u"add hl,bc", u"adc a,1", u"add a,b", u"sub 1", u"sbc a,b",
    u"inc bc", u"dec de", u"inc a", u"dec (hl)", u"cpl", u"scf", u"ccf", u"rlca", u"and b", u"xor 1", u"or c",
    u"cp 1", u"call z,x", u"ret z", u"rst 38h", u"push bc", u"pop af", u"in a,(1)", u"out (1),a", u"defb 1",
    u"defw 1", u"defs 1", u"halt",
};
const std::u16string_view kRewritten8080[] = {
    u"cmp b", u"cpi 1", u"mov a,b", u"ldax b", u"ldax d", u"lda x", u"mvi a,1", u"stax b", u"sta x", u"lxi h,1",
    u"lhld x", u"shld x", u"sphl", u"xchg", u"xthl", u"dad b", u"xri 1", u"xra b", u"ori 1", u"ora b", u"ani 1",
    u"ana b", u"adi 1", u"add b", u"aci 1", u"adc b", u"sui 1", u"sub b", u"sbi 1", u"sbb b", u"inr a", u"dcr a",
    u"inx h", u"dcx h", u"cma", u"stc", u"cmc", u"rlc", u"rrc", u"ral", u"rar", u"pchl", u"jmp x", u"jnz x",
    u"jz x", u"jnc x", u"jc x", u"jpo x", u"jpe x", u"jm x", u"jp x", u"cnz x", u"cz x", u"cnc x", u"cc x",
    u"cpo x", u"cpe x", u"cp x", u"cm x", u"rnz", u"rz", u"rnc", u"rc", u"rpo", u"rpe", u"rp", u"rm", u"push b",
    u"pop psw", u"in 1", u"out 1", u"hlt", u"rst 7",
};

void check_whole_words(Notation notation, std::span<const std::u16string_view> statements,
                       Translation (*translate)(std::u16string_view, const Options&)) {
  for (const std::u16string_view s : statements) {
    const std::u16string line = u"\t" + std::u16string(s);
    ASSERT_EQ(translate(line, {}).outcome.decision, Decision::rewrite) << testing::show(line);
    const std::size_t end = s.find(u' ') == std::u16string_view::npos ? s.size() : s.find(u' ');
    const std::u16string word(s.substr(0, end)), rest(s.substr(end));
    for (const std::u16string& other : {u"q" + word, u"1" + word, u"_" + word, word + u"q", word + u"1", word + u"_"}) {
      if (is_mnemonic(notation, other)) continue;
      const Translation t = translate(u"\t" + other + rest, {});
      EXPECT_NE(t.outcome.decision, Decision::rewrite) << testing::show(other + rest) << " -> " << testing::show(t.text);
    }
  }
}
TEST(WholeWords, Z80To8080) { check_whole_words(Notation::z80, kRewrittenZ80, translate_z80_to_8080); }
TEST(WholeWords, I8080ToZ80) { check_whole_words(Notation::i8080, kRewritten8080, translate_8080_to_z80); }

// Every rule of both chains that can rewrite has a row above.
TEST(WholeWords, EveryRewritingRuleHasARow) {
  const auto rules_of = [](std::span<const std::u16string_view> rows, Translation (*translate)(std::u16string_view, const Options&)) {
    std::set<int> seen;
    for (const std::u16string_view s : rows) seen.insert(translate(u"\t" + std::u16string(s), {}).outcome.rule);
    return seen;
  };
  const std::set<int> z80 = rules_of(kRewrittenZ80, translate_z80_to_8080);
  const std::set<int> i8080 = rules_of(kRewritten8080, translate_8080_to_z80);
  for (int r : {4, 5, 6, 8, 10, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 26, 27, 28, 29, 31, 32, 33, 34, 38, 39,
                40, 41, 43, 44, 45, 47, 51, 52, 53, 58, 61, 63, 67, 68, 69, 72, 78, 85, 86, 87, 88}) {
    EXPECT_TRUE(z80.count(r)) << "Z80 rule " << r;
  }
  for (int r = 4; r <= 84; ++r) {
    const bool lets_through = r == 38 || r == 56 || r == 65 || r == 78 || r == 79 || r == 80 || r == 81;
    if (!lets_through && r != 84) {
      EXPECT_TRUE(i8080.count(r)) << "8080 rule " << r;
    }
  }
}

}  // namespace
}  // namespace engine
