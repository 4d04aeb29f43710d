// The 8080 -> Z80 chain. Rows in chain order: number, pattern, action.
//
// Patterns are matched against the lower-cased code field. Steps are written
// relative to the instruction's own mnemonic, found where the pattern matched
// (for "^" patterns: the first word after the leading separators; for the
// unanchored ones, such as rule 21, the mnemonic inside the match). Only that
// mnemonic is renamed, and register names are rewritten only where an operand
// is the register name (steps.hpp reads the operands). Searches ignore case;
// inserted texts are lower case. Before the chain the pipeline has removed the
// blanks in front of every comma outside quotes (not on data lines).
//
// What the rows and their actions do beyond what the patterns show:
// - A mnemonic is a whole word: patterns that would end in "[\t, ]{0,}" end in
//   "([\t, ]|$)"; rules 78 and 79 are anchored with "^".
// - A register operand is a whole word: "ldax bx", "add mem", "push hx" are no
//   register forms and go on down the chain, which marks them; "mvi d,num"
//   keeps its "num".
// - An unanchored rule does not take a mnemonic that stands inside quotes.
// - An enclosed operand (rules 9, 12, 14, 15, 76, 77) runs from the first to the
//   last operand, so "lhld table + 2" reads "(table + 2)".
// - sbi and sbb name the accumulator: "sbc a,".
// - A parenthesised immediate (of mvi, lxi, cpi, adi and the other immediate
//   instructions) gets "0+" in front, so that it is not read as a memory operand.
// - Rows 80-84 come after the end of the chain, so they only take lines that
//   would otherwise be marked for want of a rule: directives both notations
//   share (and "set"), nop, hlt, "rst n" in any number spelling (a name or an
//   expression is multiplied by 8), and the processor switch ".8080".
// - A pattern such as "[b|d|h|sp]" is a character class: it tests one character
//   (one of "bdhsp|"), so the action makes the real test of the operand.
// - Unanchored patterns (dad, the register forms of rules 21-37, push, pop)
//   still take only the statement's first word: the chain refuses a match whose
//   mnemonic is not the first word of the code field ("xpush b" is a macro call).
#include <array>
#include <vector>

#include "engine/dialect.hpp"
#include "engine/pattern_text.hpp"
#include "engine/rules.hpp"
#include "engine/steps.hpp"

