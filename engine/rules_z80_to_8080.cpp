// The Z80 -> 8080 chain. Rows in chain order: number, pattern, action.
//
// Patterns are matched against the lower-cased code field; the code field starts
// with its separators (tabs, commas, spaces), so "^[\t, ]{1,}ld" means "the first
// word is ld...". Steps search and replace in any case and insert lower case.
//
// Where our chain departs from the plain rule text, on purpose:
// - A mnemonic is a whole word: patterns that would end in "[\t, ]{0,}" end in
//   "([\t, ]|$)", and so do those of rules 31-34 ("subttl" is no "sub").
// - Only the instruction's own mnemonic is rewritten (rules 26, 27, 29, 38-41,
//   43-45, 47, 61, 63 touch the first occurrence, which is the mnemonic); rule 47
//   and rule 53 are anchored whole words.
// - Rules 27, 61 and 63 accept any number of separators after the mnemonic.
// - Rule 63 with no condition decides nothing and leaves "ret" in place.
// - Rules 71 and 77 accept any run of tabs and spaces after the mnemonic.
// - Rule 67 turns a restart to one of the eight restart addresses into the 8080
//   "rst n" (row 89 takes the same with several blanks after "rst").
// - Rows 84-89 come after the end of the chain, so they only take lines that
//   would otherwise be marked for want of a rule: directives both notations
//   share, defb/defm/defw/defs, halt, and restarts.
#include <array>
#include <vector>

#include "engine/rules.hpp"
#include "engine/regex.hpp"
#include "engine/steps.hpp"

