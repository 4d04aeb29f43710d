#include "engine/regex.hpp"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace engine {
namespace {

struct Case {
  std::u16string_view pattern, text;
  bool want;
};
const Case kCases[] = {
    {u"^ld", u"LD A,B", true},               // only the text is lower-cased
    {u"LD", u"LD A,B", false},               // a capital in a pattern never matches
    {u"(", u"anything", false},              // does not compile: false, silently
    {u"(", u"", false},
    {u"x{0,}", u"", true},                   // matches the empty line
    {u"^[\\t, ]{1,}db[\\t, ]{1,}", u"\tdb\t1", true},
    {u"^[\\t, ]{1,}db[\\t, ]{1,}", u"\tdb", false},
    {u"i[x|y]?[-|,|+]", u"\tld\ta,(IX+2)", true},
    {u"i[x|y]?[-|,|+]", u"\tdb\thi,lo", true},
    {u"i[x|y]?[-|,|+]", u"\tpush\tix", false},
    {u"[nz|z|nc|c|po|pe|p|m]", u"|", true},  // a class, not alternatives
    {u"rst[\\t, ]{1}[0-9a-fA-F]+h*", u" RST 38H", true},
    {u"^a$", u"A", true},
    {u"\\x2C", u",", true},
    {u"[\\t, ]{1,}xra[\\t, ]{1,}(a|m)", u"_main: xra m", true},
    {u"[\\t, ]{1,}xra[\\t, ]{1,}(a|m)", u"xra m", false},
    {u"\u00E4", u"\u00C4", true},            // non-ASCII text is lower-cased too
    {u".", u"\xD800", true},                 // a lone surrogate is matched as U+FFFD
};
TEST(Regex, Test) {
  for (const auto& c : kCases) {
    EXPECT_EQ(regex_test(c.pattern, c.text), c.want)
        << std::string(c.pattern.begin(), c.pattern.end());
  }
}

TEST(Regex, CompilesEachPatternOnce) {
  const Regex* a = regex_compile(u"^[\\t, ]{1,}ld");
  EXPECT_NE(a, nullptr);
  EXPECT_EQ(regex_compile(u"^[\\t, ]{1,}ld"), a);
  EXPECT_EQ(regex_compile(u"(unclosed"), nullptr);
  EXPECT_EQ(regex_compile(u"(unclosed"), nullptr);
}

TEST(Regex, FindReportsLeftmostMatchStart) {
  const Regex* re = regex_compile(u"[\\t, ]{1,}push[\\t, ]{1,}b");
  ASSERT_NE(re, nullptr);
  MatchScratch scratch;
  EXPECT_EQ(regex_find(*re, " _push: push b", scratch), 7u);
  EXPECT_EQ(regex_find(*re, "  push b", scratch), 0u);
  EXPECT_EQ(regex_find(*re, "push b", scratch), kNone);
}

// A line of a million blanks must not take quadratic time in an unanchored
// pattern that starts with a run of separators.
TEST(Regex, LongBlankLineStaysLinear) {
  std::u16string line(1'000'000, u' ');
  line += u"xra";
  EXPECT_FALSE(regex_test(u"[\\t, ]{1,}xra[\\t, ]{1,}(a|b)", line));
  line += u" b";
  EXPECT_TRUE(regex_test(u"[\\t, ]{1,}xra[\\t, ]{1,}(a|b)", line));
  std::u16string lazy = u" ld (" + std::u16string(2'000'000, u'x') + u"),hl";
  EXPECT_TRUE(regex_test(u"^[\\t, ]{1,}ld[\\t, ]{1,}\\(.*?\\),hl", lazy));
}

TEST(Regex, ThreadSafe) {
  std::vector<std::thread> threads;
  std::vector<int> hits(8, 0);
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([t, &hits] {
      for (int i = 0; i < 500; ++i) {
        const std::u16string pattern = u"^x" + std::u16string(1, static_cast<char16_t>(u'a' + i % 20));
        hits[t] += regex_test(pattern, u"xa") ? 1 : 0;
      }
    });
  }
  for (auto& th : threads) th.join();
  for (int h : hits) EXPECT_EQ(h, 25);
}

}  // namespace
}  // namespace engine