namespace engine {
namespace {

constexpr auto kPairs = renames(k8080Pairs, kZ80Pairs);                 // b -> bc ... sp -> sp
constexpr auto kStackPairs = renames(k8080StackPairs, kZ80StackPairs);  // b -> bc ... psw -> af
constexpr Rename kMemory[] = {{u"m", u"(hl)"}};
constexpr Rename kThroughPairs[] = {{u"b", u"(bc)"}, {u"d", u"(de)"}};

bool is_register_letter(std::u16string_view word) { return is_byte_register(Notation::i8080, word); }

// Operand i, when it is one of the names, becomes that name's Z80 text (with
// `before` in front). Returns whether it was.
bool rename_operand(Code& code, int i, std::span<const Rename> names, std::u16string_view before = {}) {
  const Operands ops = operands(code);
  for (const Rename& r : names) {
    if (operand_is(code, ops, i, r.from)) {
      // A name both notations share ("sp") keeps the case it was typed in.
      if (r.from != r.to || !before.empty()) replace_span(code, ops.at[i], std::u16string(before) + std::u16string(r.to));
      return true;
    }
  }
  return false;
}

// A rule that takes one register pair: the mnemonic renamed and the pair
// written out; any other operand goes on down the chain.
Action pair_form(std::u16string from, std::u16string to, std::span<const Rename> names,
                 std::u16string_view before = {}) {
  return [=](Code& code) {
    const Operands ops = operands(code);
    bool known = false;
    for (const Rename& r : names) known = known || (ops.count == 1 && operand_is(code, ops, 0, r.from));
    if (!known) return Verdict::next;
    rename_operand(code, 0, names, before);
    if (from != to) rename(from, to)(code);
    return Verdict::rewrite;
  };
}

// A register instruction: the mnemonic renamed and "m" written "(hl)". The
// operand must be one register letter.
Action register_form(std::u16string from, std::u16string to) {
  return [=](Code& code) {
    const Operands ops = operands(code);
    if (ops.count != 1 || !is_register_letter(text_of(code, ops.at[0]))) return Verdict::next;
    rename_operand(code, 0, kMemory);
    if (from != to) rename(from, to)(code);
    return Verdict::rewrite;
  };
}

// An unanchored rule takes no mnemonic that stands inside quotes.
Action unquoted(Action action) {
  return [action = std::move(action)](Code& code) {
    return inside_quotes(code, code.match) ? Verdict::next : action(code);
  };
}

// Operand enclosing: the operands, from the first to the last, become
// p + operands + q. Blanks before and after them stay where they were; with no
// operand, p + q go at the end.
Step enclose(std::u16string p, std::u16string q) {
  return [=](Code& code) {
    const Operands ops = operands(code);
    if (ops.count == 0) {
      code.text += p + q;
      return;
    }
    code.text.insert(ops.after, q);
    code.text.insert(ops.at[0].start, p);
  };
}

// "ld a,(x+1)" or "cp (x)" would read as memory; "ld a,0+(x+1)" and "cp 0+(x)"
// are the immediates the 8080 source meant. Operand i is the immediate.
void immediate_not_address(Code& code, int i) {
  const Operands ops = operands(code);
  if (ops.count > i && text_of(code, ops.at[i]).starts_with(u"(")) {
    code.text.insert(ops.at[i].start, u"0+");
  }
}

// Rules 5, 20, 22 ... 32: an immediate instruction renamed; its operand guarded.
Action immediate(std::u16string from, std::u16string to) {
  return [=](Code& code) {
    immediate_not_address(code, 0);
    rename(from, to)(code);
    return Verdict::rewrite;
  };
}

// Rule 6: both operands are register letters; the first "m" is "(hl)".
Verdict move(Code& code) {
  const Operands ops = operands(code);
  if (ops.count != 2 || !is_register_letter(text_of(code, ops.at[0])) || !is_register_letter(text_of(code, ops.at[1]))) {
    return Verdict::next;
  }
  if (!rename_operand(code, 0, kMemory)) rename_operand(code, 1, kMemory);
  rename(u"mov", u"ld")(code);
  return Verdict::rewrite;
}

// Rule 10: mvi r,n.
Verdict move_immediate(Code& code) {
  rename_operand(code, 0, kMemory);
  immediate_not_address(code, 1);
  rename(u"mvi", u"ld")(code);
  return Verdict::rewrite;
}

// Rule 13: lxi rp,nn.
Verdict load_pair(Code& code) {
  if (!rename_operand(code, 0, kPairs)) return Verdict::next;
  immediate_not_address(code, 1);
  rename(u"lxi", u"ld")(code);
  return Verdict::rewrite;
}

// Row 83: "rst 7" -> "rst 38h" for a number from 0 to 7 in any spelling; a name
// or an expression is multiplied by 8. Any other number goes on (and is marked).
Verdict restart_address(Code& code) {
  static constexpr std::u16string_view kAddresses[] = {u"0", u"08h", u"10h", u"18h", u"20h", u"28h", u"30h", u"38h"};
  const Operands ops = operands(code);
  if (ops.count != 1 || ops.at[0].size() == 0) return Verdict::next;
  const std::u16string_view operand = text_of(code, ops.at[0]);
  if (const auto value = parse_number(operand)) {
    if (*value > 7) return Verdict::next;
    replace_span(code, ops.at[0], kAddresses[*value]);
    return Verdict::rewrite;
  }
  if (!holds_name(operand)) return Verdict::next;
  replace_span(code, ops.at[0], u"(" + std::u16string(operand) + u")*8");
  return Verdict::rewrite;
}

// Rules 47-55: a jump target wholly in parentheses ("jmp (next)") loses them:
// in Z80 notation "jp (next)" reads like the indirect "jp (hl)", and some
// assemblers refuse it.
void bare_target(Code& code) {
  const Operands ops = operands(code);
  if (ops.count != 1) return;
  const Span inside = enclosed(code, ops.at[0]);
  if (inside.size() > 0) replace_span(code, ops.at[0], std::u16string(text_of(code, inside)));
}

// Row 80: the directives both notations share, and "set", as one alternation.
std::u16string shared_directive_pattern() {
  std::u16string words;
  for (const std::u16string_view w : shared_directives()) words += std::u16string(w) + u"|";
  words += kSetDirective;
  return std::u16string(kLeadingSeparators) + u"(" + words + u")" + std::u16string(kWordEnd);
}

}  // namespace

std::span<const Rule> rules_8080_to_z80() {
  static const std::vector<Rule> rules = {
      // Data directives
      {1, uR"(^[\t, ]{1,}db[\t, ]{1,})", pass_through()},
      {2, uR"(^[\t, ]{1,}dw[\t, ]{1,})", pass_through()},
      {3, uR"(^[\t, ]{1,}ds[\t, ]{1,})", pass_through()},
      // Compare (before the calls "cm" and "cp" of rules 63 and 64)
      {4, uR"(^[\t, ]{1,}cmp[\t, ]{1,})",
       [](Code& c) { rename_operand(c, 0, kMemory); rename(u"cmp", u"cp")(c); return Verdict::rewrite; }},
      {5, uR"(^[\t, ]{1,}cpi[\t, ]{1,})", immediate(u"cpi", u"cp")},
      // Loads and stores
      // [a|b|...|m] and [b|d] test one character; the actions read the whole operand.
      {6, uR"(^[\t, ]{1,}mov[\t, ]{1,}[a|b|c|d|e|h|l|m],)", move},
      {7, uR"(^[\t, ]{1,}ldax[\t, ]{1,}b([\t, ]|$))", pair_form(u"ldax", u"ld a,", std::span<const Rename>(kThroughPairs, 1))},
      {8, uR"(^[\t, ]{1,}ldax[\t, ]{1,}d([\t, ]|$))", pair_form(u"ldax", u"ld a,", std::span<const Rename>(kThroughPairs + 1, 1))},
      {9, uR"(^[\t, ]{1,}lda[\t, ]{1,})", rewrite(rename(u"lda", u"ld"), enclose(u"a,(", u")"))},
      {10, uR"(^[\t, ]{1,}mvi[\t, ]{1,}[a|b|c|d|e|h|l|m],)", move_immediate},
      {11, uR"(^[\t, ]{1,}stax[\t, ]{1,}[b|d]([\t, ]|$))",
       [](Code& c) {
         static constexpr Rename kStores[] = {{u"b", u"(bc),a"}, {u"d", u"(de),a"}};
         rename_operand(c, 0, kStores);
         rename(u"stax", u"ld")(c);
         return Verdict::rewrite;
       }},
      {12, uR"(^[\t, ]{1,}sta[\t, ]{1,})", rewrite(rename(u"sta", u"ld"), enclose(u"(", u"),a"))},
      // [b|d|h|sp] tests one character; load_pair reads the whole pair.
      {13, uR"(^[\t, ]{1,}lxi[\t, ]{1,}[b|d|h|sp])", load_pair},
      {14, uR"(^[\t, ]{1,}lhld[\t, ]{1,})", rewrite(rename(u"lhld", u"ld"), enclose(u"hl,(", u")"))},
      {15, uR"(^[\t, ]{1,}shld[\t, ]{1,})", rewrite(rename(u"shld", u"ld"), enclose(u"(", u"),hl"))},
      {16, uR"(^[\t, ]{1,}sphl([\t, ]|$))", rewrite(rename(u"sphl", u"ld sp,hl"))},
      // Exchanges
      {17, uR"(^[\t, ]{1,}xchg([\t, ]|$))", rewrite(rename(u"xchg", u"ex de,hl"))},
      {18, uR"(^[\t, ]{1,}xthl([\t, ]|$))", rewrite(rename(u"xthl", u"ex (sp),hl"))},
      // 16-bit addition. [b|d|h|sp] tests one character; pair_form reads the whole pair.
      {19, uR"([\t, ]{1,}dad[\t, ]{1,}[b|d|h|sp])", unquoted(pair_form(u"dad", u"add", kPairs, u"hl,"))},
      // 8-bit arithmetic and logic
      {20, uR"(^[\t, ]{1,}xri[\t, ]{1,})", immediate(u"xri", u"xor")},
      {21, uR"([\t, ]{1,}xra[\t, ]{1,}(a|b|c|d|e|h|l|m))", unquoted(register_form(u"xra", u"xor"))},
      {22, uR"(^[\t, ]{1,}ori[\t, ]{1,})", immediate(u"ori", u"or")},
      {23, uR"([\t, ]{1,}ora[\t, ]{1,}(a|b|c|d|e|h|l|m))", unquoted(register_form(u"ora", u"or"))},
      {24, uR"(^[\t, ]{1,}ani[\t, ]{1,})", immediate(u"ani", u"and")},
      {25, uR"([\t, ]{1,}ana[\t, ]{1,}(a|b|c|d|e|h|l|m))", unquoted(register_form(u"ana", u"and"))},
      {26, uR"(^[\t, ]{1,}adi[\t, ]{1,})", immediate(u"adi", u"add a,")},
      {27, uR"([\t, ]{1,}add[\t, ]{1,}(a|b|c|d|e|h|l|m))", unquoted(register_form(u"add", u"add a,"))},
      {28, uR"(^[\t, ]{1,}aci[\t, ]{1,})", immediate(u"aci", u"adc a,")},
      {29, uR"([\t, ]{1,}adc[\t, ]{1,}(a|b|c|d|e|h|l|m))", unquoted(register_form(u"adc", u"adc a,"))},
      {30, uR"(^[\t, ]{1,}sui[\t, ]{1,})", immediate(u"sui", u"sub")},
      {31, uR"([\t, ]{1,}sub[\t, ]{1,}(a|b|c|d|e|h|l|m))", unquoted(register_form(u"sub", u"sub"))},  // the mnemonic stays as typed
      {32, uR"(^[\t, ]{1,}sbi[\t, ]{1,})", immediate(u"sbi", u"sbc a,")},
      {33, uR"([\t, ]{1,}sbb[\t, ]{1,}(a|b|c|d|e|h|l|m))", unquoted(register_form(u"sbb", u"sbc a,"))},
      // Increments and decrements
      {34, uR"([\t, ]{1,}inr[\t, ]{1,}(a|b|c|d|e|h|l|m))", unquoted(register_form(u"inr", u"inc"))},
      {35, uR"([\t, ]{1,}dcr[\t, ]{1,}(a|b|c|d|e|h|l|m))", unquoted(register_form(u"dcr", u"dec"))},
      // [b|d|h|sp] tests one character; pair_form reads the whole pair.
      {36, uR"([\t, ]{1,}inx[\t, ]{1,}[b|d|h|sp])", unquoted(pair_form(u"inx", u"inc", kPairs))},
      {37, uR"([\t, ]{1,}dcx[\t, ]{1,}[b|d|h|sp])", unquoted(pair_form(u"dcx", u"dec", kPairs))},
      // Accumulator, carry, rotates and the indirect jump
      {38, uR"(^[\t, ]{1,}daa([\t, ]|$))", pass_through()},
      {39, uR"(^[\t, ]{1,}cma([\t, ]|$))", rewrite(rename(u"cma", u"cpl"))},
      {40, uR"(^[\t, ]{1,}stc([\t, ]|$))", rewrite(rename(u"stc", u"scf"))},
      {41, uR"(^[\t, ]{1,}cmc([\t, ]|$))", rewrite(rename(u"cmc", u"ccf"))},
      {42, uR"(^[\t, ]{1,}rlc([\t, ]|$))", rewrite(rename(u"rlc", u"rlca"))},
      {43, uR"(^[\t, ]{1,}rrc([\t, ]|$))", rewrite(rename(u"rrc", u"rrca"))},
      {44, uR"(^[\t, ]{1,}ral([\t, ]|$))", rewrite(rename(u"ral", u"rla"))},
      {45, uR"(^[\t, ]{1,}rar([\t, ]|$))", rewrite(rename(u"rar", u"rra"))},
      {46, uR"(^[\t, ]{1,}pchl([\t, ]|$))", rewrite(rename(u"pchl", u"jp (hl)"))},
      // Jumps
      {47, uR"(^[\t, ]{1,}jmp[\t, ]{1,})", rewrite(bare_target, rename(u"jmp", u"jp"))},
      {48, uR"(^[\t, ]{1,}jnz[\t, ]{1,})", rewrite(bare_target, rename(u"jnz", u"jp nz,"))},
      {49, uR"(^[\t, ]{1,}jz[\t, ]{1,})", rewrite(bare_target, rename(u"jz", u"jp z,"))},
      {50, uR"(^[\t, ]{1,}jnc[\t, ]{1,})", rewrite(bare_target, rename(u"jnc", u"jp nc,"))},
      {51, uR"(^[\t, ]{1,}jc[\t, ]{1,})", rewrite(bare_target, rename(u"jc", u"jp c,"))},
      {52, uR"(^[\t, ]{1,}jpo[\t, ]{1,})", rewrite(bare_target, rename(u"jpo", u"jp po,"))},
      {53, uR"(^[\t, ]{1,}jpe[\t, ]{1,})", rewrite(bare_target, rename(u"jpe", u"jp pe,"))},
      {54, uR"(^[\t, ]{1,}jm[\t, ]{1,})", rewrite(bare_target, rename(u"jm", u"jp m,"))},
      {55, uR"(^[\t, ]{1,}jp[\t, ]{1,})", rewrite(bare_target, rename(u"jp", u"jp p,"))},
      // Calls
      {56, uR"(^[\t, ]{1,}call[\t, ]{1,})", pass_through()},
      {57, uR"(^[\t, ]{1,}cnz([\t, ]|$))", rewrite(rename(u"cnz", u"call nz,"))},
      {58, uR"(^[\t, ]{1,}cz([\t, ]|$))", rewrite(rename(u"cz", u"call z,"))},
      {59, uR"(^[\t, ]{1,}cnc([\t, ]|$))", rewrite(rename(u"cnc", u"call nc,"))},
      {60, uR"(^[\t, ]{1,}cc([\t, ]|$))", rewrite(rename(u"cc", u"call c,"))},
      {61, uR"(^[\t, ]{1,}cpo([\t, ]|$))", rewrite(rename(u"cpo", u"call po,"))},
      {62, uR"(^[\t, ]{1,}cpe([\t, ]|$))", rewrite(rename(u"cpe", u"call pe,"))},
      {63, uR"(^[\t, ]{1,}cp([\t, ]|$))", rewrite(rename(u"cp", u"call p,"))},
      {64, uR"(^[\t, ]{1,}cm([\t, ]|$))", rewrite(rename(u"cm", u"call m,"))},
      // Returns
      {65, uR"(^[\t, ]{1,}ret([\t, ]|$))", pass_through()},
      {66, uR"(^[\t, ]{1,}rnz([\t, ]|$))", rewrite(rename(u"rnz", u"ret nz"))},
      {67, uR"(^[\t, ]{1,}rz([\t, ]|$))", rewrite(rename(u"rz", u"ret z"))},
      {68, uR"(^[\t, ]{1,}rnc([\t, ]|$))", rewrite(rename(u"rnc", u"ret nc"))},
      {69, uR"(^[\t, ]{1,}rc([\t, ]|$))", rewrite(rename(u"rc", u"ret c"))},
      {70, uR"(^[\t, ]{1,}rpo([\t, ]|$))", rewrite(rename(u"rpo", u"ret po"))},
      {71, uR"(^[\t, ]{1,}rpe([\t, ]|$))", rewrite(rename(u"rpe", u"ret pe"))},
      {72, uR"(^[\t, ]{1,}rp([\t, ]|$))", rewrite(rename(u"rp", u"ret p"))},
      {73, uR"(^[\t, ]{1,}rm([\t, ]|$))", rewrite(rename(u"rm", u"ret m"))},
      // Stack. No leading "^[\t, ]{1,}", yet only a first word "push" or "pop" is
      // taken (see the top). [b|d|h|psw] tests one character; pair_form reads the pair.
      {74, uR"(push[\t, ]{1,}[b|d|h|psw])", unquoted(pair_form(u"push", u"push", kStackPairs))},
      {75, uR"(pop[\t, ]{1,}[b|d|h|psw])", unquoted(pair_form(u"pop", u"pop", kStackPairs))},
      // Ports
      {76, uR"(^[\t, ]{1,}in[\t, ]{1,})", rewrite(enclose(u"a,(", u")"))},
      {77, uR"(^[\t, ]{1,}out[\t, ]{1,})", rewrite(enclose(u"(", u"),a"))},
      // Interrupts
      {78, uR"(^[\t, ]{1,}di([\t, ]|$))", pass_through()},
      {79, uR"(^[\t, ]{1,}ei([\t, ]|$))", pass_through()},
      // After the end of the chain: what would otherwise be marked for want of a rule
      {80, shared_directive_pattern(), pass_through()},
      {81, uR"(^[\t, ]{1,}nop([\t, ]|$))", pass_through()},
      {82, uR"(^[\t, ]{1,}hlt([\t, ]|$))", rewrite(rename(u"hlt", u"halt"))},
      {83, uR"(^[\t, ]{1,}rst([\t, ]|$))", restart_address},
      {84, uR"(^[\t, ]{1,}\.8080([\t, ]|$))", rewrite(rename(u".8080", u".z80"))},
  };
  return rules;
}

}  // namespace engine
