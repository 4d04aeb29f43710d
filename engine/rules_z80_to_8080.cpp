// The Z80 -> 8080 chain. Rows in chain order: number, pattern, action.
//
// Patterns are matched against the lower-cased code field; the code field starts
// with its separators (tabs, commas, spaces), so "^[\t, ]{1,}ld" means "the first
// word is ld...". Before the chain the pipeline has removed the blanks on both
// sides of every comma outside quotes (not on data lines), so operands stand
// right after their commas. Steps search and replace in any case and insert
// lower case.
//
// What the rows and their actions do beyond what the patterns show:
// - A mnemonic is a whole word: patterns that would end in "[\t, ]{0,}" end in
//   "([\t, ]|$)", and so do those of rules 31-34 ("subttl" is no "sub").
// - A register operand is a whole word too: rules 4, 14-17, 22, 23, 26, 29,
//   38-41 end in "([\t, ]|$)", and rules 68 and 69 take exactly a pair of either
//   notation (bc, de, hl, af or b, d, h, psw).
//   No rule drops or splits a name ("ld sp,hl_top" is a 16-bit load).
// - A memory operand is an operand wholly enclosed in one pair of parentheses
//   (steps.hpp): rules 5-7, 9, 11, 19-21, 72 and 78 read their operands so,
//   and "ld hl,(top-bot)/2" is the immediate load it is. The address goes out
//   as typed inside the parentheses, without the blanks there.
// - The accumulator may be written out on the one-operand arithmetic and logic
//   instructions: "sub a,x", "and a,x" ... "cp a,x" read as "sub x" ... "cp x".
// - Only the instruction's own mnemonic is rewritten (rules 26, 27, 29, 38-41,
//   43-45, 47, 61, 63 touch the mnemonic, not a name that holds its letters).
// - Rules 27, 61 and 63 read the condition as the first operand and accept any
//   number of separators after the mnemonic; without a condition, rule 63
//   decides nothing and leaves "ret" in place.
// - Rules 71 and 77 accept any run of tabs and spaces after the mnemonic.
// - Rule 67 takes every restart: a number in any spelling that names one of
//   the eight restart addresses becomes the 8080 "rst n"; a name or an
//   expression becomes "rst x/8" or "rst (x)/8"; any other number is marked.
//   Rule 80 is anchored, like every other rule, so text in a data string is
//   never taken for an instruction.
// - Rule 59 rewrites a relative jump as the absolute one when the user asks
//   for it (Options::jr_as_jump); a target relative to "$" stays marked.
// - Rule 21 marks a load of a register from memory other than (hl): the 8080
//   has none ("ld b,(x)" is no immediate load).
// - Rows 84-90 come after the end of the chain, so they only take lines that
//   would otherwise be marked for want of a rule: directives both notations
//   share, defb/defm/defw/defs, halt, and the processor switch ".z80".
// - A pattern such as "[nz|z|nc|c|po|pe|p|m]" is a character class: it tests one
//   character (one of "nzcpoem|"), so the action makes the real test of the
//   operand.
#include <array>
#include <vector>

#include "engine/dialect.hpp"
#include "engine/pattern_text.hpp"
#include "engine/regex.hpp"
#include "engine/rules.hpp"
#include "engine/steps.hpp"

