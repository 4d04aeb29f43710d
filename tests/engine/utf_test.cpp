#include "engine/utf.hpp"

#include <gtest/gtest.h>

namespace engine {
namespace {

struct DecodeCase {
  std::string_view bytes;
  std::u16string_view want;
};
const DecodeCase kDecodes[] = {
    {"ld a,b", u"ld a,b"},
    {"\xC3\xA4", u"\u00E4"},
    {"\xE2\x82\xAC", u"\u20AC"},
    {"\xF0\x9F\x98\x80", u"\xD83D\xDE00"},
    {"\xEF\xBB\xBFx", u"\uFEFFx"},          // a byte-order mark is an ordinary character
    {"a\xFFz", u"a\uFFFDz"},
    {"\xC3", u"\uFFFD"},                     // truncated at the end
    {"\xE2\x82z", u"\uFFFDz"},               // one replacement per maximal subpart
    {"\xC0\xAF", u"\uFFFD\uFFFD"},           // overlong
    {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"}, // an encoded surrogate
    {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
    {"\x80\x80", u"\uFFFD\uFFFD"},
};
TEST(Utf, DecodesAndReplacesIllFormedBytes) {
  for (const auto& c : kDecodes) EXPECT_EQ(utf8_to_utf16(c.bytes), c.want) << c.bytes;
}

TEST(Utf, EncodesAndReplacesLoneSurrogates) {
  EXPECT_EQ(utf16_to_utf8(u"a\u00E4\u20AC\xD83D\xDE00"), "a\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_EQ(utf16_to_utf8(u"\xD800x\xDC00"), "\xEF\xBF\xBDx\xEF\xBF\xBD");
  EXPECT_EQ(utf16_to_utf8(u"\xD83D"), "\xEF\xBF\xBD");
  // Latin-1 letters inside the runs the encoder takes four at a time.
  EXPECT_EQ(utf16_to_utf8(u"\u00C4\u00F6\u00FC\u00DF;1234\u00FF"), "\xC3\x84\xC3\xB6\xC3\xBC\xC3\x9F;1234\xC3\xBF");
  EXPECT_EQ(utf8_to_utf16("1234567\xC3\x84"), u"1234567\u00C4");
}

TEST(Utf, LowerUtf8ReportsAscii) {
  std::string out;
  EXPECT_TRUE(append_lower_utf8(out, u"\tLD A,B"));
  EXPECT_EQ(out, "\tld a,b");
  out.clear();
  EXPECT_FALSE(append_lower_utf8(out, u"\u00C4X"));
  EXPECT_EQ(out, "\xC3\xA4x");
}

}  // namespace
}  // namespace engine
