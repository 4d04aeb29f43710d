// The reason given for each kind of marked line: statement -> reason code.
#include "engine/mark_reason.hpp"

#include <gtest/gtest.h>

#include <string>

namespace engine {
namespace {

std::string_view code_for(Direction d, std::u16string_view line) {
  const Translation t = d == Direction::z80_to_8080 ? translate_z80_to_8080(line) : translate_8080_to_z80(line);
  return mark_reason(d, t.outcome, line.substr(t.source_begin, t.source_end - t.source_begin)).code;
}

TEST(MarkReason, EveryMarkingRuleHasItsReason) {
  const struct {
    std::u16string_view line;
    std::string_view code;
  } kZ80[] = {
      {u"\tld\ta,b", ""},                                 // converted: no reason
      {u"\tex\taf,af'", "second-register-set"},          // rule 24
      {u"\texx", "second-register-set"},                 // 25
      {u"\tsbc\thl,de", "16-bit-carry"},                 // 30
      {u"\tneg", "negate"},                              // 46
      {u"\trld", "digit-rotate"},                        // 48
      {u"\trrd", "digit-rotate"},                        // 49
      {u"\trl\tb", "register-rotate"},                   // 50
      {u"\tcpir", "block-compare"},                      // 54-57
      {u"\tjr\tnz,loop", "relative-jump"},               // 59
      {u"\tdjnz\tloop", "decrement-jump"},               // 60
      {u"\treti", "interrupt-return"},                   // 64
      {u"\tretn", "interrupt-return"},                   // 65
      {u"\tinir", "block-io"},                           // 70
      {u"\tin\tb,(c)", "port-in-c"},                     // 71
      {u"\totir", "block-io"},                           // 73-76
      {u"\tout\t(c),a", "port-in-c"},                    // 77
      {u"\tldir", "block-load"},                         // 79
      {u"\tbit\t7,a", "bit-instruction"},                // 80
      {u"\tsrl\ta", "shift"},                            // 81-83
      {u"\tld\ta,(ix+1)", "index-register"},
      {u"\tld\ta,i", "load-form"},                       // a load rule that marks some forms
      {u"\tim\t1", "interrupt-mode"},
      {u"\tPRINT\tmsg", "macro-call"},                   // no rule
      {u"x:\tld\ta,b ! exx", "second-register-set"},    // the first marked statement of several
  };
  for (const auto& c : kZ80) EXPECT_EQ(code_for(Direction::z80_to_8080, c.line), c.code) << std::string(c.line.begin(), c.line.end());
  EXPECT_EQ(code_for(Direction::i8080_to_z80, u"\tPRINT\tmsg"), "macro-call");
  EXPECT_EQ(code_for(Direction::i8080_to_z80, u"\tmov\ta,b"), "");
  EXPECT_EQ(code_for(Direction::z80_to_8080, u"\tld\ta,m"), "register-name");
  EXPECT_EQ(code_for(Direction::i8080_to_z80, u"\tmvi\ta,r"), "register-name");
  const std::u16string long_line = u"\tld\ta," + std::u16string(kLongestStatement + 1, u'1');
  EXPECT_EQ(code_for(Direction::z80_to_8080, long_line), "too-long");
}

}  // namespace
}  // namespace engine
