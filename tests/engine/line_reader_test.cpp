#include "engine/line_reader.hpp"

#include <gtest/gtest.h>

#include "engine/line_end.hpp"

namespace engine {
namespace {

using Lines = std::vector<std::u16string>;

struct Case {
  std::string_view bytes;
  Lines want;
  bool crlf, final_end;
};
const Case kCases[] = {
    {{}, {}, false, false},
    {"a", {u"a"}, false, false},
    {"a\n", {u"a"}, false, true},  // a final line end adds no line
    {"\n", {u""}, false, true},
    {"a\r\n\r\nb\r\n", {u"a", u"", u"b"}, true, true},
    {"a\n\nb", {u"a", u"", u"b"}, false, false},
    {"a\r\rb\r", {u"a", u"", u"b"}, false, true},
    {"a\r\n\nb\r", {u"a", u"", u"b"}, true, true},   // mixed
    {"a\n\r\nb", {u"a", u"", u"b"}, false, false},   // only the first end decides CR LF
    {std::string_view("a\0b", 3), {u"a", u"b"}, false, false},  // a zero byte splits a line
    {std::string_view("\0", 1), {u""}, false, true},
    {"\nx", {u"", u"x"}, false, false},              // an empty first line
    {"\r", {u""}, false, true},
    {"\r\r\n", {u"", u""}, false, true},
    {"\xEF\xBB\xBFld\xFF", {u"\uFEFFld\uFFFD"}, false, false},
};
TEST(LineReader, SplitsAndDecodes) {
  for (const auto& c : kCases) {
    const ReadLines got = read_lines(c.bytes);
    EXPECT_EQ(got.lines, c.want) << c.bytes;
    EXPECT_EQ(got.first_end_crlf, c.crlf) << c.bytes;
    EXPECT_EQ(got.ends_with_line_end, c.final_end) << c.bytes;
  }
}

// The first line end at or after `from`, eight bytes at a time and byte by
// byte after, and how it is written back.
struct EndCase {
  std::string_view text;
  std::size_t from, at;
  std::string_view spelling;
};
using namespace std::literals;
const EndCase kEnds[] = {
    {"abcdefgh\n", 0, 8, "\n"},
    {"abcdefghijklmnop\r\n", 0, 16, "\r\n"},
    {"abcdefghijk\0lm"sv, 0, 11, "\n"},
    {"\x8A\x8D\x80\xFF\x0A\x8D\x8D\x8D\x8D", 0, 4, "\n"},  // high bytes are not line ends
    {"a\rbcdefghij\r", 1, 1, "\r"},
    {"a\rbcdefghij\r", 2, 11, "\r"},  // a CR last of all is alone
    {"a\r\n", 1, 1, "\r\n"},
    {"abcdefghijklmnopq", 3, 17, ""},
};
TEST(LineEnd, FoundAndSpelled) {
  for (const auto& c : kEnds) {
    EXPECT_EQ(find_line_end(c.text, c.from), c.at) << c.text;
    if (c.at < c.text.size()) {
      EXPECT_EQ(line_end_spelling(c.text, c.at), c.spelling) << c.text;
    }
  }
}

}  // namespace
}  // namespace engine
