#include "engine/mark_reason.hpp"

#include <algorithm>

#include "engine/notation_detect.hpp"
#include "engine/source_line.hpp"

namespace engine {
namespace {

// Z80 -> 8080: each marking rule's reason, by rule number.
struct RuleReason {
  int first, last;  // rule numbers
  MarkReason reason;
};
constexpr RuleReason kRuleReasons[] = {
    {24, 25, {"second-register-set", "exx, ex af,af': no second register set on the 8080"}},
    {30, 30, {"16-bit-carry", "adc hl / sbc hl: the 8080 adds register pairs only without carry and cannot subtract them"}},
    {46, 46, {"negate", "neg: the 8080 has no negate (cma then inr a does it)"}},
    {48, 49, {"digit-rotate", "rld / rrd: the 8080 has no digit rotates"}},
    {50, 50, {"register-rotate", "rlc / rl / rrc / rr of a register: the 8080 rotates only the accumulator"}},
    {54, 57, {"block-compare", "cpi / cpir / cpd / cpdr: block compares do not exist on the 8080"}},
    {59, 59, {"relative-jump", "jr: relative jump; the 8080 has none (the Convert menu or --jr-as-jump can make it an absolute jump)"}},
    {60, 60, {"decrement-jump", "djnz: decrement and relative jump; the 8080 has neither"}},
    {64, 65, {"interrupt-return", "reti / retn: the 8080 has no interrupt returns"}},
    {70, 70, {"block-io", "ini / inir / ind / indr: block input does not exist on the 8080"}},
    {71, 71, {"port-in-c", "in r,(c): the 8080 reads a port only by a constant number, into a"}},
    {73, 76, {"block-io", "outi / otir / outd / otdr: block output does not exist on the 8080"}},
    {77, 77, {"port-in-c", "out (c),r: the 8080 writes a port only by a constant number, from a"}},
    {79, 79, {"block-load", "ldi / ldir / ldd / lddr: block loads do not exist on the 8080"}},
    {80, 80, {"bit-instruction", "bit / set / res: the 8080 has no single-bit instructions"}},
    {81, 83, {"shift", "sla / sra / srl: the 8080 has no shifts"}},
};

// Z80 -> 8080: rules that mark some of the forms they see, by the first word.
struct WordReason {
  std::u16string_view word;
  MarkReason reason;
};
constexpr WordReason kWordReasons[] = {
    {u"ld", {"load-form", "ld: this load has no 8080 form (the i or r register, or a pair other than hl to or from memory)"}},
    {u"jr", {"relative-jump", "jr: relative jump; the 8080 has none (the Convert menu or --jr-as-jump can make it an absolute jump)"}},
    {u"jp", {"jump-form", "jp: this jump has no 8080 form"}},
    {u"call", {"call-form", "call: this call has no 8080 form"}},
    {u"ret", {"return-form", "ret: this return has no 8080 form"}},
    {u"rst", {"restart-form", "rst: the 8080 restarts only at 0, 8, ... 38h"}},
    {u"out", {"port-form", "out: this port output has no 8080 form"}},
    {u"in", {"port-form", "in: this port input has no 8080 form"}},
};

constexpr WordReason kNoRuleWords[] = {
    {u"im", {"interrupt-mode", "im: the 8080 has a single interrupt mode"}},
    {u"bit", {"bit-instruction", "bit / set / res: the 8080 has no single-bit instructions"}},
    {u"set", {"bit-instruction", "bit / set / res: the 8080 has no single-bit instructions"}},
    {u"res", {"bit-instruction", "bit / set / res: the 8080 has no single-bit instructions"}},
    {u"sla", {"shift", "sla / sra / srl: the 8080 has no shifts"}},
    {u"sra", {"shift", "sla / sra / srl: the 8080 has no shifts"}},
    {u"srl", {"shift", "sla / sra / srl: the 8080 has no shifts"}},
};

// A word the source notation knows as an instruction (then a marked line is
// a form of it with no equivalent, not a macro).
bool is_mnemonic(Direction direction, std::u16string_view word) {
  NotationCount count;
  std::u16string line = u"\t";
  line += word;
  count.add_line(line);
  return direction == Direction::z80_to_8080 ? count.z80 > 0 : count.i8080 > 0;
}

constexpr MarkReason kIndex = {"index-register", "(ix+d): index registers do not exist on the 8080"};
constexpr MarkReason kTooLong = {"too-long", "statement too long"};
constexpr MarkReason kRegisterNameZ80 = {
    "register-name", "a name the 8080 reads as a register (m, psw): rename it in the source"};
constexpr MarkReason kRegisterName8080 = {
    "register-name", "a name the Z80 reads as a register (bc, de, hl, af, ix, iy, i, r): rename it in the source"};
constexpr MarkReason kMacro = {"macro-call", "macro call: the engine cannot know what it expands to"};
constexpr MarkReason kOtherForm = {"no-equivalent", "this form has no equivalent in the other notation"};

bool same_word(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) {
           return (x >= u'A' && x <= u'Z' ? x + 32 : x) == y;
         });
}

// The first statement of the code field that the outcome marks.
std::u16string_view marked_statement(const Outcome& outcome, std::u16string_view statements, const Outcome*& which) {
  which = &outcome;
  if (outcome.decision != Decision::statements) return statements;
  std::size_t from = 0;
  for (const Outcome& o : outcome.statements) {
    const std::size_t bang = next_statement_break(statements, from);
    const std::u16string_view one = statements.substr(from, bang == std::u16string_view::npos ? bang : bang - from);
    if (is_not_convertible(o)) {
      which = &o;
      return one;
    }
    if (bang == std::u16string_view::npos) break;
    from = bang + 1;
  }
  return statements;
}

}  // namespace

MarkReason mark_reason(Direction direction, const Outcome& outcome, std::u16string_view statements) {
  if (!is_not_convertible(outcome)) return {};
  const Outcome* o = nullptr;
  const std::u16string_view statement = marked_statement(outcome, statements, o);
  const std::u16string_view word = first_word(statement);
  switch (o->decision) {
    case Decision::index_register: return kIndex;
    case Decision::register_name: return direction == Direction::z80_to_8080 ? kRegisterNameZ80 : kRegisterName8080;
    case Decision::too_long: return kTooLong;
    case Decision::no_rule:
      // A mnemonic of the source notation in a form no rule knows, or a word
      // that is none: a macro.
      if (direction == Direction::z80_to_8080) {
        for (const WordReason& w : kNoRuleWords) {
          if (same_word(word, w.word)) return w.reason;
        }
      }
      if (is_mnemonic(direction, word)) return kOtherForm;
      return kMacro;
    case Decision::marked:
      if (direction == Direction::z80_to_8080) {
        for (const RuleReason& r : kRuleReasons) {
          if (o->rule >= r.first && o->rule <= r.last) return r.reason;
        }
        for (const WordReason& w : kWordReasons) {
          if (same_word(word, w.word)) return w.reason;
        }
      }
      return kOtherForm;
    default: return kOtherForm;
  }
}

}  // namespace engine
