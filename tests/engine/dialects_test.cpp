// Sources written for many assemblers: names, definitions, restarts in any
// spelling, other assemblers' directives, "!=", the processor switch and, on
// request, relative jumps as absolute ones.
#include <gtest/gtest.h>

#include "engine/dialect.hpp"
#include "test_text.hpp"

namespace engine {
namespace {

using Case = testing::RuleCase;
void z80(std::span<const Case> cases) { testing::check_rules(translate_z80_to_8080, cases); }
void i8080(std::span<const Case> cases) { testing::check_rules(translate_8080_to_z80, cases); }

// Lines that come out the same in both directions ("§" stands for the marking).
void both(std::span<const Case> cases) {
  for (const auto& c : cases) {
    const auto expect = [&](std::u16string_view marking, Translation (*translate)(std::u16string_view, const Options&)) {
      const std::u16string out = testing::marked(c.out, marking);
      const Translation t = translate(testing::tabs(c.in), {});
      EXPECT_EQ(testing::show(t.text), testing::show(out)) << testing::show(testing::tabs(c.in));
      EXPECT_EQ(t.outcome.rule, c.rule) << testing::show(testing::tabs(c.in)) << ": " << describe(t.outcome);
    };
    expect(kZ80To8080Marking, translate_z80_to_8080);
    expect(k8080ToZ80Marking, translate_8080_to_z80);
  }
}

const Case kNamesAndDefinitions[] = {
    {u"_kstate⇥equ⇥$3a", u"_kstate⇥⇥equ⇥$3a", 0},
    {u".fill_video:", u".fill_video:", 0},
    {u"$MEMRY:⇥ds⇥2", u"$MEMRY:⇥⇥ds⇥2", 3},
    {u"?y:", u"?y:", 0},
    {u"@x:⇥db⇥1", u"@x:⇥⇥db⇥1", 1},
    {u"START::", u"START::", 0},
    {u"⇥VALDG⇥EQU⇥075EH", u"⇥VALDG⇥EQU⇥075EH", 0},     // indented definitions
    {u"  x = 5", u"  x = 5", 0},
    {u"⇥x=5", u"⇥x=5", 0},
    {u"⇥flag⇥DEFL⇥1", u"⇥flag⇥DEFL⇥1", 0},
    {u"⇥flag⇥set⇥1", u"⇥flag⇥set⇥1", 0},
    {u"⇥n := 3", u"⇥n := 3", 0},
    {u"⇥.loc:⇥x⇥equ⇥2", u"⇥.loc:⇥x⇥equ⇥2", 0},
    {u"⇥zork⇥eq⇥1", u"§⇥zork⇥eq⇥1", 0},                  // no defining word
};
TEST(Dialects, NamesAndDefinitions) {
  both(kNamesAndDefinitions);
  EXPECT_EQ(translate_z80_to_8080(u"\tVALDG\tEQU\t1").outcome.decision, Decision::directive);
}

// Z80 "set b,r" is the bit instruction, in 8080 notation "set" defines.
const Case kSetZ80[] = {
    {u"lbl⇥set⇥3,a", u"lbl⇥; cannot convert:⇥set⇥3,a", 0},
    {u"lbl⇥set⇥3", u"lbl⇥⇥set⇥3", 0},
    {u"⇥set 3,(hl)", u"; cannot convert:⇥set 3,(hl)", 80},
};
TEST(Dialects, SetIsTheBitInstructionInZ80) {
  z80(kSetZ80);
  EXPECT_EQ(convert_8080_to_z80(u"lbl\tset\t3,a"), u"lbl\t\tset\t3,a");
}

const Case kRestartsZ80[] = {
    {u"⇥rst⇥$20", u"⇥rst⇥4", 67},      {u"⇥rst⇥0x20", u"⇥rst⇥4", 67},
    {u"⇥rst⇥#20", u"⇥rst⇥4", 67},      {u"⇥RST⇥20H", u"⇥RST⇥4", 67},
    {u"⇥rst⇥0020h", u"⇥rst⇥4", 67},    {u"⇥rst⇥32", u"⇥rst⇥4", 67},
    {u"⇥rst⇥%00100000", u"⇥rst⇥4", 67}, {u"⇥rst⇥40o", u"⇥rst⇥4", 67},
    {u"⇥rst⇥40q", u"⇥rst⇥4", 67},      {u"⇥rst⇥&h20", u"⇥rst⇥4", 67},
    {u"⇥rst⇥0b00100000", u"⇥rst⇥4", 67}, {u"⇥rst⇥32d", u"⇥rst⇥4", 67},
    {u"⇥rst⇥CALC", u"⇥rst⇥CALC/8", 67},            // a name: by arithmetic
    {u"⇥rst⇥base+8", u"⇥rst⇥(base+8)/8", 67},
    {u"⇥rst⇥33", u"; cannot convert:⇥rst⇥33", 67},  // no restart address
    {u"⇥rst⇥38h+1", u"; cannot convert:⇥rst⇥38h+1", 67},
    {u"⇥rst", u"; cannot convert:⇥rst", 67},
};
TEST(Dialects, RestartsZ80) { z80(kRestartsZ80); }

const Case kRestarts8080[] = {
    {u"⇥RST 03", u"⇥RST 18h", 83},     {u"⇥rst⇥3h", u"⇥rst⇥18h", 83},
    {u"⇥rst⇥011b", u"⇥rst⇥18h", 83},   {u"⇥rst⇥0", u"⇥rst⇥0", 83},
    {u"⇥rst⇥VEC", u"⇥rst⇥(VEC)*8", 83},
    {u"⇥rst⇥1+VEC", u"⇥rst⇥(1+VEC)*8", 83},
    {u"⇥rst⇥8", u";Cannot convert:⇥rst⇥8", 0},
    {u"⇥rst⇥3+4", u";Cannot convert:⇥rst⇥3+4", 0},
};
TEST(Dialects, Restarts8080) { i8080(kRestarts8080); }

// Every word of the shared-directive rows, in both directions.
TEST(Dialects, SharedDirectivesPassThrough) {
  for (const char16_t* word :
       {u"org", u"end", u"equ", u"defl", u"if", u"ifdef", u"ifndef", u"ife", u"if1", u"if2", u"else", u"elseif",
        u"endif", u"cond", u"endc", u"macro", u"endm", u"rept", u"irp", u"irpc", u"exitm", u"local", u"public",
        u"extrn", u"extern", u"ext", u"global", u"entry", u"name", u"cseg", u"dseg", u"aseg", u"common", u"phase",
        u"dephase", u"title", u"subttl", u"page", u"eject", u"list", u"nolist", u"include", u"maclib"}) {
    const std::u16string line = u"\t" + std::u16string(word) + u"\tx";
    EXPECT_EQ(translate_z80_to_8080(line).outcome.rule, 84) << testing::show(line);
    EXPECT_EQ(translate_8080_to_z80(line).outcome.rule, 80) << testing::show(line);
    EXPECT_EQ(convert_z80_to_8080(line), line);
  }
  EXPECT_EQ(translate_8080_to_z80(u"\tset\tx").outcome.rule, 80);
  EXPECT_EQ(translate_z80_to_8080(u"\tset\tx").outcome.decision, Decision::no_rule);
}

const Case kOtherDirectives[] = {
    {u"⇥.word⇥1, 2", u"⇥.word⇥1, 2", 0},                // dot directives, as typed
    {u"⇥.text⇥\" add b\"", u"⇥.text⇥\" add b\"", 0},   // no rule looks into them
    {u".org⇥100h", u".org⇥100h", 0},                    // also in column 1
    {u".loop⇥zork", u".loop⇥§⇥zork", 0},               // a dot word that is no directive is a label
    {u"#include \"x.inc\"", u"#include \"x.inc\"", 0},
    {u"⇥#define X 1", u"⇥#define X 1", 0},
    {u"MACRO fwait", u"MACRO fwait", 84},                // a directive in column 1
    {u"IF DEBUG", u"IF DEBUG", 84},
    {u"list⇥equ⇥1", u"list⇥⇥equ⇥1", 0},                 // a name the user defined
    {u"⇥IF VDP != TMS99X8", u"⇥IF VDP != TMS99X8", 84}, // "!=" is an operator
    {u"⇥if a!=b! endif", u"⇥if a!=b! endif", 0},
};
TEST(Dialects, OtherAssemblersDirectives) {
  for (const Case& c : kOtherDirectives) {
    const std::u16string in = testing::tabs(c.in);
    const std::u16string z_out = testing::marked(c.out, kZ80To8080Marking);
    const std::u16string i_out = testing::marked(c.out, k8080ToZ80Marking);
    EXPECT_EQ(testing::show(convert_z80_to_8080(in)), testing::show(z_out));
    EXPECT_EQ(testing::show(convert_8080_to_z80(in)), testing::show(i_out));
    // The two chains number their shared-directive row 84 and 80.
    EXPECT_EQ(translate_z80_to_8080(in).outcome.rule, c.rule) << testing::show(in);
    EXPECT_EQ(translate_8080_to_z80(in).outcome.rule, c.rule == 84 ? 80 : c.rule) << testing::show(in);
  }
}

const Case kNamesUsed[] = {
    {u"⇥call⇥list", u"⇥call⇥list", 62},  // directive words are directives only as the mnemonic
    {u"⇥jp⇥page", u"⇥jmp⇥page", 28},
    {u"⇥ld⇥hl,name", u"⇥lxi⇥h,name", 13},
};
TEST(Dialects, NamesThatAreDirectiveWords) { z80(kNamesUsed); }

TEST(Dialects, ProcessorSwitchFollowsTheTranslation) {
  EXPECT_EQ(convert_z80_to_8080(u"\t.Z80"), u"\t.8080");
  EXPECT_EQ(convert_8080_to_z80(u"\t.8080"), u"\t.z80");
  EXPECT_EQ(convert_z80_to_8080(u".z80"), u".8080");  // in column 1 too
  EXPECT_EQ(convert_8080_to_z80(u"\t.z80"), u"\t.z80");
}

TEST(Dialects, RelativeJumpsOnRequest) {
  const struct {
    std::u16string_view in, off, on;
  } kJumps[] = {
      {u"\tjr\tloop", u"; cannot convert:\tjr\tloop", u"\tjmp\tloop"},
      {u"\tJR\tNZ,loop", u"; cannot convert:\tJR\tNZ,loop", u"\t\tjnz loop"},
      {u"\tjr\tc , x", u"; cannot convert:\tjr\tc , x", u"\t\tjc x"},
      {u"\tjr\t$+5", u"; cannot convert:\tjr\t$+5", u"; cannot convert:\tjr\t$+5"},  // the distance would change
      {u"\tjr\tpo,x", u"; cannot convert:\tjr\tpo,x", u"; cannot convert:\tjr\tpo,x"},
      {u"\tdjnz\tloop", u"; cannot convert:\tdjnz\tloop", u"; cannot convert:\tdjnz\tloop"},
  };
  for (const auto& j : kJumps) {
    EXPECT_EQ(translate_z80_to_8080(j.in).text, j.off) << testing::show(j.in);
    EXPECT_EQ(translate_z80_to_8080(j.in, {.jr_as_jump = true}).text, j.on) << testing::show(j.in);
  }
}

// The register letters and the assignment operators, as both chains and the
// line reader look them up.
TEST(Dialects, RegisterLettersAndAssignments) {
  const struct {
    std::u16string_view word;
    bool z80, i8080;
  } kLetters[] = {{u"a", true, true}, {u"L", true, true}, {u"m", false, true}, {u"M", false, true},
                  {u"", false, false}, {u"hl", false, false}, {u"i", false, false}, {u"x", false, false}};
  for (const auto& l : kLetters) {
    EXPECT_EQ(is_byte_register(Notation::z80, l.word), l.z80) << testing::show(l.word);
    EXPECT_EQ(is_byte_register(Notation::i8080, l.word), l.i8080) << testing::show(l.word);
  }
  const struct {
    std::u16string_view text;
    bool assignment;
  } kAssignments[] = {{u"=5", true}, {u":= 3", true}, {u"== 1", true}, {u"equ 1", false},
                      {u".equ 1", false}, {u": x", false}, {u"", false}};
  for (const auto& a : kAssignments) EXPECT_EQ(starts_with_assignment(a.text), a.assignment) << testing::show(a.text);
}

}  // namespace
}  // namespace engine
