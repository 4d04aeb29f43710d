#include "engine/text.hpp"

#include <gtest/gtest.h>

namespace engine {
namespace {

struct FindCase {
  std::u16string_view text, needle;
  std::size_t start;
  int mode;
  std::size_t want;
};
const FindCase kFinds[] = {
    {u"", u"a", 0, kExact, kNone},
    {u"ld a", u"", 0, kExact, kNone},
    {u"abcabc", u"c", 0, kExact, 2},
    {u"abcabc", u"c", 3, kExact, 5},   // counted from the beginning, not from start
    {u"abcabc", u"c", 8, kExact, kNone},   // past the end
    {u"abcabc", u"c", kNone, kExact, kNone},
    {u"abcabc", u"c", 6, kExact, kNone},
    {u"abcabc", u"c", 5, kExact, 5},
    {u"LD A,B", u"ld", 0, kAnyCase, 0},
    {u"LD A,B", u"ld", 0, kExact, kNone},
    {u"ab", u"abc", 0, kExact, kNone},     // needle longer than the text
    {u"\u00C4x", u"\u00E4", 0, kAnyCase, 0},
    {u"cp (hl\t", u"(hl)", 0, kAnyCase, kNone},  // a tab is not ")" in any case (0x09 | 0x20 is ")")
};
TEST(Text, FindText) {
  for (const auto& c : kFinds) {
    EXPECT_EQ(find_text(c.text, c.needle, c.start, c.mode), c.want)
        << "find '" << std::string(c.text.begin(), c.text.end()) << "' start " << c.start;
  }
}

struct ReplaceCase {
  std::u16string_view text, needle, replacement;
  int mode;
  std::size_t start;
  std::ptrdiff_t count;
  std::u16string_view want;
};
const ReplaceCase kReplaces[] = {
    {u"aaaa", u"aa", u"a", kExact, 0, -1, u"aa"},  // one pass, no overlap, no re-scan
    {u"a,b,c", u",", u";", kExact, 2, -1, u"a,b;c"},
    {u"a,b,c", u",", u";", kExact, 0, -1, u"a;b;c"},
    {u"ABab", u"ab", u"X", kAnyCase, 0, -1, u"XX"},
    {u"ABab", u"ab", u"X", kExact, 0, -1, u"ABX"},
    {u"a,b,c", u",", u";", kAnyCase, 0, 1, u"a;b,c"},
    {u"a,b,c", u",", u";", kAnyCase, 0, 0, u"a,b,c"},
    {u"xyz", u"q", u"r", kExact, 0, -1, u"xyz"},   // nothing found: a copy, not empty
    {u"xyz", u"", u"r", kExact, 0, -1, u"xyz"},    // empty needle
    {u"xyz", u"z", u"r", kExact, 8, -1, u"xyz"},   // start past the end
    {u"hl,hl", u"hl", u"hl,hl", kExact, 0, -1, u"hl,hl,hl,hl"},  // the insertion is not searched again
    {u"jp jp jp", u"jp", u"", kAnyCase, 1, 1, u"jp  jp"},
};
TEST(Text, ReplaceText) {
  for (const auto& c : kReplaces) {
    EXPECT_EQ(replace_text(c.text, c.needle, c.replacement, c.mode, c.start, c.count), c.want);
  }
}

TEST(Text, MidTail) {
  EXPECT_EQ(mid_text(u"abc", 0, 2), u"ab");
  EXPECT_EQ(mid_text(u"abc", 1, 5), u"bc");
  EXPECT_EQ(mid_text(u"abc", 3, 1), u"");
  EXPECT_EQ(mid_text(u"abc", 1, 0), u"");
  EXPECT_EQ(tail_text(u"abc", 0), u"abc");
  EXPECT_EQ(tail_text(u"abc", 2), u"c");
  EXPECT_EQ(tail_text(u"abc", 3), u"");
  EXPECT_EQ(tail_text(u"abc", 99), u"");
}

TEST(Text, TrimAndNormalizeBlanks) {
  EXPECT_EQ(trim_blanks(u"  a b  "), u"a b");
  EXPECT_EQ(trim_blanks(u"\ta b\t"), u"\ta b\t");  // tabs stay
  EXPECT_EQ(trim_blanks(u"   "), u"");
  EXPECT_EQ(normalize_blanks(u"x\t    y"), u"x y");
  EXPECT_EQ(normalize_blanks(u" a  b "), u" a b ");   // one leading and trailing space stay
  EXPECT_EQ(normalize_blanks(u"\t\ta"), u" a");
  EXPECT_EQ(normalize_blanks(u"a b c"), u"a b c");
  EXPECT_EQ(normalize_blanks(u"        "), u" ");      // four pairs, then two, then one
}

TEST(Text, CaseMappingKeepsLengthAndAscii) {
  EXPECT_EQ(lower_text(u"LD A,(IX+2)\t;Z"), u"ld a,(ix+2)\t;z");
  EXPECT_EQ(upper_text(u"ld a,b @[`{"), u"LD A,B @[`{");
  EXPECT_EQ(lower_text(u"\u00C4\u0391\u0416\u0100\uFF21"), u"\u00E4\u03B1\u0436\u0101\uFF41");
  EXPECT_EQ(upper_text(u"\u00E4\u03B1\u0436\u0101\u00FF\u03C2"), u"\u00C4\u0391\u0416\u0100\u0178\u03A3");
  // No non-ASCII letter turns into an ASCII one: patterns must not see an "i" here.
  EXPECT_EQ(lower_text(u"\u0130X"), u"\u0130x");
  EXPECT_EQ(upper_text(u"\u0131"), u"\u0131");
  const std::u16string surrogates = u"\xD800\xDC00\xDBFF";
  EXPECT_EQ(lower_text(surrogates), surrogates);
  for (char32_t c = 0; c < 0x10000; ++c) {
    const auto u = static_cast<char16_t>(c);
    if (c >= 0x80) {
      EXPECT_GE(lower_char(u), 0x80) << std::hex << static_cast<unsigned>(c);
      EXPECT_GE(upper_text(std::u16string(1, u))[0], 0x80) << std::hex << static_cast<unsigned>(c);
    }
  }
}

}  // namespace
}  // namespace engine
