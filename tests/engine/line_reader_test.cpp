#include "engine/line_reader.hpp"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace engine
