// The proof of a line: source and translation side by side, as the pipeline
// makes them or as a user finishes them by hand.
#include <gtest/gtest.h>

#include <fstream>

#include "engine/line_reader.hpp"
#include "engine/proof_memory.hpp"
#include "engine/utf.hpp"
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
    // The translation's comment reads as the source's did: "exx" stays comment
    // text, a statement after "!" that holds ":" stays one.
    {I, u"⇥dcr⇥b ; x ! exx ! mov a,b", u"⇥dec⇥b ; x ! exx ! ld a,b", Proof::proven},
    {I, u"⇥dcr⇥b ;x! jnz foo:⇥mov a,m", u"⇥dec⇥b ;x! jp nz, foo:⇥ld a,(hl)", Proof::proven},
    {I, u"⇥dcr⇥b ; x ! mov a,b", u"⇥dec⇥b ; x ! mov a,b", Proof::unproven, "statement 2: the translation does not"},
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

// A proof the memory gives (by the pair's shape, numbers as placeholders) is
// the fresh proof, also for pairs that differ from a remembered one only in a
// number. And a comment changes no proof (the pair then takes the long way).
LineProof fresh_proof(Direction d, std::u16string_view source, std::u16string_view translation) {
  remember_proofs(false);
  LineProof p = verify_line(d, source, translation);
  remember_proofs(true);
  return p;
}
// The same for the pair given as UTF-8 (read on its bytes where it is ASCII).
void expect_remembered_as_fresh(Direction d, std::u16string_view source, std::u16string_view translation) {
  thread_local Verifier bytes;
  const LineProof fresh = fresh_proof(d, source, translation), memory = verify_line(d, source, translation);
  const LineProof utf8 = bytes.verify_utf8(d, utf16_to_utf8(source), utf16_to_utf8(translation));
  const std::string expected = std::string(name_of(fresh.proof)) + ": " + fresh.reason;
  EXPECT_EQ(std::string(name_of(memory.proof)) + ": " + memory.reason, expected)
      << testing::show(source) << " -> " << testing::show(translation);
  EXPECT_EQ(std::string(name_of(utf8.proof)) + ": " + utf8.reason, expected)
      << "as UTF-8: " << testing::show(source) << " -> " << testing::show(translation);
}
// Each digit one up ("19" is "20"): the same pair but for its numbers.
std::u16string digits_changed(std::u16string_view text) {
  std::u16string out(text);
  for (auto& c : out) {
    if (c >= u'0' && c <= u'9') c = c == u'9' ? u'0' : static_cast<char16_t>(c + 1);
  }
  return out;
}

const Case kShapes[] = {  // in order: earlier rows are remembered when later ones come
    {Z, u"⇥ld⇥a,5", u"⇥mvi⇥a,5", Proof::proven},
    {Z, u"⇥ld⇥a,7", u"⇥mvi⇥a,5", Proof::unproven},
    {Z, u"⇥ld⇥a,05", u"⇥mvi⇥a,5", Proof::proven},
    {Z, u"⇥ld⇥a,07", u"⇥mvi⇥a,5", Proof::unproven},
    {Z, u"⇥ld⇥a,0FFh", u"⇥mvi⇥a,255", Proof::proven},
    {Z, u"⇥ld⇥a,0FFh", u"⇥mvi⇥a,254", Proof::unproven},
    {Z, u"⇥ld⇥hl,0+x1", u"⇥lxi⇥h,x1", Proof::proven},
    {Z, u"⇥ld⇥hl,1+x1", u"⇥lxi⇥h,x1", Proof::unproven},
    {Z, u"⇥jp⇥nz,l12", u"⇥jnz⇥l12", Proof::proven},
    {Z, u"⇥jp⇥nz,l13", u"⇥jnz⇥l31", Proof::unproven},
    {Z, u"⇥jp⇥nz,l05", u"⇥jnz⇥l05", Proof::proven},
    {Z, u"⇥jp⇥nz,l06", u"⇥jnz⇥l05", Proof::unproven},
    {Z, u"⇥ld⇥de,l1+1", u"⇥lxi⇥d,l1+1", Proof::proven},
    {Z, u"⇥ld⇥de,l2+1", u"⇥lxi⇥d,l2+2", Proof::unproven},
    {Z, u"⇥ld⇥hl,123456789", u"⇥lxi⇥h,123456789", Proof::proven},
    {Z, u"⇥ld⇥hl,1234567890", u"⇥lxi⇥h,1234567891", Proof::unproven},
    {Z, u"⇥ld⇥a,(ix12)", u"⇥lda⇥ix12", Proof::proven},
    {Z, u"⇥ld⇥a,(ix13)", u"⇥lda⇥ix12", Proof::unproven},
    {Z, u"⇥defb⇥1,2", u"⇥db⇥1,2", Proof::proven},
    {Z, u"⇥defb⇥1,2", u"⇥db⇥2,1", Proof::unproven},
    {Z, u"⇥mymac⇥1,2", u"⇥mymac⇥1,2", Proof::passed},
    {Z, u"⇥mymac⇥1,2", u"⇥mymac⇥1,3", Proof::unproven},
    {Z, u"⇥jr⇥l1", u"⇥jmp⇥l1", Proof::unproven},
    {I, u"⇥rst⇥1", u"⇥rst⇥8", Proof::proven},
    {I, u"⇥rst⇥2", u"⇥rst⇥8", Proof::unproven},
    {I, u"⇥mvi⇥a,12", u"⇥ld⇥a,12", Proof::proven},
    {I, u"⇥mvi⇥a,12", u"⇥ld⇥a,13", Proof::unproven},
    {I, u"⇥mvi⇥a,1", u"⇥ld⇥a,2+1", Proof::unproven},
    {I, u"⇥mvi⇥a,3", u"⇥ld⇥a,2+1", Proof::unproven},
};
TEST(Verify, RememberedProofsAreFreshProofs) {
  for (int round = 0; round < 2; ++round) {  // the second round meets every row remembered
    for (const auto& c : kShapes) {
      const std::u16string source = testing::tabs(c.source), translation = testing::tabs(c.translation);
      EXPECT_EQ(name_of(verify_line(c.direction, source, translation).proof), std::string(name_of(c.proof)))
          << testing::show(source) << " -> " << testing::show(translation);
      expect_remembered_as_fresh(c.direction, source, translation);
      const LineProof commented = fresh_proof(c.direction, source + u" ;", translation + u" ;");
      EXPECT_EQ(name_of(commented.proof), std::string(name_of(c.proof))) << testing::show(source);
    }
  }
  // Every sample line, and the same with the numbers of one side or both changed.
  for (const char* name : {"bios.z80", "monitor.z80", "intel.z80", "bios.8080", "ccp.asm", "intel.asm"}) {
    std::ifstream file(std::string(TEST_DATA_DIR) + "/" + name, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const Direction d = std::string_view(name).ends_with(".z80") ? Z : I;
    for (const auto& line : read_lines(bytes).lines) {
      const std::u16string text = (d == Z ? translate_z80_to_8080(line) : translate_8080_to_z80(line)).text;
      expect_remembered_as_fresh(d, line, text);
      expect_remembered_as_fresh(d, digits_changed(line), text);
      expect_remembered_as_fresh(d, line, digits_changed(text));
      expect_remembered_as_fresh(d, digits_changed(line), digits_changed(text));
    }
  }
}

}  // namespace
}  // namespace engine
