// The encoders beyond what the assembler checks form by form
// (tests/semantic/encoders.js): the normalised operand text, the layout of
// index and symbolic forms, and the forms neither processor has.
#include <gtest/gtest.h>

#include "engine/encode_8080.hpp"
#include "engine/encode_z80.hpp"
#include "engine/utf.hpp"

namespace engine {
namespace {

struct Normalised {
  std::u16string_view in, out;
};
const Normalised kNumbers[] = {
    {u"0FFh", u"255"},      {u"$FF", u"255"},       {u"0xFF", u"255"},     {u"#FF", u"255"},
    {u"255", u"255"},       {u"377q", u"255"},      {u"377o", u"255"},     {u"%11111111", u"255"},
    {u"11111111b", u"255"}, {u"0b11111111", u"255"}, {u"&hFF", u"255"},   {u"255d", u"255"},
    {u"';'", u"59"},        {u"\";\"", u"59"},      {u"3Bh", u"59"},
};
const Normalised kExpressions[] = {
    {u"( TOP - BOT )/2", u"(top-bot)/2"},  // blanks go, names in lower case
    {u"(12h)", u"18"},                     // redundant outer parentheses go
    {u"0+(12h)", u"18"},                   // as does a leading "0+"
    {u"0+(mval)-1", u"mval-1"},
    {u"((buf))", u"buf"},
    {u"(buf)+1", u"buf+1"},                // parentheses around one term
    {u"high (buf)", u"high(buf)"},         // but not after a name
    {u"$+5", u"$+5"},
    {u"x%2", u"x%2"},                      // "%" after an operand is an operator
    {u"'ab'", u"'ab'"},                    // longer quoted text stays
    {u"\"ab\"", u"'ab'"},
    {u"1+1", u"1+1"},                      // nothing is folded
    {u"VALDG AND 0FFH", u"valdg and 255"}, // words keep one blank between them
};
TEST(Encoders, NumbersInEverySpellingAreOne) {
  for (const auto& c : kNumbers) EXPECT_EQ(utf16_to_utf8(normalise_expression(c.in)), utf16_to_utf8(c.out)) << utf16_to_utf8(c.in);
}
TEST(Encoders, ExpressionsAreNormalised) {
  for (const auto& c : kExpressions) EXPECT_EQ(utf16_to_utf8(normalise_expression(c.in)), utf16_to_utf8(c.out)) << utf16_to_utf8(c.in);
}
TEST(Encoders, DeepParenthesesTakeLinearTime) {
  const std::u16string deep = std::u16string(30000, u'(') + u"x" + std::u16string(30000, u')');
  EXPECT_EQ(normalise_expression(deep).size(), deep.size());  // too long to simplify, and done at once
}
TEST(Encoders, NamesMayKeepTheirCase) {
  EXPECT_EQ(normalise_expression(u"Buf+1", {.case_sensitive = true}), u"Buf+1");
}

struct Encoded {
  bool z80;
  std::u16string_view statement;
  const char* code;
};
const Encoded kEncoded[] = {
    {true, u"ld hl,(TOP-BOT)/2", "21 [(top-bot)/2 : word]"},
    {false, u"lxi h,(TOP-BOT)/2", "21 [(top-bot)/2 : word]"},
    {true, u"ld (ix+5),12h", "DD 36 [5 : displacement] [18 : byte]"},
    {true, u"ld a,( iy - 3 )", "FD 7E [-3 : displacement]"},
    {true, u"ld b,(ix)", "DD 46 [0 : displacement]"},
    {true, u"bit 7,(iy+cnt)", "FD CB [cnt : displacement] 7E"},
    {true, u"jp (ix)", "DD E9"},
    {true, u"ex (sp),iy", "FD E3"},
    {true, u"add ix,ix", "DD 29"},
    {true, u"ld (buf),sp", "ED 73 [buf : word]"},
    {true, u"ld a,(buf)", "3A [buf : word]"},
    {true, u"ld a,(buf)+1", "3E [buf+1 : byte]"},  // not a memory operand: the parentheses end early
    {true, u"jr nz,loop", "20 [loop : relative]"},
    {true, u"rst vec", "C7 [vec/8 : restart]"},
    {true, u"rst (vec)*8", "C7 [vec : restart]"},
    {false, u"rst vec", "C7 [vec : restart]"},
    {false, u"rst 7", "FF"},
    {true, u"sub a,b", "90"},
    {false, u"cpe 10", "EC [10 : word]"},
    {false, u"cpi ';'", "FE [59 : byte]"},
    {true, u"defb 'Hi', 0", "data ['Hi' : byte] [0 : byte]"},
    {false, u"ds 10, 0FFh", "data [10 : count] [255 : byte]"},
};
TEST(Encoders, Layouts) {
  for (const auto& c : kEncoded) {
    MachineCode code;
    std::string why;
    const bool ok = c.z80 ? encode_z80(c.statement, code, why) : encode_8080(c.statement, code, why);
    EXPECT_TRUE(ok) << utf16_to_utf8(c.statement) << ": " << why;
    EXPECT_EQ(to_string(code), c.code) << utf16_to_utf8(c.statement);
  }
}

// Forms the processor lacks, though they look like forms it has.
const Encoded kNearMisses[] = {
    {true, u"ld (bc),b"},    {true, u"push sp"},        {true, u"pop sp"},        {true, u"jp (de)"},
    {true, u"jp (ix+2)"},    {true, u"jp (1234h)"},     {true, u"ld (hl),(hl)"},  {true, u"add ix,hl"},
    {true, u"add hl,ix"},    {true, u"add ix,iy"},      {true, u"ld ix,(hl)"},    {true, u"adc ix,bc"},
    {true, u"sbc hl,ix"},    {true, u"ex de,ix"},       {true, u"ex (sp),de"},    {true, u"ld h,ixh"},
    {true, u"ld (ix+1),(iy+1)"}, {true, u"in b,(12h)"}, {true, u"out (12h),b"},   {true, u"im 3"},
    {true, u"bit 8,a"},      {true, u"rst 7"},          {true, u"jr po,5"},       {true, u"ld sp,de"},
    {true, u"inc af"},       {true, u"ld a,b,c"},       {true, u"ld a"},          {true, u"mov a,b"},
    {true, u"ld i,b"},       {true, u"ld (ix+2),ix"},   {true, u"djnz nz,5"},     {true, u"db"},
    {false, u"ld a,(ix+2)"}, {false, u"mov m,m"},       {false, u"push sp"},      {false, u"pop sp"},
    {false, u"lxi psw,5"},   {false, u"ldax h"},        {false, u"stax sp"},      {false, u"rst 8"},
    {false, u"mvi a"},       {false, u"mvi a,b"},       {false, u"ret z"},        {false, u"jmp"},
    {false, u"inx a"},       {false, u"dad psw"},       {false, u"jx 5"},         {false, u"mov a,(hl)"},
    {false, u"ds 1,2,3"},     {true, u"ld a,5+(hl)"},    {true, u"ld a,i+1"},      {false, u"mvi a,0r r"},
    {false, u"mvi a,5\x01"},  {true, u"jp n z,5"},       {true, u"ex af,a f'"},    {false, u"sta fcb)+32"},
    {true, u"ld a,(hd (ecl)"},
};
TEST(Encoders, RefuseNearMisses) {
  for (const auto& c : kNearMisses) {
    MachineCode code;
    std::string why;
    const bool ok = c.z80 ? encode_z80(c.statement, code, why) : encode_8080(c.statement, code, why);
    EXPECT_FALSE(ok) << utf16_to_utf8(c.statement) << " encodes as " << to_string(code);
    EXPECT_FALSE(why.empty()) << utf16_to_utf8(c.statement);
  }
}

}  // namespace
}  // namespace engine
