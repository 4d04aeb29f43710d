// The 8080 -> Z80 chain. Rows in chain order: number, pattern, action.
//
// Patterns are matched against the lower-cased code field. Steps are written
// relative to the instruction's own mnemonic, found where the pattern matched
// (for "^" patterns: the first word after the leading separators; for the
// unanchored ones, such as rule 21, the mnemonic inside the match): "from n" is
// n characters after the start of the mnemonic. Only that mnemonic is renamed,
// and "m" becomes "(hl)" only in the operands after it. Searches ignore case;
// inserted texts are lower case.
//
// Where our chain departs from the plain rule text, on purpose:
// - A mnemonic is a whole word: patterns that would end in "[\t, ]{0,}" end in
//   "([\t, ]|$)"; rules 78 and 79 are anchored with "^".
// - An enclosed operand (rules 9, 12, 14, 15, 76, 77) runs to the last non-blank
//   character of the code field, so "lhld table + 2" reads "(table + 2)".
// - sbi and sbb name the accumulator: "sbc a,".
// - A parenthesised immediate of mvi and lxi gets "0+" in front, so that it is
//   not read as a memory operand.
// - lxi accepts blanks between its register and the comma.
// - Rows 80-83 come after the end of the chain, so they only take lines that
//   would otherwise be marked for want of a rule: directives both notations
//   share (and "set"), nop, hlt, and "rst n" with n from 0 to 7.
#include <vector>

#include "engine/rules.hpp"
#include "engine/steps.hpp"