namespace engine {
namespace {

// Every "(hl)" that stands on its own (no name character right before or
// after it, not in quotes) becomes the 8080's memory operand "m".
void hl_to_m(Code& code) {
  for (std::size_t at = find_text(code.text, u"(hl)", 0, kAnyCase); at != kNone;
       at = find_text(code.text, u"(hl)", at + 1, kAnyCase)) {
    if ((at > 0 && is_name_char(code.text[at - 1])) || (at + 4 < code.text.size() && is_name_char(code.text[at + 4])) ||
        inside_quotes(code, at)) {
      continue;
    }
    code.text.replace(at, 4, u"m");
  }
}

// With `with_m`, after hl_to_m: "(hl)" is then the 8080's "m", one of its letters.
bool is_register_letter(std::u16string_view word, bool with_m) {
  return is_byte_register(with_m ? Notation::i8080 : Notation::z80, word);
}

// "op a,x" -> "op x": a written-out accumulator before the only real operand
// goes. Returns false when more than one operand is left ("add hl,x" where no
// register pair follows): no 8-bit instruction has that form.
bool drop_accumulator(Code& code) {
  const Operands ops = operands(code);
  if (ops.count == 2 && operand_is(code, ops, 0, u"a")) {
    replace_span(code, {ops.at[0].start, ops.at[1].start}, u"");
    return true;
  }
  return ops.count <= 1;
}

// Rules 5, 6, 19, 20: a load between a register and a direct address: the
// lead-in of "ld", the new mnemonic and one space, and the address. The memory
// operand (0 or 1) must be wholly enclosed and hold no register; the other
// operand must be `reg` exactly. Anything else goes on down the chain.
Action direct_address(int memory, std::u16string_view reg, std::u16string_view mnemonic) {
  return [=](Code& code) {
    const Operands ops = operands(code);
    if (ops.count != 2 || !operand_is(code, ops, 1 - memory, reg)) return Verdict::next;
    const Span address = enclosed(code, ops.at[memory]);
    if (address.size() == 0 || is_register(Notation::z80, text_of(code, address))) return Verdict::next;
    code.text = lead_in(code.text, u"ld") + std::u16string(mnemonic) + u" " + std::u16string(text_of(code, address));
    return Verdict::rewrite;
  };
}

// Rules 7, 9, 11: a 16-bit register the 8080 cannot load from memory; with an
// expression that only starts with "(", the immediate load of the next rule.
Verdict mark_memory_load(Code& code) {
  const Operands ops = operands(code);
  return ops.count == 2 && enclosed(code, ops.at[1]).size() > 0 ? Verdict::mark : Verdict::next;
}

// The source operand of an 8-bit load, without the spaces around it. A view
// of the code field: valid until the field changes.
std::u16string_view load_operand(const Code& code) {
  const Operands ops = operands(code);
  return ops.count < 2 ? std::u16string_view() : trim_spaces(text_of(code, ops.at[1]));
}

// A register letter with more after a blank ("b : inc hl", "b \ inc hl"): a
// second statement in a notation we do not read, or a typing error. Taking the
// register alone would translate half the line.
bool register_and_more(std::u16string_view operand) {
  return operand.size() > 2 && is_blank(operand[1]) && is_register_letter(operand.substr(0, 1), true);
}

bool source_in_memory(const Code& code) {
  const Operands ops = operands(code);
  return ops.count == 2 && enclosed(code, ops.at[1]).size() > 0;
}

// Rule 18, a store through (hl): "mov m,r" for a register, "mvi m,..." otherwise.
Verdict store_through_hl(Code& code) {
  // One character of "abcdehl|" after "(hl),": the operand is read below.
  static const Regex* const second = regex_compile(uR"(ld[\t, ]{1,}\(hl\),[a|b|c|d|e|h|l|])");
  if (!matches(second, code)) return Verdict::next;
  if (source_in_memory(code)) return Verdict::mark;
  hl_to_m(code);
  const std::u16string_view operand = load_operand(code);
  if (register_and_more(operand)) return Verdict::mark;
  const bool reg = is_register_letter(operand, false);
  replace_in_place(code.text, u"ld", reg ? u"mov" : u"mvi", 0, 1);
  return Verdict::rewrite;
}

// Rule 21, the general 8-bit load. Its "(hl)" -> "m" stays for the later rules
// even when the second test fails.
Verdict general_load(Code& code) {
  hl_to_m(code);
  code.changed = true;
  // One character of "abcdehlm|" before the comma: the operand is read below.
  static const Regex* const second = regex_compile(uR"(ld[\t, ]{1,}[a|b|c|d|e|h|l|m]\,)");
  if (!matches(second, code)) return Verdict::next;
  const std::u16string_view operand = load_operand(code);
  if (register_and_more(operand)) return Verdict::mark;
  if (is_register_letter(operand, true)) {
    replace_in_place(code.text, u"ld", u"mov", 0, 1);
    return Verdict::rewrite;
  }
  if (is_word(operand, u"r") || is_word(operand, u"i") || source_in_memory(code)) return Verdict::mark;
  replace_in_place(code.text, u"ld", u"mvi", 0, 1);
  return Verdict::rewrite;
}

// Rules 27 and 61 (and 59 on request): "jp cc,x" -> "jcc x". The mnemonic goes,
// the blanks after it stay (a comma there goes too), and "cc," becomes the 8080
// mnemonic and one space. `prefix` is the 8080 mnemonic's first letter. Without a condition as
// the first operand the rule decides nothing.
Verdict conditional(Code& code, std::u16string_view mnemonic, std::u16string_view prefix,
                    std::span<const std::u16string_view> conditions) {
  const Operands ops = operands(code);
  if (ops.count < 2 || !is_one_of(text_of(code, ops.at[0]), conditions)) return Verdict::next;
  const std::u16string condition = lower_text(text_of(code, ops.at[0]));
  replace_span(code, {ops.at[0].start, ops.at[1].start}, std::u16string(prefix) + condition + u" ");
  const std::size_t at = code.mnemonic;
  code.text.erase(at, mnemonic.size());
  for (std::size_t i = at; i < code.text.size() && is_separator(code.text[i]);) {
    if (code.text[i] == u',') {
      code.text.erase(i, 1);
    } else {
      ++i;
    }
  }
  return Verdict::rewrite;
}

// nz z nc c, the first four condition codes, are those a relative jump takes.
constexpr std::span<const std::u16string_view> kRelativeConditions = std::span(kConditionCodes).first(4);

Verdict conditional_jump(Code& code) { return conditional(code, u"jp", u"j", kConditionCodes); }
Verdict conditional_call(Code& code) { return conditional(code, u"call", u"c", kConditionCodes); }

// Rule 63: "ret cc" -> "rcc". Without a condition the code field goes on as it was.
Verdict conditional_return(Code& code) {
  const Operands ops = operands(code);
  if (ops.count != 1 || !is_condition(text_of(code, ops.at[0]))) return Verdict::next;
  const std::u16string condition = lower_text(text_of(code, ops.at[0]));
  replace_span(code, ops.at[0], u"r" + condition);
  code.text.erase(code.mnemonic, 3);
  return Verdict::rewrite;
}

// Rule 59: a relative jump is marked, or, on request, written as the absolute
// jump it stands for. A target relative to "$" would move by the longer jump.
Verdict relative_jump(Code& code) {
  if (!code.options.jr_as_jump) return Verdict::mark;
  const Operands ops = operands(code);
  if (ops.count == 0 || ops.count > 2 || text_of(code, ops.at[ops.count - 1]).find(u'$') != kNone) {
    return Verdict::mark;
  }
  if (ops.count == 1) {
    code.text.replace(code.mnemonic, 2, u"jmp");
    return Verdict::rewrite;
  }
  return conditional(code, u"jr", u"j", kRelativeConditions) == Verdict::rewrite ? Verdict::rewrite : Verdict::mark;
}

// The operand word of the register operand test: the text from the first
// occurrence of mnemonic + 3 (also for two-letter mnemonics), upper-cased, past
// its leading separators (a comma after the mnemonic, as in "add,a,b", is
// no part of the operand). Word variant: up to the next blank. Whole variant: all of
// it, without tabs, trimmed of spaces.
enum class Operand { word, whole };

bool has_register_operand(std::u16string_view code, std::u16string_view mnemonic, Operand variant) {
  const std::size_t at = find_text(code, mnemonic, 0, kAnyCase);
  if (at == kNone) return false;  // the rule's pattern found the mnemonic: not reached
  std::u16string_view rest = code.substr(std::min(code.size(), at + 3));
  rest.remove_prefix(std::min(rest.size(), rest.find_first_not_of(u"\t, ")));
  if (variant == Operand::word) return is_register_letter(rest.substr(0, rest.find_first_of(u"\t ")), true);
  // Without its tabs and the spaces at its ends: tabs and spaces around the
  // text go either way; a tab inside is taken out.
  const std::size_t first = rest.find_first_not_of(u"\t ");
  if (first == kNone) return is_register_letter({}, true);
  rest = rest.substr(first, rest.find_last_not_of(u"\t ") - first + 1);
  if (rest.find(u'\t') == kNone) return is_register_letter(rest, true);
  std::u16string without_tabs(rest);
  std::erase(without_tabs, u'\t');
  return is_register_letter(without_tabs, true);
}

// Rules 31-34: "op a,r" -> "op r", "op a,n" -> "opi n".
Action arithmetic(std::u16string mnemonic, std::u16string immediate, std::u16string reg = {}) {
  return [=](Code& code) {
    if (!drop_accumulator(code)) return Verdict::mark;
    hl_to_m(code);
    if (!has_register_operand(code.text, mnemonic, Operand::word)) {
      replace_in_place(code.text, mnemonic, immediate, 0, 1);
    } else if (!reg.empty()) {
      replace_in_place(code.text, mnemonic, reg, 0, 1);
    }
    return Verdict::rewrite;
  };
}

// Rules 51-53 and 58: logic and compare, register or immediate mnemonic.
Action logic(std::u16string mnemonic, Operand variant, std::u16string reg, std::u16string immediate) {
  return [=](Code& code) {
    if (!drop_accumulator(code)) return Verdict::mark;
    hl_to_m(code);
    const bool is_reg = has_register_operand(code.text, mnemonic, variant);
    replace_in_place(code.text, mnemonic, is_reg ? reg : immediate, 0, 1);
    return Verdict::rewrite;
  };
}

// Rule 47: the rotate of the accumulator at the start of the code field.
Verdict rotate_accumulator(Code& code) {
  static constexpr std::array<std::pair<std::u16string_view, std::u16string_view>, 4> kRotates = {
      {{u"rlca", u"rlc"}, {u"rrca", u"rrc"}, {u"rla", u"ral"}, {u"rra", u"rar"}}};
  for (const auto& [z80, i8080] : kRotates) {
    if (find_text(code.text, z80, code.mnemonic, kAnyCase) == code.mnemonic) {
      replace_in_place(code.text, z80, i8080, code.mnemonic, 1);
      return Verdict::rewrite;
    }
  }
  return Verdict::next;
}

// Only a statement with exactly `count` operands: the action's steps may then
// rely on the operands the pattern found.
Action exactly(int count, Action action) {
  return [count, action = std::move(action)](Code& code) {
    return operands(code).count == count ? action(code) : Verdict::next;
  };
}

// Rules 29, 38, 39: the register pair (the last operand) becomes the 8080's
// letter; for "add hl,rp" the "hl," goes. The mnemonic is renamed.
Action pair_form(std::u16string from, std::u16string to) {
  static constexpr auto kPairs = renames(kZ80Pairs, k8080Pairs);  // bc -> b ... sp -> sp
  return [=](Code& code) {
    const Operands ops = operands(code);
    const int last = ops.count - 1;
    if (ops.count < 1 || ops.count > 2 || (ops.count == 2 && !operand_is(code, ops, 0, u"hl"))) return Verdict::next;
    for (const auto& [z80, i8080] : kPairs) {
      if (!operand_is(code, ops, last, z80)) continue;
      replace_span(code, {ops.at[0].start, ops.at[last].end}, i8080);
      replace_in_place(code.text, from, to, code.mnemonic, 1);
      return Verdict::rewrite;
    }
    return Verdict::next;
  };
}

// Rules 68 and 69: the operand is a register pair of both processors.
Verdict stack_pair(Code& code) {
  // The 8080's own names ("push b") are already what the 8080 wants.
  const Operands ops = operands(code);
  if (ops.count != 1) return Verdict::next;
  for (std::size_t i = 0; i < std::size(kZ80StackPairs); ++i) {
    if (operand_is(code, ops, 0, k8080StackPairs[i])) return Verdict::rewrite;
    if (operand_is(code, ops, 0, kZ80StackPairs[i])) {
      replace_span(code, ops.at[0], k8080StackPairs[i]);
      return Verdict::rewrite;
    }
  }
  return Verdict::next;
}

// Rules 72 and 78: "in a,(p)" -> "in p", "out (p),a" -> "out p". The port
// operand must be wholly enclosed; the other must be the accumulator.
Action port(int port_operand) {
  return [=](Code& code) {
    const Operands ops = operands(code);
    if (ops.count != 2 || !operand_is(code, ops, 1 - port_operand, u"a")) return Verdict::next;
    const Span inside = enclosed(code, ops.at[port_operand]);
    if (inside.size() == 0) return Verdict::next;
    const std::u16string address(text_of(code, inside));
    replace_span(code, {ops.at[0].start, ops.at[1].end}, address);
    return Verdict::rewrite;
  };
}

// Rule 67: "rst 38h" -> "rst 7" for the eight restart addresses in any number
// spelling; a name or an expression is divided by 8, which is exact because
// both assemblers accept only the eight addresses. Any other number is marked.
Verdict restart(Code& code) {
  const Operands ops = operands(code);
  if (ops.count != 1 || ops.at[0].size() == 0) return Verdict::mark;
  const std::u16string_view operand = text_of(code, ops.at[0]);
  if (const auto value = parse_number(operand)) {
    if (*value > 56 || *value % 8 != 0) return Verdict::mark;
    replace_span(code, ops.at[0], std::u16string(1, static_cast<char16_t>(u'0' + *value / 8)));
    return Verdict::rewrite;
  }
  // Arithmetic only on an operand that holds a name: "rst 38h+1" is no restart.
  if (!holds_name(operand)) return Verdict::mark;
  bool name = true;
  for (char16_t c : operand) name = name && is_name_char(c);
  const std::u16string quotient =
      name ? std::u16string(operand) + u"/8" : u"(" + std::u16string(operand) + u")/8";
  replace_span(code, ops.at[0], quotient);
  return Verdict::rewrite;
}

// Row 84: the directives both notations share, as one alternation.
std::u16string shared_directive_pattern() {
  std::u16string words;
  for (const std::u16string_view w : shared_directives()) {
    if (!words.empty()) words += u'|';
    words += w;
  }
  return std::u16string(kLeadingSeparators) + u"(" + words + u")" + std::u16string(kWordEnd);
}

}  // namespace

std::span<const Rule> rules_z80_to_8080() {
  static const std::vector<Rule> rules = {
      // Data directives
      {1, uR"(^[\t, ]{1,}db[\t, ]{1,})", pass_through()},
      {2, uR"(^[\t, ]{1,}dw[\t, ]{1,})", pass_through()},
      {3, uR"(^[\t, ]{1,}ds[\t, ]{1,})", pass_through()},
      // 16-bit loads
      {4, uR"(^[\t, ]{1,}ld[\t, ]{1,}sp,hl([\t, ]|$))",
       exactly(2, [](Code& c) {
         c.text = lead_in(c.text, u"ld") + u"sphl" + tail_text(c.text, find_text(c.text, u"sp,hl", 0, kAnyCase) + 5);
         return Verdict::rewrite;
       })},
      {5, uR"(^[\t, ]{1,}ld[\t, ]{1,}\(.*?\),hl)", direct_address(0, u"hl", u"shld")},
      {6, uR"(^[\t, ]{1,}ld[\t, ]{1,}hl,\(.*?\))", direct_address(1, u"hl", u"lhld")},
      {7, uR"(^[\t, ]{1,}ld[\t, ]{1,}sp,\()", mark_memory_load},
      {8, uR"(^[\t, ]{1,}ld[\t, ]{1,}sp,)", rewrite(replace_first(u"ld", u"lxi"))},
      {9, uR"(^[\t, ]{1,}ld[\t, ]{1,}bc,\()", mark_memory_load},
      {10, uR"(^[\t, ]{1,}ld[\t, ]{1,}bc,)", rewrite(replace_first(u"ld", u"lxi"), replace_first(u"bc", u"b"))},
      {11, uR"(^[\t, ]{1,}ld[\t, ]{1,}de,\()", mark_memory_load},
      {12, uR"(^[\t, ]{1,}ld[\t, ]{1,}de,)", rewrite(replace_first(u"ld", u"lxi"), replace_first(u"de", u"d"))},
      {13, uR"(^[\t, ]{1,}ld[\t, ]{1,}hl,)", rewrite(replace_first(u"ld", u"lxi"), replace_first(u"hl", u"h"))},
      // Loads through (bc), (de), (hl) and direct addresses
      {14, uR"(^[\t, ]{1,}ld[\t, ]{1,}\(bc\),a([\t, ]|$))",
       exactly(2, rewrite(replace_first(u"ld", u"stax"), replace_first(u"(bc),a", u"b")))},
      {15, uR"(^[\t, ]{1,}ld[\t, ]{1,}\(de\),a([\t, ]|$))",
       exactly(2, rewrite(replace_first(u"ld", u"stax"), replace_first(u"(de),a", u"d")))},
      {16, uR"(^[\t, ]{1,}ld[\t, ]{1,}a\,[\t, ]{0,}\(bc\)([\t, ]|$))",
       exactly(2, rewrite(replace_first(u"ld", u"ldax"), replace_first(u"a,", u""), replace_first(u"(bc)", u"b")))},
      {17, uR"(^[\t, ]{1,}ld[\t, ]{1,}a\,[\t, ]{0,}\(de\)([\t, ]|$))",
       exactly(2, rewrite(replace_first(u"ld", u"ldax"), replace_first(u"a,", u""), replace_first(u"(de)", u"d")))},
      {18, uR"(^[\t, ]{1,}ld[\t, ]{1,})", store_through_hl},
      {19, uR"(^[\t, ]{1,}ld[\t, ]{1,}a,\(.*?\))", direct_address(1, u"a", u"lda")},
      {20, uR"(^[\t, ]{1,}ld[\t, ]{1,}\(.*?\),a)", direct_address(0, u"a", u"sta")},
      {21, uR"(^[\t, ]{1,}ld[\t, ]{1,})", general_load},
      // Exchanges
      {22, uR"(^[\t, ]{1,}ex[\t, ]{1,}de,hl([\t, ]|$))",
       exactly(2, [](Code& c) {
         c.text = lead_in(c.text, u"ex") + u"xchg" + tail_text(c.text, find_text(c.text, u"hl", 0, kAnyCase) + 2);
         return Verdict::rewrite;
       })},
      {23, uR"(^[\t, ]{1,}ex[\t, ]{1,}\(sp\),hl([\t, ]|$))",
       exactly(2, [](Code& c) {
         c.text = lead_in(c.text, u"ex") + u"xthl" + tail_text(c.text, find_text(c.text, u"(sp),hl", 0, kAnyCase) + 7);
         return Verdict::rewrite;
       })},
      {24, uR"(^[\t, ]{1,}ex[\t, ]{1,}af,af')", mark()},
      {25, uR"(^[\t, ]{1,}exx([\t, ]|$))", mark()},
      // Absolute jumps
      {26, uR"(^[\t, ]{1,}jp[\t, ]{1,}\(hl\)([\t, ]|$))",
       exactly(1, rewrite(replace_first(u"jp", u"pchl"), replace_every(u"(hl)", u"")))},
      // [nz|z|...|m] tests one character; conditional_jump reads the whole condition.
      {27, uR"(^[\t, ]{1,}jp[\t, ]{1,}[nz|z|nc|c|po|pe|p|m])", conditional_jump},
      {28, uR"(^[\t, ]{1,}jp[\t, ]{1,})", rewrite(replace_first(u"jp", u"jmp"))},
      // 16-bit and 8-bit arithmetic
      {29, uR"(^[\t, ]{1,}add[\t, ]{1,}hl,(bc|de|hl|sp)([\t, ]|$))", pair_form(u"add", u"dad")},
      {30, uR"(^[\t, ]{1,}(adc|sbc)[\t, ]{1,}hl,(bc|de|hl|sp))", mark()},
      {31, uR"(^[\t, ]{1,}adc([\t, ]|$))", arithmetic(u"adc", u"aci")},
      {32, uR"(^[\t, ]{1,}add([\t, ]|$))", arithmetic(u"add", u"adi")},
      {33, uR"(^[\t, ]{1,}sub([\t, ]|$))", arithmetic(u"sub", u"sui")},
      {34, uR"(^[\t, ]{1,}sbc([\t, ]|$))", arithmetic(u"sbc", u"sbi", u"sbb")},
      // Control, increments and decrements
      {35, uR"(^[\t, ]{1,}di([\t, ]|$))", pass_through()},
      {36, uR"(^[\t, ]{1,}ei([\t, ]|$))", pass_through()},
      {37, uR"(^[\t, ]{1,}nop([\t, ]|$))", pass_through()},
      // The pair goes out in lower case ("INC SP" -> "inx sp"), as the 8080 mnemonics are.
      {38, uR"(^[\t, ]{1,}inc[\t, ]{1,}(bc|de|hl|sp)([\t, ]|$))", exactly(1, pair_form(u"inc", u"inx"))},
      {39, uR"(^[\t, ]{1,}dec[\t, ]{1,}(bc|de|hl|sp)([\t, ]|$))", exactly(1, pair_form(u"dec", u"dcx"))},
      {40, uR"(^[\t, ]{1,}inc[\t, ]{1,}(a|b|c|d|e|h|l|\(hl\))([\t, ]|$))",
       exactly(1, rewrite(replace_first(u"inc", u"inr"), replace_every(u"(hl)", u"m")))},
      {41, uR"(^[\t, ]{1,}dec[\t, ]{1,}(a|b|c|d|e|h|l|\(hl\))([\t, ]|$))",
       exactly(1, rewrite(replace_first(u"dec", u"dcr"), replace_every(u"(hl)", u"m")))},
      // Accumulator and flags
      {42, uR"(^[\t, ]{1,}daa([\t, ]|$))", pass_through()},
      {43, uR"(^[\t, ]{1,}cpl([\t, ]|$))", rewrite(replace_first(u"cpl", u"cma"))},
      {44, uR"(^[\t, ]{1,}scf([\t, ]|$))", rewrite(replace_first(u"scf", u"stc"))},
      {45, uR"(^[\t, ]{1,}ccf([\t, ]|$))", rewrite(replace_first(u"ccf", u"cmc"))},
      {46, uR"(^[\t, ]{1,}neg([\t, ]|$))", mark()},
      // Rotates
      {47, uR"(^[\t, ]{1,}(rlca|rrca|rla|rra)([\t, ]|$))", rotate_accumulator},
      {48, uR"(^[\t, ]{1,}rld([\t, ]|$))", mark()},
      {49, uR"(^[\t, ]{1,}rrd([\t, ]|$))", mark()},
      {50, uR"(^[\t, ]{1,}(rlc|rl|rrc|rr)[\t, ]{1,}(a|b|c|d|e|h|l|\(hl\)))", mark()},
      // Logic and compare
      {51, uR"(^[\t, ]{1,}and([\t, ]|$))", logic(u"and", Operand::word, u"ana", u"ani")},
      {52, uR"(^[\t, ]{1,}xor([\t, ]|$))", logic(u"xor", Operand::word, u"xra", u"xri")},
      {53, uR"(^[\t, ]{1,}or([\t, ]|$))", logic(u"or", Operand::word, u"ora", u"ori")},
      {54, uR"(^[\t, ]{1,}cpi([\t, ]|$))", mark()},
      {55, uR"(^[\t, ]{1,}cpir([\t, ]|$))", mark()},
      {56, uR"(^[\t, ]{1,}cpd([\t, ]|$))", mark()},
      {57, uR"(^[\t, ]{1,}cpdr([\t, ]|$))", mark()},
      {58, uR"(^[\t, ]{1,}cp[\t, ]{1,})", logic(u"cp", Operand::whole, u"cmp", u"cpi")},
      // Relative jumps
      {59, uR"(^[\t, ]{1,}jr[\t, ]{1,})", relative_jump},
      {60, uR"(^[\t, ]{1,}djnz[\t, ]{1,})", mark()},
      // Calls, returns and restarts
      // [nz|z|...|m] tests one character; conditional_call and conditional_return read
      // the whole condition.
      {61, uR"(^[\t, ]{1,}call[\t, ]{1,}[nz|z|nc|c|po|pe|p|m])", conditional_call},
      {62, uR"(^[\t, ]{1,}call[\t, ]{1,})", pass_through()},
      {63, uR"(^[\t, ]{1,}ret[\t, ]{1,}[nz|z|nc|c|po|pe|p|m])", conditional_return},
      {64, uR"(^[\t, ]{1,}reti([\t, ]|$))", mark()},
      {65, uR"(^[\t, ]{1,}retn([\t, ]|$))", mark()},
      {66, uR"(^[\t, ]{1,}ret([\t, ]|$))", pass_through()},
      {67, uR"(^[\t, ]{1,}rst([\t, ]|$))", restart},
      // Stack. [bc|de|hl|af] tests one character; stack_pair reads the whole pair.
      {68, uR"(^[\t, ]{1,}push[\t, ]{1,}[bc|de|hl|af])", stack_pair},
      {69, uR"(^[\t, ]{1,}pop[\t, ]{1,}[bc|de|hl|af])", stack_pair},
      // Ports
      {70, uR"(^[\t, ]{1,}in[id]r*)", mark()},
      {71, uR"(^[\t, ]{1,}in[\t ]{1,}(a|b|c|d|e|h|l)\x2C\(c\))", mark()},
      {72, uR"(^[\t, ]{1,}in[\t, ]{0,}a\,\()", port(1)},
      {73, uR"(^[\t, ]{1,}outi([\t, ]|$))", mark()},
      {74, uR"(^[\t, ]{1,}otir([\t, ]|$))", mark()},
      {75, uR"(^[\t, ]{1,}outd([\t, ]|$))", mark()},
      {76, uR"(^[\t, ]{1,}otdr([\t, ]|$))", mark()},
      {77, uR"(^[\t, ]{1,}out[\t ]{1,}\(c\)\x2C(a|b|c|d|e|h|l))", mark()},
      {78, uR"(^[\t, ]{1,}out[\t, ]{1,}\(.*?\)\,a)", port(0)},
      // Block transfers, bits and shifts
      {79, uR"(^[\t, ]{1,}ld[id]r*)", mark()},
      {80, uR"(^[\t, ]{1,}(bit|set|res) [0-7]\x2C(a|b|c|d|e|h|l|\(hl\)))", mark()},
      {81, uR"(^[\t, ]{1,}sla([\t, ]|$))", mark()},
      {82, uR"(^[\t, ]{1,}sra([\t, ]|$))", mark()},
      {83, uR"(^[\t, ]{1,}srl([\t, ]|$))", mark()},
      // After the end of the chain: what would otherwise be marked for want of a rule
      {84, shared_directive_pattern(), pass_through()},
      {85, uR"(^[\t, ]{1,}(defb|defm)([\t, ]|$))", [](Code& c) { c.text.replace(c.mnemonic, 4, u"db"); return Verdict::rewrite; }},
      {86, uR"(^[\t, ]{1,}defw([\t, ]|$))", rewrite(rename(u"defw", u"dw"))},
      {87, uR"(^[\t, ]{1,}defs([\t, ]|$))", rewrite(rename(u"defs", u"ds"))},
      {88, uR"(^[\t, ]{1,}halt([\t, ]|$))", rewrite(rename(u"halt", u"hlt"))},
      // No row 89: rule 67 takes its restarts; the rows keep the numbers --explain shows.
      {90, uR"(^[\t, ]{1,}\.z80([\t, ]|$))", rewrite(rename(u".z80", u".8080"))},
  };
  return rules;
}

}  // namespace engine
