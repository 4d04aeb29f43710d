#include "engine/dialect.hpp"

#include "engine/word_table.hpp"

#include <algorithm>
#include <array>
#include <vector>

namespace engine {
namespace {

constexpr char16_t lower_ascii(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

// Directives both notations share, one row per family.
constexpr std::u16string_view kSharedDirectives[] = {
    u"org", u"end", u"equ", u"defl",                                                    // place and names
    u"if", u"ifdef", u"ifndef", u"ife", u"if1", u"if2", u"else", u"elseif", u"endif",   // conditional assembly
    u"cond", u"endc",
    u"macro", u"endm", u"rept", u"irp", u"irpc", u"exitm", u"local",                   // macros
    u"public", u"extrn", u"extern", u"ext", u"global", u"entry", u"name",               // modules
    u"cseg", u"dseg", u"aseg", u"common", u"phase", u"dephase",                         // segments
    u"title", u"subttl", u"page", u"eject", u"list", u"nolist",                         // listing
    u"include", u"maclib",                                                              // files
};

// Of those, the ones that are read as directives also in column 1: words that
// open or close a block, or that no one names a label.
constexpr std::u16string_view kColumn1Directives[] = {
    u"org",   u"macro", u"endm",   u"rept", u"irp",  u"irpc",   u"exitm", u"if",
    u"ifdef", u"ifndef", u"ife",   u"if1",  u"if2",  u"else",   u"elseif", u"endif",
    u"cond",  u"endc",  u"include", u"maclib",
};

constexpr std::u16string_view kDefiningWords[] = {kEquDirective, u"defl", kSetDirective, u"=", u":=", u"==", u".equ", u".set",
                                                  u"aset", u"assign", u"var"};

constexpr std::u16string_view kDataWords[] = {u"db", u"dw", u"ds", u"defb", u"defm", u"defw", u"defs", u"dm",
                                              u"dc", u"defc", u"dz", u"dd", u"byte", u"word", u"text"};

// Dot directives of other assemblers that can stand in column 1 (a dot word
// in column 1 that is not in this list is a local label, as in ".loop djnz .loop").
constexpr std::u16string_view kColumn1DotDirectives[] = {
    u".z80",    u".8080",   u".org",     u".end",    u".equ",    u".set",    u".db",      u".dw",
    u".ds",     u".byte",   u".word",    u".text",   u".ascii",  u".asciz",  u".asciiz",  u".include",
    u".phase",  u".dephase", u".list",   u".nolist", u".title",  u".subttl", u".sbttl",   u".page",
    u".eject",  u".comment", u".printx", u".request", u".radix", u".block",  u".fill",    u".module",
    u".export", u".section", u".area",   u".globl",  u".if",     u".else",   u".endif",   u".ifdef",
    u".ifndef", u".macro",  u".endm",    u".rept",   u".endr",   u".local",  u".extern",  u".cseg",
    u".dseg",   u".aseg",   u".echo",    u".error",  u".incbin", u".align",  u".binary",  u".dd",
    u".defb",   u".defw",   u".defs",    u".defm",   u".msg",    u".chk",    u".codes",   u".nocodes",
    u".xlist",  u".lall",   u".sall",    u".xall",   u".cref",   u".xcref",  u".lfcond",  u".sfcond",
    u".tfcond", u".abs",    u".rel",
};

constexpr std::u16string_view kZ80Registers[] = {u"a",  u"b",  u"c",  u"d",  u"e",   u"h",   u"l",   u"bc",
                                                 u"de", u"hl", u"sp", u"af", u"af'", u"ix",  u"iy",  u"i",
                                                 u"r",  u"ixh", u"ixl", u"iyh", u"iyl"};
constexpr std::u16string_view k8080Registers[] = {u"a", u"b", u"c", u"d", u"e", u"h", u"l", u"m", u"sp", u"psw"};
constexpr std::u16string_view kOperatorWords[] = {u"and", u"or", u"xor", u"not", u"mod", u"shl", u"shr", u"high",
                                                  u"low", u"eq", u"ne", u"lt", u"le", u"gt", u"ge"};
constexpr std::u16string_view kIndexRegisters[] = {u"ix", u"iy", u"ixh", u"ixl", u"iyh", u"iyl"};

// The mnemonics of each processor in its own notation, and whether operands
// follow: none ("xchg"), some ("mov"), or optional ("ret" and "ret z").
struct Mnemonic {
  std::u16string_view word;
  Arity arity;
};
constexpr Arity N = Arity::none, S = Arity::some, O = Arity::optional;
constexpr Mnemonic kZ80Mnemonics[] = {
    {u"ld", S},   {u"ldi", N},  {u"ldir", N}, {u"ldd", N},  {u"lddr", N}, {u"push", S}, {u"pop", S},  {u"ex", S},
    {u"exx", N},  {u"cpi", N},  {u"cpir", N}, {u"cpd", N},  {u"cpdr", N}, {u"add", S},  {u"adc", S},  {u"sub", S},
    {u"sbc", S},  {u"and", S},  {u"or", S},   {u"xor", S},  {u"cp", S},   {u"inc", S},  {u"dec", S},  {u"daa", N},
    {u"cpl", N},  {u"neg", N},  {u"ccf", N},  {u"scf", N},  {u"nop", N},  {u"halt", N}, {u"di", N},   {u"ei", N},
    {u"im", S},   {u"rlca", N}, {u"rla", N},  {u"rrca", N}, {u"rra", N},  {u"rlc", S},  {u"rl", S},   {u"rrc", S},
    {u"rr", S},   {u"sla", S},  {u"sra", S},  {u"sll", S},  {u"srl", S},  {u"rld", N},  {u"rrd", N},  {u"bit", S},
    {u"set", S},  {u"res", S},  {u"jp", S},   {u"jr", S},   {u"djnz", S}, {u"call", S}, {u"ret", O},  {u"reti", N},
    {u"retn", N}, {u"rst", S},  {u"in", S},   {u"ini", N},  {u"inir", N}, {u"ind", N},  {u"indr", N}, {u"out", S},
    {u"outi", N}, {u"otir", N}, {u"outd", N}, {u"otdr", N},
};
constexpr Mnemonic k8080Mnemonics[] = {
    {u"mov", S},  {u"mvi", S},  {u"lxi", S},  {u"lda", S},  {u"sta", S},  {u"lhld", S}, {u"shld", S}, {u"ldax", S},
    {u"stax", S}, {u"xchg", N}, {u"xthl", N}, {u"sphl", N}, {u"pchl", N}, {u"add", S},  {u"adc", S},  {u"sub", S},
    {u"sbb", S},  {u"ana", S},  {u"xra", S},  {u"ora", S},  {u"cmp", S},  {u"adi", S},  {u"aci", S},  {u"sui", S},
    {u"sbi", S},  {u"ani", S},  {u"xri", S},  {u"ori", S},  {u"cpi", S},  {u"inr", S},  {u"dcr", S},  {u"inx", S},
    {u"dcx", S},  {u"dad", S},  {u"daa", N},  {u"cma", N},  {u"stc", N},  {u"cmc", N},  {u"rlc", N},  {u"rrc", N},
    {u"ral", N},  {u"rar", N},  {u"jmp", S},  {u"jnz", S},  {u"jz", S},   {u"jnc", S},  {u"jc", S},   {u"jpo", S},
    {u"jpe", S},  {u"jp", S},   {u"jm", S},   {u"call", S}, {u"cnz", S},  {u"cz", S},   {u"cnc", S},  {u"cc", S},
    {u"cpo", S},  {u"cpe", S},  {u"cp", S},   {u"cm", S},   {u"ret", N},  {u"rnz", N},  {u"rz", N},   {u"rnc", N},
    {u"rc", N},   {u"rpo", N},  {u"rpe", N},  {u"rp", N},   {u"rm", N},   {u"rst", S},  {u"push", S}, {u"pop", S},
    {u"in", S},   {u"out", S},  {u"ei", N},   {u"di", N},   {u"hlt", N},  {u"nop", N},
};

// Words a translation may replace besides the mnemonics: the data words the
// two notations spell differently, the shared ones and the processor switch.
constexpr std::u16string_view kRenamedWords[] = {u"defb", u"defm", u"defw", u"defs", u"db", u"dw", u"ds", u".z80", u".8080"};

int digit_value(char16_t c) {
  c = lower_ascii(c);
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return 99;
}

std::optional<std::uint32_t> digits(std::u16string_view text, unsigned base) {
  if (text.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (char16_t c : text) {
    const int d = digit_value(c);
    if (d >= static_cast<int>(base)) return std::nullopt;
    value = value * base + static_cast<unsigned>(d);
    if (value > 0xFFFFFFFFu) return std::nullopt;
  }
  return static_cast<std::uint32_t>(value);
}

// A list of words, looked up in any case: built once from a table.
class WordSet {
 public:
  template <std::size_t N>
  explicit WordSet(const std::u16string_view (&words)[N]) {
    for (const std::u16string_view w : words) table_[w] = true;
  }
  bool contains(std::u16string_view word) const { return table_.find(word) != nullptr; }

 private:
  WordTable<bool> table_;
};

bool starts_with_word(std::u16string_view text, std::u16string_view prefix) {
  return text.size() >= prefix.size() && is_word(text.substr(0, prefix.size()), prefix);
}

}  // namespace

bool is_word(std::u16string_view text, std::u16string_view word) {
  if (text.size() != word.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (lower_ascii(text[i]) != word[i]) return false;
  }
  return true;
}

bool is_one_of(std::u16string_view text, std::span<const std::u16string_view> words) {
  return std::any_of(words.begin(), words.end(), [text](std::u16string_view w) { return is_word(text, w); });
}

std::span<const std::u16string_view> shared_directives() { return kSharedDirectives; }
bool is_column1_directive(std::u16string_view word) {
  static const WordSet words(kColumn1Directives);
  return words.contains(word);
}
bool is_defining_word(std::u16string_view word) {
  static const WordSet words(kDefiningWords);
  return words.contains(word);
}
bool starts_with_assignment(std::u16string_view text) {
  return std::any_of(std::begin(kDefiningWords), std::end(kDefiningWords),
                     [text](std::u16string_view w) { return !is_name_start(w[0]) && text.starts_with(w); });
}
bool is_data_word(std::u16string_view word) {
  static const WordSet words(kDataWords);
  if (!word.empty() && word[0] == u'.') word.remove_prefix(1);
  return words.contains(word);
}

bool is_foreign_directive(std::u16string_view first_word, Notation source) {
  if (first_word.empty()) return false;
  if (first_word[0] == u'#') return true;
  return first_word[0] == u'.' && first_word.size() > 1 &&
         !is_word(first_word, source == Notation::z80 ? kZ80Switch : k8080Switch);
}

bool is_column1_dot_directive(std::u16string_view word) {
  static const WordSet words(kColumn1DotDirectives);
  return words.contains(word);
}

bool separates_statements(std::u16string_view text, std::size_t i) {
  const char16_t next = i + 1 < text.size() ? text[i + 1] : u'\0';
  switch (text[i]) {
    case u'!': return next != u'=';
    case u':': return next != u'=' && next != u':' && (i == 0 || text[i - 1] != u':');
    default: return true;
  }
}

bool opens_quote(std::u16string_view text, std::size_t i) {
  const char16_t c = text[i];
  if (c == u'"') return true;
  if (c != u'\'') return false;
  return !(i >= 2 && lower_ascii(text[i - 2]) == u'a' && lower_ascii(text[i - 1]) == u'f');
}

std::size_t quote_end(std::u16string_view text, std::size_t i) {
  const std::size_t close = text.find(text[i], i + 1);
  return close == kNone ? kNone : close + 1;
}

std::optional<std::uint32_t> parse_number(std::u16string_view t) {
  if (t.empty()) return std::nullopt;
  const char16_t last = lower_ascii(t.back());
  if (t[0] == u'$' || t[0] == u'#') return digits(t.substr(1), 16);
  if (t[0] == u'%') return digits(t.substr(1), 2);
  if (starts_with_word(t, u"&h")) return digits(t.substr(2), 16);
  if (!is_digit(t[0])) return std::nullopt;
  if (last == u'h') return digits(t.substr(0, t.size() - 1), 16);
  if (starts_with_word(t, u"0x")) return digits(t.substr(2), 16);
  if (last == u'b' && digits(t.substr(0, t.size() - 1), 2)) return digits(t.substr(0, t.size() - 1), 2);
  if (starts_with_word(t, u"0b") && t.size() > 2) return digits(t.substr(2), 2);
  if (last == u'o' || last == u'q') return digits(t.substr(0, t.size() - 1), 8);
  if (last == u'd') return digits(t.substr(0, t.size() - 1), 10);
  return digits(t, 10);
}

bool holds_name(std::u16string_view expression) {
  for (std::size_t i = 0; i < expression.size();) {
    std::size_t end = i;
    while (end < expression.size() && is_name_char(expression[end])) ++end;
    if (end > i && is_name_start(expression[i]) && !parse_number(expression.substr(i, end - i))) return true;
    i = end > i ? end : i + 1;
  }
  return false;
}

bool is_register(Notation notation, std::u16string_view word) {
  static const WordSet z80(kZ80Registers), i8080(k8080Registers);
  return notation == Notation::z80 ? z80.contains(word) : i8080.contains(word);
}

bool is_byte_register(Notation notation, std::u16string_view word) {
  return !word.empty() && is_one_of(word, notation == Notation::z80 ? kZ80ByteRegisters : k8080ByteRegisters);
}

bool is_condition(std::u16string_view word) {
  static const WordSet words(kConditionCodes);
  return words.contains(word);
}
bool is_operator_word(std::u16string_view word) {
  static const WordSet words(kOperatorWords);
  return words.contains(word);
}
bool is_index_register(std::u16string_view word) {
  static const WordSet words(kIndexRegisters);
  return words.contains(word);
}
bool may_hold_other_register(Notation source, std::u16string_view text) {
  // The first letters of those names, both cases.
  using Starts = std::array<bool, 128>;
  static const auto table = [](std::span<const std::u16string_view> other, std::span<const std::u16string_view> own) {
    Starts t{};
    for (const std::u16string_view w : other) {
      if (std::find(own.begin(), own.end(), w) != own.end()) continue;
      t[w[0]] = true;
      t[w[0] - 32] = true;
    }
    return t;
  };
  static const Starts z80_source = table(k8080Registers, kZ80Registers);
  static const Starts i8080_source = table(kZ80Registers, k8080Registers);
  const Starts& t = source == Notation::z80 ? z80_source : i8080_source;
  bool hit = false;
  for (const char16_t c : text) hit |= c < 128 && t[c];
  return hit;
}

bool is_other_register(Notation source, std::u16string_view word) {
  // Built from the two register lists: the words of one that the other lacks.
  static const auto table = [](std::span<const std::u16string_view> other, std::span<const std::u16string_view> own) {
    WordTable<bool> t;
    for (const std::u16string_view w : other) {
      if (std::find(own.begin(), own.end(), w) == own.end()) t[w] = true;
    }
    return t;
  };
  static const WordTable<bool> z80_source = table(k8080Registers, kZ80Registers);
  static const WordTable<bool> i8080_source = table(kZ80Registers, k8080Registers);
  return (source == Notation::z80 ? z80_source : i8080_source).find(word) != nullptr;
}
std::optional<Arity> mnemonic_arity(Notation notation, std::u16string_view word) {
  static const auto table = [](std::span<const Mnemonic> rows) {
    WordTable<Arity> t;
    for (const Mnemonic& m : rows) t[m.word] = m.arity;
    return t;
  };
  static const WordTable<Arity> z80 = table(kZ80Mnemonics), i8080 = table(k8080Mnemonics);
  const Arity* arity = (notation == Notation::z80 ? z80 : i8080).find(word);
  if (arity == nullptr) return std::nullopt;
  return *arity;
}
bool is_mnemonic(Notation notation, std::u16string_view word) { return mnemonic_arity(notation, word).has_value(); }
bool is_vocabulary_word(std::u16string_view word) {
  // The mnemonics of both notations and the renamed words, in one table.
  static const WordTable<bool> words = [] {
    WordTable<bool> t;
    for (const Mnemonic& m : kZ80Mnemonics) t[m.word] = true;
    for (const Mnemonic& m : k8080Mnemonics) t[m.word] = true;
    for (const std::u16string_view w : kRenamedWords) t[w] = true;
    return t;
  }();
  return words.find(word) != nullptr;
}

}  // namespace engine