namespace engine {
namespace {

// The instruction's mnemonic `from` becomes `to`.
Step rename(std::u16string from, std::u16string to) {
  return [=](Code& code) { code.text = replace_text(code.text, from, to, kAnyCase, code.mnemonic, 1); };
}

// Replace every (count -1) or the first (count 1) `x` by `y` from the mnemonic + n.
Step replace_from(std::u16string x, std::u16string y, Pos n, Pos count) {
  return [=](Code& code) { code.text = replace_text(code.text, x, y, kAnyCase, code.mnemonic + n, count); };
}
Step every_from(std::u16string x, std::u16string y, Pos n) { return replace_from(x, y, n, -1); }
Step first_from(std::u16string x, std::u16string y, Pos n) { return replace_from(x, y, n, 1); }

// A register instruction: the mnemonic renamed, then every "m" after it is the
// memory operand "(hl)".
Action register_form(std::u16string from, std::u16string to) {
  const auto length = static_cast<Pos>(to.size());
  return rewrite(rename(from, to), every_from(u"m", u"(hl)", length));
}

// Operand enclosing: from the mnemonic + n, past blanks, the operand up to the
// last non-blank character of the code field becomes p + operand + q. Blanks
// before and after it stay where they were.
Step enclose_from(Pos n, std::u16string p, std::u16string q) {
  return [=](Code& code) {
    std::u16string& t = code.text;
    std::size_t k = static_cast<std::size_t>(std::max<Pos>(code.mnemonic + n, 1) - 1);
    while (k < t.size() && is_blank(t[k])) ++k;
    k = std::min(k, t.size());
    t.insert(k, p);
    std::size_t end = t.size();
    while (end > k + p.size() && is_blank(t[end - 1])) --end;
    t.insert(end, q);
  };
}

// Rule 4: "m" after the mnemonic is the memory operand when it stands alone.
void compare_memory(Code& code) {
  const Pos p = find_text(code.text, u"m", code.mnemonic, kAnyCase);
  if (p == 0) return;
  const auto next = static_cast<std::size_t>(p);  // index of the character after the m
  if (next == code.text.size() || is_blank(code.text[next])) code.text.replace(next - 1, 1, u"(hl)");
}

// Rule 11: stax b / stax d.
void store_accumulator(Code& code) {
  if (contains(code.text, u"b")) {
    first_from(u"b", u"(bc),a", 2)(code);
  } else {
    first_from(u"d", u"(de),a", 2)(code);
  }
}

// Index just after the mnemonic's operand separators: where the operands begin.
std::size_t operands_start(const Code& code) {
  std::size_t k = static_cast<std::size_t>(code.mnemonic) - 1;
  while (k < code.text.size() && !is_blank(code.text[k]) && code.text[k] != u',') ++k;
  while (k < code.text.size() && is_blank(code.text[k])) ++k;
  return k;
}

// Rule 13: "lxi b ,x" -> "lxi b,x": the blanks between the register and its comma go.
void close_register_comma(Code& code) {
  std::u16string& t = code.text;
  std::size_t k = operands_start(code);
  while (k < t.size() && !is_blank(t[k]) && t[k] != u',') ++k;
  std::size_t blanks_end = k;
  while (blanks_end < t.size() && is_blank(t[blanks_end])) ++blanks_end;
  if (blanks_end < t.size() && t[blanks_end] == u',') t.erase(k, blanks_end - k);
}

// Rules 10 and 13: "ld a,(x+1)" would be a load from memory; "ld a,0+(x+1)" is
// the immediate the 8080 source meant.
void immediate_not_address(Code& code) {
  std::u16string& t = code.text;
  std::size_t k = t.find(u',', operands_start(code));
  if (k == std::u16string::npos) return;
  ++k;
  while (k < t.size() && is_blank(t[k])) ++k;
  if (k < t.size() && t[k] == u'(') t.insert(k, u"0+");
}

// Row 83: "rst 7" -> "rst 38h"; the restart address is "0" or two hex digits and "h".
void restart_address(Code& code) {
  const std::size_t digit = code.text.find_first_of(u"01234567", static_cast<std::size_t>(code.mnemonic) + 2);
  static constexpr std::u16string_view kAddresses[] = {u"0", u"08h", u"10h", u"18h", u"20h", u"28h", u"30h", u"38h"};
  code.text.replace(digit, 1, kAddresses[code.text[digit] - u'0']);
}

}  // namespace

std::span<const Rule> rules_8080_to_z80() {
  static const std::vector<Rule> rules = {
      // Data directives
      {1, uR"(^[\t, ]{1,}db[\t, ]{1,})", pass_through()},
      {2, uR"(^[\t, ]{1,}dw[\t, ]{1,})", pass_through()},
      {3, uR"(^[\t, ]{1,}ds[\t, ]{1,})", pass_through()},
      // Compare (before the calls "cm" and "cp" of rules 63 and 64)
      {4, uR"(^[\t, ]{1,}cmp[\t, ]{1,})", rewrite(rename(u"cmp", u"cp"), compare_memory)},
      {5, uR"(^[\t, ]{1,}cpi[\t, ]{1,})", rewrite(rename(u"cpi", u"cp"))},
      // Loads and stores
      {6, uR"(^[\t, ]{1,}mov[\t, ]{1,}[a|b|c|d|e|h|l|m],)", rewrite(rename(u"mov", u"ld"), first_from(u"m", u"(hl)", 0))},
      {7, uR"(^[\t, ]{1,}ldax[\t, ]{1,}b)", rewrite(rename(u"ldax", u"ld a,"), replace_every(u"b", u"(bc)"))},
      {8, uR"(^[\t, ]{1,}ldax[\t, ]{1,}d)", rewrite(rename(u"ldax", u"ld a,"), every_from(u"d", u"(de)", 4))},
      {9, uR"(^[\t, ]{1,}lda[\t, ]{1,})", rewrite(rename(u"lda", u"ld"), enclose_from(3, u"a,(", u")"))},
      {10, uR"(^[\t, ]{1,}mvi[\t, ]{1,}[a|b|c|d|e|h|l|m],)",
       rewrite(rename(u"mvi", u"ld"), first_from(u"m,", u"(hl),", 2), immediate_not_address)},
      {11, uR"(^[\t, ]{1,}stax[\t, ]{1,}[b|d])", rewrite(rename(u"stax", u"ld"), store_accumulator)},
      {12, uR"(^[\t, ]{1,}sta[\t, ]{1,})", rewrite(rename(u"sta", u"ld"), enclose_from(2, u"(", u"),a"))},
      {13, uR"(^[\t, ]{1,}lxi[\t, ]{1,}[b|d|h|sp])",
       rewrite(rename(u"lxi", u"ld"), close_register_comma, every_from(u"b,", u"bc,", 2),
               every_from(u"d,", u"de,", 2), every_from(u"h,", u"hl,", 2), immediate_not_address)},
      {14, uR"(^[\t, ]{1,}lhld[\t, ]{1,})", rewrite(rename(u"lhld", u"ld"), enclose_from(3, u"hl,(", u")"))},
      {15, uR"(^[\t, ]{1,}shld[\t, ]{1,})", rewrite(rename(u"shld", u"ld"), enclose_from(3, u"(", u"),hl"))},
      {16, uR"(^[\t, ]{1,}sphl([\t, ]|$))", rewrite(rename(u"sphl", u"ld sp,hl"))},
      // Exchanges
      {17, uR"(^[\t, ]{1,}xchg([\t, ]|$))", rewrite(rename(u"xchg", u"ex de,hl"))},
      {18, uR"(^[\t, ]{1,}xthl([\t, ]|$))", rewrite(rename(u"xthl", u"ex (sp),hl"))},
      // 16-bit addition: "h" first, so that no pair is rewritten twice
      {19, uR"([\t, ]{1,}dad[\t, ]{1,}[b|d|h|sp])",
       rewrite(rename(u"dad", u"add"), first_from(u"h", u"hl,hl", 3), first_from(u"b", u"hl,bc", 3),
               first_from(u"d", u"hl,de", 3), first_from(u"sp", u"hl,sp", 3))},
      // 8-bit arithmetic and logic
      {20, uR"(^[\t, ]{1,}xri[\t, ]{1,})", rewrite(rename(u"xri", u"xor"))},
      {21, uR"([\t, ]{1,}xra[\t, ]{1,}(a|b|c|d|e|h|l|m))", register_form(u"xra", u"xor")},
      {22, uR"(^[\t, ]{1,}ori[\t, ]{1,})", rewrite(rename(u"ori", u"or"))},
      {23, uR"([\t, ]{1,}ora[\t, ]{1,}(a|b|c|d|e|h|l|m))", register_form(u"ora", u"or")},
      {24, uR"(^[\t, ]{1,}ani[\t, ]{1,})", rewrite(rename(u"ani", u"and"))},
      {25, uR"([\t, ]{1,}ana[\t, ]{1,}(a|b|c|d|e|h|l|m))", register_form(u"ana", u"and")},
      {26, uR"(^[\t, ]{1,}adi[\t, ]{1,})", rewrite(rename(u"adi", u"add a,"))},
      {27, uR"([\t, ]{1,}add[\t, ]{1,}(a|b|c|d|e|h|l|m))", register_form(u"add", u"add a,")},
      {28, uR"(^[\t, ]{1,}aci[\t, ]{1,})", rewrite(rename(u"aci", u"adc a,"))},
      {29, uR"([\t, ]{1,}adc[\t, ]{1,}(a|b|c|d|e|h|l|m))", register_form(u"adc", u"adc a,")},
      {30, uR"(^[\t, ]{1,}sui[\t, ]{1,})", rewrite(rename(u"sui", u"sub"))},
      {31, uR"([\t, ]{1,}sub[\t, ]{1,}(a|b|c|d|e|h|l|m))", rewrite(every_from(u"m", u"(hl)", 3))},  // the mnemonic stays as typed
      {32, uR"(^[\t, ]{1,}sbi[\t, ]{1,})", rewrite(rename(u"sbi", u"sbc a,"))},
      {33, uR"([\t, ]{1,}sbb[\t, ]{1,}(a|b|c|d|e|h|l|m))", register_form(u"sbb", u"sbc a,")},
      // Increments and decrements: "h" first, so that no pair is rewritten twice
      {34, uR"([\t, ]{1,}inr[\t, ]{1,}(a|b|c|d|e|h|l|m))", register_form(u"inr", u"inc")},
      {35, uR"([\t, ]{1,}dcr[\t, ]{1,}(a|b|c|d|e|h|l|m))", register_form(u"dcr", u"dec")},
      {36, uR"([\t, ]{1,}inx[\t, ]{1,}[b|d|h|sp])",
       rewrite(rename(u"inx", u"inc"), every_from(u"h", u"hl", 3), every_from(u"b", u"bc", 3),
               every_from(u"d", u"de", 3))},
      {37, uR"([\t, ]{1,}dcx[\t, ]{1,}[b|d|h|sp])",
       rewrite(rename(u"dcx", u"dec"), every_from(u"h", u"hl", 3), every_from(u"b", u"bc", 3),
               every_from(u"d", u"de", 3))},
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
      {47, uR"(^[\t, ]{1,}jmp[\t, ]{1,})", rewrite(rename(u"jmp", u"jp"))},
      {48, uR"(^[\t, ]{1,}jnz[\t, ]{1,})", rewrite(rename(u"jnz", u"jp nz,"))},
      {49, uR"(^[\t, ]{1,}jz[\t, ]{1,})", rewrite(rename(u"jz", u"jp z,"))},
      {50, uR"(^[\t, ]{1,}jnc[\t, ]{1,})", rewrite(rename(u"jnc", u"jp nc,"))},
      {51, uR"(^[\t, ]{1,}jc[\t, ]{1,})", rewrite(rename(u"jc", u"jp c,"))},
      {52, uR"(^[\t, ]{1,}jpo[\t, ]{1,})", rewrite(rename(u"jpo", u"jp po,"))},
      {53, uR"(^[\t, ]{1,}jpe[\t, ]{1,})", rewrite(rename(u"jpe", u"jp pe,"))},
      {54, uR"(^[\t, ]{1,}jm[\t, ]{1,})", rewrite(rename(u"jm", u"jp m,"))},
      {55, uR"(^[\t, ]{1,}jp[\t, ]{1,})", rewrite(rename(u"jp", u"jp p,"))},
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
      // Stack: "h" before "psw" and after "b" and "d", as none of their texts holds a later letter
      {74, uR"(push[\t, ]{1,}[b|d|h|psw])",
       rewrite(every_from(u"b", u"bc", 4), every_from(u"d", u"de", 4), every_from(u"h", u"hl", 4),
               every_from(u"psw", u"af", 4))},
      {75, uR"(pop[\t, ]{1,}[b|d|h|psw])",
       rewrite(every_from(u"b", u"bc", 3), every_from(u"d", u"de", 3), every_from(u"h", u"hl", 3),
               every_from(u"psw", u"af", 3))},
      // Ports
      {76, uR"(^[\t, ]{1,}in[\t, ]{1,})", rewrite(enclose_from(3, u"a,(", u")"))},
      {77, uR"(^[\t, ]{1,}out[\t, ]{1,})", rewrite(enclose_from(4, u"(", u"),a"))},
      // Interrupts
      {78, uR"(^[\t, ]{1,}di([\t, ]|$))", pass_through()},
      {79, uR"(^[\t, ]{1,}ei([\t, ]|$))", pass_through()},
      // After the end of the chain: what would otherwise be marked for want of a rule
      {80, uR"(^[\t, ]{1,}(org|end|equ|defl|if|ifdef|ifndef|else|endif|cond|endc|macro|endm|rept|irp|irpc|exitm|local|public|extrn|ext|global|entry|name|title|subttl|page|eject|list|nolist|include|maclib|aseg|cseg|dseg|\.z80|\.8080|\.phase|\.dephase|set)([\t, ]|$))",
       pass_through()},
      {81, uR"(^[\t, ]{1,}nop([\t, ]|$))", pass_through()},
      {82, uR"(^[\t, ]{1,}hlt([\t, ]|$))", rewrite(rename(u"hlt", u"halt"))},
      {83, uR"(^[\t, ]{1,}rst[\t ]{1,}[0-7][\t ]*$)", rewrite(restart_address)},
  };
  return rules;
}

}  // namespace engine
