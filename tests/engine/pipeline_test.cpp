// The line pipeline around the chains. "zork" is an instruction no rule of
// either chain knows, so these cases hold whatever the chains contain.
#include "engine/pipeline.hpp"

#include <gtest/gtest.h>

#include "test_text.hpp"

namespace engine {
namespace {

struct Case {
  std::u16string_view in, out;
  Decision decision;
};

std::string show(std::u16string_view s) {
  std::string out;
  for (char16_t c : s) out += c == u'\t' ? std::string("⇥") : std::string(1, static_cast<char>(c));
  return out;
}

// Lines that never reach a chain, or reach it the same way in both directions.
const Case kBothDirections[] = {
    {u"", u"", Decision::blank},
    {u"\t  \t", u"\t  \t", Decision::blank},
    {u"; text", u"; text", Decision::blank},
    {u"\t\t; text", u"\t\t; text", Decision::blank},
    {u"start", u"start", Decision::label_only},
    {u"start:", u"start:", Decision::label_only},
    {u"a", u"a", Decision::label_only},
    {u"nop", u"nop", Decision::pass_through},                // an instruction in column 1 is a statement
    {u"nop x", u"§nop x", Decision::no_rule},                // unless what follows does not fit it: marked whole
    {u"start:\t; entry", u"start:\t; entry", Decision::label_only},  // the scan stops before the last character
    {u"start:\t\t; entry", u"start:\t\t\t; entry", Decision::label_only},  // blanks after the label
    {u"start:  \t", u"start:   \t", Decision::label_only},
    {u"x\tequ\t5", u"x\t\tequ\t5", Decision::directive},
    {u"x\tEQU\t5", u"x\t\tEQU\t5", Decision::directive},
    {u"x = 5", u"x  = 5", Decision::directive},
    {u"x\t=\t5", u"x\t\t=\t5", Decision::directive},
    {u"x .equ 5", u"x  .equ 5", Decision::directive},
    {u"x\tequ", u"x\t\tequ", Decision::directive},
    {u"x equ_5 ; y", u"x § equ_5 ; y", Decision::no_rule},    // "equ" only as a word
    {u"loop\tzork\t(sequence)", u"loop\t§\tzork\t(sequence)", Decision::no_rule},
    {u"L:\tzork\t'='", u"L:\t§\tzork\t'='", Decision::no_rule},     // "=" only as the first character
    {u"x zork a=b", u"x § zork a=b", Decision::no_rule},
    {u"\tx\tequ\t5", u"\tx\tequ\t5", Decision::directive},     // an indented definition
    {u"lq a,b", u"lq § a,b", Decision::no_rule},              // label "lq ", code field " a,b"
    {u"_x zork", u"_x § zork", Decision::no_rule},            // names start with a letter or one of _.$@?
    {u".x zork", u".x § zork", Decision::no_rule},
    {u"$x zork", u"$x § zork", Decision::no_rule},
    {u"@x:\tzork", u"@x:\t§\tzork", Decision::no_rule},
    {u"?y: zork", u"?y: § zork", Decision::no_rule},
    {u"1x zork", u"§1x zork", Decision::no_rule},
    {u"\u00C4x zork", u"§\u00C4x zork", Decision::no_rule},
    {u"loop:\tzork", u"loop:\t§\tzork", Decision::no_rule},   // an ordinary label keeps its doubled tab
    {u"OPENFCB:ZORK\tA", u"OPENFCB:§ZORK\tA", Decision::no_rule},  // a glued label ends at its colon
    {u"a::b", u"a::§b", Decision::no_rule},                  // a marked statement is shown as typed
    {u"a:b", u"a:§b", Decision::no_rule},
    {u"start::", u"start::", Decision::label_only},
    {u"L1: zork ; c", u"L1: § zork ; c", Decision::no_rule},
};

// "§" in an expected line stands for the direction's marking.
using testing::marked;

TEST(Pipeline, LinesAroundTheChain) {
  for (const auto& c : kBothDirections) {
    const Translation z = translate_z80_to_8080(c.in);
    const Translation i = translate_8080_to_z80(c.in);
    EXPECT_EQ(z.text, marked(c.out, kZ80To8080Marking)) << show(c.in);
    EXPECT_EQ(i.text, marked(c.out, k8080ToZ80Marking)) << show(c.in);
    EXPECT_EQ(z.outcome.decision, c.decision) << show(c.in);
    EXPECT_EQ(i.outcome.decision, c.decision) << show(c.in);
  }
}

TEST(Pipeline, IndexRegistersAreRefusedOnlyFromZ80) {
  const Case kZ80[] = {
      {u"loop:\tld\ta,(ix+2)\t; fetch", u"loop:\t; cannot convert:\tld\ta,(ix+2)\t; fetch",
       Decision::index_register},
      {u"\tld\t(IY-3),a", u"; cannot convert:\tld\t(IY-3),a", Decision::index_register},
      {u"\tdb\thi,lo", u"\tdb\thi,lo", Decision::pass_through},
      {u"\tld\ti,a", u"; cannot convert:\tld\ti,a", Decision::index_register},
      // ix and iy as words of their own
      {u"\tld\ta,(iy)", u"; cannot convert:\tld\ta,(iy)", Decision::index_register},
      {u"\tjp\t(IX)", u"; cannot convert:\tjp\t(IX)", Decision::index_register},
      {u"\tld\tsp,ix", u"; cannot convert:\tld\tsp,ix", Decision::index_register},
      {u"\tpush\tix", u"; cannot convert:\tpush\tix", Decision::index_register},
      {u"\tld\ta,fix", u"\tmvi\ta,fix", Decision::rewrite},
      {u"\tld\ta,ix_", u"\tmvi\ta,ix_", Decision::rewrite},
      {u"\tld\ta,$iy", u"\tmvi\ta,$iy", Decision::rewrite},
      {u"\tld\ta,iy2", u"\tmvi\ta,iy2", Decision::rewrite},
  };
  for (const auto& c : kZ80) {
    const Translation t = translate_z80_to_8080(c.in);
    EXPECT_EQ(t.text, c.out) << show(c.in);
    EXPECT_EQ(t.outcome.decision, c.decision) << show(c.in);
  }
  EXPECT_NE(translate_8080_to_z80(u"\tzork\tix+1").outcome.decision, Decision::index_register);
}

// A name the other notation reads as a register cannot be carried over: the
// statement is marked. Conditions, quoted text, numbers, longer names and
// directives' operands are no such names.
TEST(Pipeline, NamesTheOtherNotationReadsAsRegistersAreMarked) {
  constexpr Direction Z = Direction::z80_to_8080, I = Direction::i8080_to_z80;
  const struct {
    Direction direction;
    std::u16string_view in;
    Decision decision;
  } kCases[] = {
      {Z, u"\tld\ta,m", Decision::register_name},       {Z, u"\tLD\tHL,PSW", Decision::register_name},
      {Z, u"\tcall\tp,m", Decision::register_name},     {Z, u"\tdefb\tm+1", Decision::register_name},
      {Z, u"\tjp\tm", Decision::register_name},         {Z, u"\tjp\tm,x", Decision::rewrite},
      {Z, u"\tret\tm", Decision::rewrite},              {Z, u"\tdefb\t\"m\",0", Decision::rewrite},
      {Z, u"\tld\ta,mx", Decision::rewrite},            {I, u"\tmvi\ta,r", Decision::register_name},
      {I, u"\tlxi\th,bc+1", Decision::register_name},   {I, u"\tdb\thl", Decision::register_name},
      {I, u"\tmvi\ta,#de", Decision::rewrite},          {I, u"\tmvi\ta,0deh", Decision::rewrite},
      {I, u"\tcpi\t'r'", Decision::rewrite},            {I, u"\tpush\tpsw", Decision::rewrite},
      {I, u"xpush\tmacro\tr", Decision::pass_through},
  };
  for (const auto& c : kCases) {
    const Translation t = c.direction == Z ? translate_z80_to_8080(c.in) : translate_8080_to_z80(c.in);
    EXPECT_EQ(t.outcome.decision, c.decision) << show(c.in) << " -> " << show(t.text);
  }
}

TEST(Pipeline, ListsKeepOneLinePerLine) {
  EXPECT_TRUE(convert_z80_to_8080(std::vector<std::u16string>{}).empty());
  const std::vector<std::u16string> in = {u"a", u"\tzork", u"; c", u""};
  const auto z = convert_z80_to_8080(in);
  const auto i = convert_8080_to_z80(in);
  ASSERT_EQ(z.size(), in.size());
  ASSERT_EQ(i.size(), in.size());
  for (std::size_t k = 0; k < in.size(); ++k) {
    EXPECT_EQ(z[k], convert_z80_to_8080(in[k]));
    EXPECT_EQ(i[k], convert_8080_to_z80(in[k]));
  }
  EXPECT_EQ(z[3], u"");
}

// Lines remembered whole: the answer from memory is the fresh answer, for
// each set of options and with positions in bytes.
TEST(Pipeline, RemembersLinesAsTheyWereTranslated) {
  struct Row {
    Direction direction;
    std::string_view in;
    Options options;
    std::string_view out;
    std::size_t source_end, out_begin;  // the statements begin at 0 in the source
  };
  const Row rows[] = {
      {Direction::z80_to_8080, "\tjr\tloop", {}, "; cannot convert:\tjr\tloop", 8, 17},
      {Direction::z80_to_8080, "\tjr\tloop", {.jr_as_jump = true}, "\tjmp\tloop", 8, 0},
      {Direction::z80_to_8080, "\tld a,b \\ inc hl", {}, "; cannot convert:\tld a,b \\ inc hl", 16, 17},
      {Direction::z80_to_8080, "\tld a,b \\ inc hl", {.backslash_separates = true}, "\tmov a,b \\ inx h", 16, 0},
      {Direction::z80_to_8080, "\tld\t(x),hl\t; c", {}, "\tshld x; c", 11, 0},
      {Direction::z80_to_8080, "\tld\t(x),hl\t; c", {.keep_layout = true}, "\tshld\tx\t; c", 11, 0},
      {Direction::i8080_to_z80, "\xc3\x9c\xe2\x82\xac:\txra\tm ; x", {}, ";Cannot convert:\xc3\x9c\xe2\x82\xac:\txra\tm ; x", 13, 16},
  };
  for (int round = 0; round < 3; ++round) {
    for (const Row& r : rows) {
      std::string out = "..";
      const LineInfo info = translate_utf8_line(r.direction, r.in, r.options, out);
      EXPECT_EQ(out.substr(2), r.out) << r.in << " round " << round;
      EXPECT_EQ(info.source_begin, 0u) << r.in;
      EXPECT_EQ(info.source_end, r.source_end) << r.in;
      EXPECT_EQ(info.out_begin, 2 + r.out_begin) << r.in;
    }
  }
}

// A statement too long for any sensible source is marked as typed, in full.
TEST(Pipeline, MarksStatementsTooLongToTranslate) {
  const std::u16string data = u"\tdb\t'" + std::u16string(kLongestStatement, u'x') + u"'";
  const Translation t = translate_8080_to_z80(data);
  EXPECT_EQ(t.outcome.decision, Decision::too_long);
  EXPECT_EQ(t.text, u";Cannot convert:" + data);
}

TEST(Pipeline, DescribesOutcomes) {
  EXPECT_EQ(describe({Decision::rewrite, 21}), "rule 21 rewrite");
  EXPECT_EQ(describe({Decision::pass_through, 3}), "rule 3 pass-through");
  EXPECT_EQ(describe({Decision::marked, 7}), "rule 7 marking");
  EXPECT_EQ(describe({Decision::no_rule}), "no rule");
  EXPECT_EQ(describe({Decision::label_only}), "label only");
  EXPECT_TRUE(is_not_convertible({Decision::index_register}));
  EXPECT_FALSE(is_not_convertible({Decision::directive}));
}

}  // namespace
}  // namespace engine
