// The proof of a line: source and translation side by side, as the pipeline
// makes them or as a user finishes them by hand.
#include <gtest/gtest.h>

#include <fstream>

#include "engine/line_reader.hpp"
#include "engine/verify.hpp"
#include "test_text.hpp"

namespace engine {
namespace {

constexpr Direction Z = Direction::z80_to_8080, I = Direction::i8080_to_z80;

struct Case {
  Direction direction;
  std::u16string_view source, translation;
  Proof proof;
  const char* reason = "";  // a part of the reason, for unproven lines
};
const Case kLines[] = {
    {Z, u"⇥ld⇥a,b", u"⇥mov⇥a,b", Proof::proven},
    {Z, u"lbl:⇥ld⇥hl,(TOP-BOT)/2⇥; half", u"lbl:⇥lxi⇥h,( top - bot )/2", Proof::proven},
    {Z, u"⇥cp⇥';'", u"⇥cpi⇥3Bh", Proof::proven},
    {Z, u"⇥ld⇥a,b ! inc⇥hl", u"⇥mov⇥a,b ! inx⇥h", Proof::proven},
    {Z, u"⇥ld⇥a,b ! mymacro 1", u"⇥mov⇥a,b ! mymacro 1", Proof::passed},
    {Z, u"⇥defb⇥1,2", u"⇥db⇥1,2", Proof::proven},
    {Z, u"; only a comment", u"; only a comment", Proof::passed},
    {Z, u"x⇥equ⇥5", u"x⇥equ⇥5", Proof::passed},
    {Z, u"⇥.z80", u"⇥.8080", Proof::passed},
    {Z, u"⇥ld⇥a,(ix+1)", u"; cannot convert:⇥ld⇥a,(ix+1)", Proof::marked},
    {Z, u"⇥jr⇥nz,loop", u"⇥jnz⇥loop", Proof::unproven, "encodes as 20 [loop : relative]"},
    {Z, u"⇥ld⇥a,b", u"⇥mov⇥a,c", Proof::unproven, "the translation as 79"},
    {Z, u"⇥ld⇥a,b", u"⇥ld⇥a,b", Proof::unproven, "\"ld\" is no 8080 mnemonic"},
    {Z, u"⇥ld⇥a,b ! ld⇥a,c", u"⇥mov⇥a,b", Proof::unproven, "statement 2: the translation drops"},
    {Z, u"lbl:⇥ld⇥a,b", u"⇥mov⇥a,b", Proof::unproven, "labels differ"},
    {Z, u"x⇥equ⇥5", u"x⇥equ⇥6", Proof::unproven, "changes the line"},
    {I, u"⇥xpush⇥b", u"⇥xpush⇥bc", Proof::unproven, "neither side encodes"},
    {I, u"⇥mvi⇥a,(12h)", u"⇥ld⇥a,0+(12h)", Proof::proven},
    {I, u"⇥lxi⇥b,(buf)", u"⇥ld⇥bc,(buf)", Proof::unproven, "ED 4B [buf : word]"},
    {I, u"⇥rst⇥bdosv/8", u"⇥rst⇥(bdosv/8)*8", Proof::proven},
    {I, u"⇥push⇥psw ; save ! pop⇥b", u"⇥push⇥af ; save ! pop⇥bc", Proof::proven},
    {I, u"⇥mov⇥a,b", u"⇥ld⇥a,b", Proof::proven},
    {I, u"⇥mvi⇥m,5", u";Cannot convert:⇥mvi⇥m,5", Proof::marked},
    {I, u"⇥mvi⇥m,5", u"⇥ld⇥(hl),5", Proof::proven},  // a marked line finished by hand
};
TEST(Verify, Lines) {
  for (const auto& c : kLines) {
    const LineProof p = verify_line(c.direction, testing::tabs(c.source), testing::tabs(c.translation));
    EXPECT_EQ(name_of(p.proof), std::string(name_of(c.proof))) << testing::show(testing::tabs(c.source)) << ": " << p.reason;
    EXPECT_NE(p.reason.find(c.reason), std::string::npos) << testing::show(testing::tabs(c.source)) << ": " << p.reason;
  }
}

TEST(Verify, RelativeJumpsAsAbsoluteWhenAsked) {
  Options jumps;
  jumps.jr_as_jump = true;
  EXPECT_EQ(verify_line(Z, u"\tjr\tnz,loop", u"\tjnz\tloop", jumps).proof, Proof::proven);
  EXPECT_EQ(verify_line(Z, u"\tdjnz\tloop", u"\tjnz\tloop", jumps).proof, Proof::unproven);
}

// Every line of the sample sources, as the pipeline translates it, proves or
// is carried over or marked.
TEST(Verify, SampleSourcesHaveNoUnprovenLine) {
  for (const char* name : {"bios.z80", "ccp.z80", "copy.z80", "intel.z80", "m80.z80", "monitor.z80", "tasm.z80",
                           "bios.8080", "ccp.asm", "copy.asm", "intel.asm", "m80.8080", "monitor.8080", "tasm.8080"}) {
    std::ifstream file(std::string(TEST_DATA_DIR) + "/" + name, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const Direction d = std::string_view(name).ends_with(".z80") ? Z : I;
    for (const auto& line : read_lines(bytes).lines) {
      const Translation t = d == Z ? translate_z80_to_8080(line) : translate_8080_to_z80(line);
      const LineProof p = verify_line(d, line, t.text);
      EXPECT_NE(p.proof, Proof::unproven) << name << ": " << testing::show(line) << " -> " << testing::show(t.text)
                                          << " (" << p.reason << ")";
    }
  }
}

}  // namespace
}  // namespace engine