namespace engine {
namespace {

constexpr std::u16string_view kDb = uR"(^[\t, ]{1,}db[\t, ]{1,})";
constexpr std::u16string_view kDw = uR"(^[\t, ]{1,}dw[\t, ]{1,})";
constexpr std::u16string_view kDs = uR"(^[\t, ]{1,}ds[\t, ]{1,})";

// Everything in front of the first occurrence of mnemonic: the leading separators.
std::u16string lead_in(const std::u16string& code, std::u16string_view mnemonic) {
  return mid_text(code, 1, find_text(code, mnemonic, 1, kAnyCase) - 1);
}

// Rules 5, 6, 19, 20: lead-in of "ld", the new mnemonic and one space, and the
// address between `open` and `close` as typed. What follows the address is dropped.
Action direct_address(std::u16string_view open, std::u16string_view close,
                      std::u16string_view mnemonic) {
  return [=](Code& code) {
    const Pos a = find_text(code.text, open, 1, kAnyCase) + static_cast<Pos>(open.size());
    const Pos b = find_text(code.text, close, a, kAnyCase);
    code.text = lead_in(code.text, u"ld") + std::u16string(mnemonic) + u" " + mid_text(code.text, a, b - a);
    return Verdict::rewrite;
  };
}

// Same as direct_address, for code fields that do not hold "(hl)".
Action direct_address_not_hl(std::u16string_view open, std::u16string_view close,
                             std::u16string_view mnemonic) {
  return [address = direct_address(open, close, mnemonic)](Code& code) {
    return contains(code.text, u"(hl)") ? Verdict::next : address(code);
  };
}

// The source operand of an 8-bit load: what follows the first comma, upper-cased,
// cut to its first character when a blank follows that character.
std::u16string load_operand(const std::u16string& code) {
  std::u16string operand = upper_text(tail_text(code, find_text(code, u",") + 1));
  if (operand.size() > 1 && is_blank(operand[1])) operand.resize(1);
  return operand;
}

bool is_register_letter(std::u16string_view word, bool with_m) {
  return word.size() == 1 && (std::u16string_view(u"ABCDEHL").find(word[0]) != std::u16string_view::npos ||
                              (with_m && word[0] == u'M'));
}

// Rule 18, a store through (hl): "mov m,r" for a register, "mvi m,..." otherwise.
Verdict store_through_hl(Code& code) {
  static const Regex* const second = regex_compile(uR"(ld[\t, ]{1,}\(hl\),[a|b|c|d|e|h|l|])");
  if (!matches(second, code.text)) return Verdict::next;
  code.text = replace_text(code.text, u"(hl)", u"m", kAnyCase);
  const bool reg = is_register_letter(load_operand(code.text), false);
  code.text = replace_text(code.text, u"ld", reg ? u"mov" : u"mvi", kAnyCase, 1, 1);
  return Verdict::rewrite;
}

// Rule 21, the general 8-bit load. Its "(hl)" -> "m" stays for the later rules
// and the marking even when the second test fails.
Verdict general_load(Code& code) {
  code.text = replace_text(code.text, u"(hl)", u"m", kAnyCase);
  code.changed = true;
  static const Regex* const second = regex_compile(uR"(ld[\t, ]{1,}[a|b|c|d|e|h|l|m]\,)");
  if (!matches(second, code.text)) return Verdict::next;
  const std::u16string operand = load_operand(code.text);
  if (is_register_letter(operand, true)) {
    code.text = replace_text(code.text, u"ld", u"mov", kAnyCase, 1, 1);
    return Verdict::rewrite;
  }
  if (operand == u"R" || operand == u"I") return Verdict::mark;
  code.text = replace_text(code.text, u"ld", u"mvi", kAnyCase, 1, 1);
  return Verdict::rewrite;
}

struct Condition {
  std::u16string_view z80, i8080;
};

// The first condition of the table that the text holds, in table order (so "nz"
// is tried before "z", "po" and "pe" before "p"), or nullptr.
const Condition* first_condition(std::u16string_view text, std::span<const Condition> table) {
  for (const auto& c : table) {
    if (contains(text, c.z80)) return &c;
  }
  return nullptr;
}

// Rule 27: "jp cc,target" -> "jcc target". Without a condition, rule 28 decides.
Verdict conditional_jump(Code& code) {
  static constexpr Condition kJumps[] = {{u"nz,", u"jnz "}, {u"z,", u"jz "}, {u"nc,", u"jnc "},
      {u"c,", u"jc "}, {u"po,", u"jpo "}, {u"pe,", u"jpe "}, {u"p,", u"jp "}, {u"m,", u"jm "}};
  const Condition* c = first_condition(code.text, kJumps);
  if (c == nullptr) return Verdict::next;
  code.text = replace_text(code.text, u"jp", u"", kAnyCase, 1, 1);
  code.text = replace_text(code.text, c->z80, c->i8080, kAnyCase, 1, 1);
  return Verdict::rewrite;
}

// Rule 61: "call cc,target" -> "ccc target". Without a condition, rule 62 decides.
Verdict conditional_call(Code& code) {
  static constexpr Condition kCalls[] = {{u"nz,", u"cnz "}, {u"z,", u"cz "}, {u"nc,", u"cnc "},
      {u"c,", u"cc "}, {u"po,", u"cpo "}, {u"pe,", u"cpe "}, {u"p,", u"cp "}, {u"m,", u"cm "}};
  const Condition* c = first_condition(code.text, kCalls);
  if (c == nullptr) return Verdict::next;
  code.text = replace_text(code.text, c->z80, c->i8080, kAnyCase);
  code.text = replace_text(code.text, u"call", u"", kAnyCase, 1, 1);
  return Verdict::rewrite;
}

// Rule 63: "ret cc" -> "rcc". Without a condition the code field goes on as it was.
Verdict conditional_return(Code& code) {
  static constexpr Condition kReturns[] = {{u"nz", u"rnz"}, {u"z", u"rz"}, {u"nc", u"rnc"},
      {u"c", u"rc"}, {u"po", u"rpo"}, {u"pe", u"rpe"}, {u"p", u"rp"}, {u"m", u"rm"}};
  const std::u16string rest = replace_text(code.text, u"ret", u"", kAnyCase, 1, 1);
  const Condition* c = first_condition(rest, kReturns);
  if (c == nullptr) return Verdict::next;
  code.text = replace_text(rest, c->z80, c->i8080, kAnyCase);
  return Verdict::rewrite;
}

// The operand word of the register operand test: the text from the first
// occurrence of mnemonic + 3 (also for two-letter mnemonics), upper-cased, past
// its leading blanks. Word variant: up to the next blank. Whole variant: all of
// it, without tabs, trimmed of spaces.
enum class Operand { word, whole };

bool has_register_operand(const std::u16string& code, std::u16string_view mnemonic, Operand variant) {
  std::u16string rest = upper_text(tail_text(code, find_text(code, mnemonic, 1, kAnyCase) + 3));
  const auto start = rest.find_first_not_of(u"\t ");
  rest.erase(0, start == std::u16string::npos ? rest.size() : start);
  if (variant == Operand::word) {
    rest.resize(std::min(rest.size(), rest.find_first_of(u"\t ")));
  } else {
    rest = trim_blanks(replace_text(rest, u"\t", u""));
  }
  return is_register_letter(rest, true);
}

// Rules 31-34: "op a,r" -> "op r", "op a,n" -> "opi n"; sub keeps a written "a,".
Action arithmetic(std::u16string mnemonic, std::u16string immediate, std::u16string reg = {},
                  bool drop_accumulator = true) {
  return [=](Code& code) {
    if (contains(code.text, u"(hl)")) code.text = replace_text(code.text, u"(hl)", u"m", kAnyCase);
    if (drop_accumulator && contains(code.text, u"a,")) code.text = replace_text(code.text, u"a,", u"", kAnyCase);
    if (!has_register_operand(code.text, mnemonic, Operand::word)) {
      code.text = replace_text(code.text, mnemonic, immediate, kAnyCase, 1, 1);
    } else if (!reg.empty()) {
      code.text = replace_text(code.text, mnemonic, reg, kAnyCase, 1, 1);
    }
    return Verdict::rewrite;
  };
}

// Rules 51-53 and 58: logic and compare, register or immediate mnemonic.
Action logic(std::u16string mnemonic, Operand variant, std::u16string reg, std::u16string immediate) {
  return [=](Code& code) {
    code.text = replace_text(code.text, u"(hl)", u"m", kAnyCase);
    const bool is_reg = has_register_operand(code.text, mnemonic, variant);
    code.text = replace_text(code.text, mnemonic, is_reg ? reg : immediate, kAnyCase, 1, 1);
    return Verdict::rewrite;
  };
}

// Rule 47: the rotate of the accumulator at the start of the code field.
Verdict rotate_accumulator(Code& code) {
  static constexpr std::array<Condition, 4> kRotates = {
      {{u"rlca", u"rlc"}, {u"rrca", u"rrc"}, {u"rla", u"ral"}, {u"rra", u"rar"}}};
  for (const auto& r : kRotates) {
    if (find_text(code.text, r.z80, code.mnemonic, kAnyCase) == code.mnemonic) {
      code.text = replace_text(code.text, r.z80, r.i8080, kAnyCase, code.mnemonic, 1);
      return Verdict::rewrite;
    }
  }
  return Verdict::next;
}

// Register pairs to the 8080's letters: "bc" -> "b", "de" -> "d", "hl" -> "h".
Step pair_letters() {
  return [](Code& code) {
    code.text = replace_text(code.text, u"bc", u"b", kAnyCase);
    code.text = replace_text(code.text, u"de", u"d", kAnyCase);
    code.text = replace_text(code.text, u"hl", u"h", kAnyCase);
  };
}

// The restart number of a Z80 restart address: 0, 8, 10h ... 38h (any case,
// leading zeros allowed) or 16 ... 56 in decimal. -1 for anything else.
int restart_number(std::u16string_view operand) {
  const bool hex = !operand.empty() && (operand.back() == u'h' || operand.back() == u'H');
  if (hex) operand.remove_suffix(1);
  if (operand.empty()) return -1;
  int value = 0;
  for (char16_t c : operand) {
    int digit = -1;
    if (c >= u'0' && c <= u'9') digit = c - u'0';
    if (hex && c >= u'a' && c <= u'f') digit = c - u'a' + 10;
    if (hex && c >= u'A' && c <= u'F') digit = c - u'A' + 10;
    if (digit < 0) return -1;
    value = value * (hex ? 16 : 10) + digit;
    if (value > 56) return -1;
  }
  return value % 8 == 0 ? value / 8 : -1;
}

// Rule 67 and row 89: "rst 38h" -> "rst 7" when the code field is just the
// restart, with blanks after the mnemonic; every other restart is marked.
Verdict restart(Code& code) {
  const std::u16string& t = code.text;
  std::size_t i = t.find_first_not_of(u"\t, ");
  if (i == std::u16string::npos || find_text(t, u"rst", static_cast<Pos>(i) + 1, kAnyCase) != static_cast<Pos>(i) + 1) {
    return Verdict::mark;
  }
  i += 3;
  const std::size_t start = t.find_first_not_of(u"\t ", i);
  if (start == i || start == std::u16string::npos) return Verdict::mark;
  const std::size_t end = t.find_last_not_of(u"\t ") + 1;
  const int n = restart_number(std::u16string_view(t).substr(start, end - start));
  if (n < 0) return Verdict::mark;
  code.text.replace(start, end - start, 1, static_cast<char16_t>(u'0' + n));
  return Verdict::rewrite;
}

}  // namespace

bool is_data_line_z80(std::string_view lowered) {
  static const Regex* const data[] = {regex_compile(kDb), regex_compile(kDw), regex_compile(kDs)};
  for (const Regex* re : data) {
    if (re != nullptr && regex_find(*re, lowered) != kNoMatch) return true;
  }
  return false;
}

std::span<const Rule> rules_z80_to_8080() {
  static const std::vector<Rule> rules = {
      // Data directives
      {1, kDb, pass_through()},
      {2, kDw, pass_through()},
      {3, kDs, pass_through()},
      // 16-bit loads
      {4, uR"(^[\t, ]{1,}ld[\t, ]{1,}sp,hl)",
       [](Code& c) { c.text = lead_in(c.text, u"ld") + u"sphl"; return Verdict::rewrite; }},
      {5, uR"(^[\t, ]{1,}ld[\t, ]{1,}\(.*?\),hl)", direct_address(u"(", u"),hl", u"shld")},
      {6, uR"(^[\t, ]{1,}ld[\t, ]{1,}hl,\(.*?\))", direct_address(u"hl,(", u")", u"lhld")},
      {7, uR"(^[\t, ]{1,}ld[\t, ]{1,}sp,\()", mark()},
      {8, uR"(^[\t, ]{1,}ld[\t, ]{1,}sp,)", rewrite(replace_first(u"ld", u"lxi"))},
      {9, uR"(^[\t, ]{1,}ld[\t, ]{1,}bc,\()", mark()},
      {10, uR"(^[\t, ]{1,}ld[\t, ]{1,}bc,)", rewrite(replace_first(u"ld", u"lxi"), replace_first(u"bc", u"b"))},
      {11, uR"(^[\t, ]{1,}ld[\t, ]{1,}de,\()", mark()},
      {12, uR"(^[\t, ]{1,}ld[\t, ]{1,}de,)", rewrite(replace_first(u"ld", u"lxi"), replace_first(u"de", u"d"))},
      {13, uR"(^[\t, ]{1,}ld[\t, ]{1,}hl,)", rewrite(replace_first(u"ld", u"lxi"), replace_first(u"hl", u"h"))},
      // Loads through (bc), (de), (hl) and direct addresses
      {14, uR"(^[\t, ]{1,}ld[\t, ]{1,}\(bc\),a)", rewrite(replace_first(u"ld", u"stax"), replace_first(u"(bc),a", u"b"))},
      {15, uR"(^[\t, ]{1,}ld[\t, ]{1,}\(de\),a)", rewrite(replace_first(u"ld", u"stax"), replace_first(u"(de),a", u"d"))},
      {16, uR"(^[\t, ]{1,}ld[\t, ]{1,}a\,[\t, ]{0,}\(bc\))",
       rewrite(replace_first(u"ld", u"ldax"), replace_first(u"a,", u""), replace_first(u"(bc)", u"b"))},
      {17, uR"(^[\t, ]{1,}ld[\t, ]{1,}a\,[\t, ]{0,}\(de\))",
       rewrite(replace_first(u"ld", u"ldax"), replace_first(u"a,", u""), replace_first(u"(de)", u"d"))},
      {18, uR"(^[\t, ]{1,}ld[\t, ]{1,})", store_through_hl},
      {19, uR"(^[\t, ]{1,}ld[\t, ]{1,}a,\(.*?\))", direct_address_not_hl(u"a,(", u")", u"lda")},
      {20, uR"(^[\t, ]{1,}ld[\t, ]{1,}\(.*?\),a)", direct_address_not_hl(u"(", u"),a", u"sta")},
      {21, uR"(^[\t, ]{1,}ld[\t, ]{1,})", general_load},
      // Exchanges
      {22, uR"(^[\t, ]{1,}ex[\t, ]{1,}de,hl)",
       [](Code& c) {
         c.text = lead_in(c.text, u"ex") + u"xchg" + tail_text(c.text, find_text(c.text, u"hl", 1, kAnyCase) + 2);
         return Verdict::rewrite;
       }},
      {23, uR"(^[\t, ]{1,}ex[\t, ]{1,}\(sp\),hl)",
       [](Code& c) { c.text = lead_in(c.text, u"ex") + u"xthl"; return Verdict::rewrite; }},
      {24, uR"(^[\t, ]{1,}ex[\t, ]{1,}af,af')", mark()},
      {25, uR"(^[\t, ]{1,}exx([\t, ]|$))", mark()},
      // Absolute jumps
      {26, uR"(^[\t, ]{1,}jp[\t, ]{1,}\(hl\))", rewrite(replace_first(u"jp", u"pchl"), replace_every(u"(hl)", u""))},
      {27, uR"(^[\t, ]{1,}jp[\t, ]{1,}[nz|z|nc|c|po|pe|p|m])", conditional_jump},
      {28, uR"(^[\t, ]{1,}jp[\t, ]{1,})", rewrite(replace_first(u"jp", u"jmp"))},
      // 16-bit and 8-bit arithmetic
      {29, uR"(^[\t, ]{1,}add[\t, ]{1,}hl,(bc|de|hl|sp))",
       rewrite(replace_first(u"add", u"dad"), replace_every(u"hl,", u""), pair_letters())},
      {30, uR"(^[\t, ]{1,}(adc|sbc)[\t, ]{1,}hl,(bc|de|hl|sp))", mark()},
      {31, uR"(^[\t, ]{1,}adc([\t, ]|$))", arithmetic(u"adc", u"aci")},
      {32, uR"(^[\t, ]{1,}add([\t, ]|$))", arithmetic(u"add", u"adi")},
      {33, uR"(^[\t, ]{1,}sub([\t, ]|$))", arithmetic(u"sub", u"sui", {}, false)},
      {34, uR"(^[\t, ]{1,}sbc([\t, ]|$))", arithmetic(u"sbc", u"sbi", u"sbb")},
      // Control, increments and decrements
      {35, uR"(^[\t, ]{1,}di([\t, ]|$))", pass_through()},
      {36, uR"(^[\t, ]{1,}ei([\t, ]|$))", pass_through()},
      {37, uR"(^[\t, ]{1,}nop([\t, ]|$))", pass_through()},
      {38, uR"(^[\t, ]{1,}inc[\t, ]{1,}(bc|de|hl|sp))",
       rewrite(replace_first(u"inc", u"inx"), pair_letters(), replace_every(u"sp", u"sp"))},
      {39, uR"(^[\t, ]{1,}dec[\t, ]{1,}(bc|de|hl|sp))",
       rewrite(replace_first(u"dec", u"dcx"), pair_letters(), replace_every(u"sp", u"sp"))},
      {40, uR"(^[\t, ]{1,}inc[\t, ]{1,}(a|b|c|d|e|h|l|\(hl\)))",
       rewrite(replace_first(u"inc", u"inr"), replace_every(u"(hl)", u"m"))},
      {41, uR"(^[\t, ]{1,}dec[\t, ]{1,}(a|b|c|d|e|h|l|\(hl\)))",
       rewrite(replace_first(u"dec", u"dcr"), replace_every(u"(hl)", u"m"))},
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
      {59, uR"(^[\t, ]{1,}jr[\t, ]{1,})", mark()},
      {60, uR"(^[\t, ]{1,}djnz[\t, ]{1,})", mark()},
      // Calls, returns and restarts
      {61, uR"(^[\t, ]{1,}call[\t, ]{1,}[nz|z|nc|c|po|pe|p|m])", conditional_call},
      {62, uR"(^[\t, ]{1,}call[\t, ]{1,})", pass_through()},
      {63, uR"(^[\t, ]{1,}ret[\t, ]{1,}[nz|z|nc|c|po|pe|p|m])", conditional_return},
      {64, uR"(^[\t, ]{1,}reti([\t, ]|$))", mark()},
      {65, uR"(^[\t, ]{1,}retn([\t, ]|$))", mark()},
      {66, uR"(^[\t, ]{1,}ret([\t, ]|$))", pass_through()},
      {67, uR"(rst[\t, ]{1}[0-9a-fA-F]+h*)", restart},
      // Stack
      {68, uR"(^[\t, ]{1,}push[\t, ]{1,}[bc|de|hl|af])",
       rewrite(pair_letters(), replace_every(u"af", u"psw"))},
      {69, uR"(^[\t, ]{1,}pop[\t, ]{1,}[bc|de|hl|af])",
       rewrite(pair_letters(), replace_every(u"af", u"psw"))},
      // Ports
      {70, uR"(^[\t, ]{1,}in[id]r*)", mark()},
      {71, uR"(^[\t, ]{1,}in[\t ]{1,}(a|b|c|d|e|h|l)\x2C\(c\))", mark()},
      {72, uR"(^[\t, ]{1,}in[\t, ]{0,}a\,\()", rewrite(replace_every(u"a,(", u""), replace_every(u")", u""))},
      {73, uR"(^[\t, ]{1,}outi([\t, ]|$))", mark()},
      {74, uR"(^[\t, ]{1,}otir([\t, ]|$))", mark()},
      {75, uR"(^[\t, ]{1,}outd([\t, ]|$))", mark()},
      {76, uR"(^[\t, ]{1,}otdr([\t, ]|$))", mark()},
      {77, uR"(^[\t, ]{1,}out[\t ]{1,}\(c\)\x2C(a|b|c|d|e|h|l))", mark()},
      {78, uR"(^[\t, ]{1,}out[\t, ]{1,}\(.*?\)\,a)", rewrite(replace_every(u"),a", u""), replace_every(u"(", u""))},
      // Block transfers, bits and shifts
      {79, uR"(^[\t, ]{1,}ld[id]r*)", mark()},
      {80, uR"((bit|set|res) [0-7]\x2C(a|b|c|d|e|h|l|\(hl\)))", mark()},
      {81, uR"(^[\t, ]{1,}sla([\t, ]|$))", mark()},
      {82, uR"(^[\t, ]{1,}sra([\t, ]|$))", mark()},
      {83, uR"(^[\t, ]{1,}srl([\t, ]|$))", mark()},
      // After the end of the chain: what would otherwise be marked for want of a rule
      {84, uR"(^[\t, ]{1,}(org|end|equ|defl|if|ifdef|ifndef|else|endif|cond|endc|macro|endm|rept|irp|irpc|exitm|local|public|extrn|ext|global|entry|name|title|subttl|page|eject|list|nolist|include|maclib|aseg|cseg|dseg|\.z80|\.8080|\.phase|\.dephase)([\t, ]|$))",
       pass_through()},
      {85, uR"(^[\t, ]{1,}(defb|defm)([\t, ]|$))", [](Code& c) { c.text.replace(c.mnemonic - 1, 4, u"db"); return Verdict::rewrite; }},
      {86, uR"(^[\t, ]{1,}defw([\t, ]|$))", rewrite(replace_first(u"defw", u"dw"))},
      {87, uR"(^[\t, ]{1,}defs([\t, ]|$))", rewrite(replace_first(u"defs", u"ds"))},
      {88, uR"(^[\t, ]{1,}halt([\t, ]|$))", rewrite(replace_first(u"halt", u"hlt"))},
      {89, uR"(^[\t, ]{1,}rst[\t ]{1,})", restart},
  };
  return rules;
}

}  // namespace engine
