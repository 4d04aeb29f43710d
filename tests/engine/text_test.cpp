#include "engine/text.hpp"

#include <gtest/gtest.h>

namespace engine {
namespace {

struct FindCase {
  std::u16string_view text, needle;
  Pos start;
  int mode;
  Pos want;
};
const FindCase kFinds[] = {
    {u"", u"a", 1, kExact, 0},
    {u"ld a", u"", 1, kExact, 0},
    {u"abcabc", u"c", 0, kExact, 3},   // a start below 1 counts as 1
    {u"abcabc", u"c", -5, kExact, 3},
    {u"abcabc", u"c", 4, kExact, 6},   // counted from the beginning, not from start
    {u"abcabc", u"c", 9, kExact, 0},   // past the end
    {u"abcabc", u"c", 7, kExact, 0},
    {u"abcabc", u"c", 6, kExact, 6},
    {u"LD A,B", u"ld", 1, kAnyCase, 1},
    {u"LD A,B", u"ld", 1, kExact, 0},
    {u"ab", u"abc", 1, kExact, 0},     // needle longer than the text
    {u"\u00C4x", u"\u00E4", 1, kAnyCase, 1},
    {u"cp (hl\t", u"(hl)", 1, kAnyCase, 0},  // a tab is not ")" in any case (0x09 | 0x20 is ")")
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
  Pos start, count;
  std::u16string_view want;
};
const ReplaceCase kReplaces[] = {
    {u"aaaa", u"aa", u"a", kExact, 1, -1, u"aa"},  // one pass, no overlap, no re-scan
    {u"a,b,c", u",", u";", kExact, 3, -1, u"a,b;c"},
    {u"a,b,c", u",", u";", kExact, 0, -1, u"a;b;c"},
    {u"ABab", u"ab", u"X", kAnyCase, 1, -1, u"XX"},
    {u"ABab", u"ab", u"X", kExact, 1, -1, u"ABX"},
    {u"a,b,c", u",", u";", kAnyCase, 1, 1, u"a;b,c"},
    {u"a,b,c", u",", u";", kAnyCase, 1, 0, u"a,b,c"},
    {u"xyz", u"q", u"r", kExact, 1, -1, u"xyz"},   // nothing found: a copy, not empty
    {u"xyz", u"", u"r", kExact, 1, -1, u"xyz"},    // empty needle
    {u"xyz", u"z", u"r", kExact, 9, -1, u"xyz"},   // start past the end
    {u"hl,hl", u"hl", u"hl,hl", kExact, 1, -1, u"hl,hl,hl,hl"},  // the insertion is not searched again
    {u"jp jp jp", u"jp", u"", kAnyCase, 2, 1, u"jp  jp"},
};
TEST(Text, ReplaceText) {
  for (const auto& c : kReplaces) {
    EXPECT_EQ(replace_text(c.text, c.needle, c.replacement, c.mode, c.start, c.count), c.want);
  }
}

TEST(Text, MidTail) {
  EXPECT_EQ(mid_text(u"abc", 0, 2), u"ab");  // the length is not shortened for a start below 1
  EXPECT_EQ(mid_text(u"abc", 2, 5), u"bc");
  EXPECT_EQ(mid_text(u"abc", 4, 1), u"");
  EXPECT_EQ(mid_text(u"abc", 2, -1), u"");
  EXPECT_EQ(tail_text(u"abc", 0), u"abc");
  EXPECT_EQ(tail_text(u"abc", 3), u"c");
  EXPECT_EQ(tail_text(u"abc", 4), u"");
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
