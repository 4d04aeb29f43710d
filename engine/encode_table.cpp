#include "engine/encode_table.hpp"

#include "engine/text.hpp"
#include "engine/utf.hpp"

namespace engine::encoding {
namespace {

// An operand as the matcher sees it: as typed, and a short key (lower case,
// blanks removed) for comparing with register names and literals. A key that
// does not fit is left empty: no register or literal is that long.
struct Operand {
  std::u16string_view text;
  char16_t buffer[12];
  std::size_t size = 0;
  std::u16string_view key() const { return {buffer, size}; }
};

void make_operand(std::u16string_view text, Operand& op) {
  op.text = text;
  op.size = 0;
  bool blank = false;
  for (char16_t c : text) {
    if (is_blank(c)) {
      blank = true;
      continue;
    }
    // A blank inside a word ("n z") makes two words: no register, no literal.
    const bool split_word = blank && op.size > 0 && is_name_char(op.buffer[op.size - 1]) && is_name_char(c);
    if (op.size == std::size(op.buffer) || split_word) {
      op.size = 0;
      return;
    }
    blank = false;
    op.buffer[op.size++] = c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c < 0x80 ? c : lower_char(c);
  }
}

int code_in(std::u16string_view key, std::span<const std::u16string_view> names) {
  int i = 0;
  for (std::u16string_view name : names) {
    if (!name.empty() && key == name) return i;
    ++i;
  }
  return -1;
}

char16_t index_of(std::u16string_view key) {
  if (key == u"ix") return u'x';
  if (key == u"iy") return u'y';
  return 0;
}

std::u16string_view trim(std::u16string_view t) {
  while (!t.empty() && is_blank(t.front())) t.remove_prefix(1);
  while (!t.empty() && is_blank(t.back())) t.remove_suffix(1);
  return t;
}

int number(std::u16string_view text) {
  const auto v = parse_number(trim(text));
  return v && *v < 0x10000 ? static_cast<int>(*v) : -1;
}

// What a row's operands have added up to.
struct State {
  std::uint8_t fields = 0;
  char16_t index = 0;      // 'x' or 'y' once an index register is named
  bool plain_hl = false;   // hl or (hl) is named
  bool conflict = false;   // both index registers are named
  bool displaced = false;
  std::u16string_view displacement;
  struct Slot {
    std::u16string_view text;
    OperandSize size;
  } slots[2];
  int slot_count = 0;

  void use_index(char16_t x) {
    if (index != 0 && index != x) conflict = true;
    index = x;
  }
  void slot(std::u16string_view text, OperandSize size) { slots[slot_count++] = {text, size}; }
};

// An operand that names a register (in Z80 notation, also one in parentheses
// or an index with a displacement) is no expression.
bool names_register(Notation notation, const Operand& op) {
  const std::u16string_view key = op.key();
  if (is_register(notation, key)) return true;
  if (notation == Notation::i8080) return false;
  if (!enclosed_in_parentheses(op.text)) return false;
  const std::u16string_view inner = trim(op.text.substr(1, op.text.size() - 2));
  if (is_register(notation, inner)) return true;
  return key.size() > 3 && (key.starts_with(u"(ix") || key.starts_with(u"(iy")) &&
         (key[3] == u'+' || key[3] == u'-' || key[3] == u')');
}

bool match_expression(Notation notation, const Operand& op, OperandSize size, State& s) {
  if (op.text.empty() || !is_expression(op.text, notation == Notation::z80)) return false;
  if (notation == Notation::z80 && enclosed_in_parentheses(op.text)) return false;  // memory, not a value
  s.slot(op.text, size);
  return true;
}

bool match_memory(const Operand& op, OperandSize size, State& s) {
  if (!enclosed_in_parentheses(op.text) || names_register(Notation::z80, op)) return false;
  const std::u16string_view inner = trim(op.text.substr(1, op.text.size() - 2));
  if (inner.empty() || !is_expression(inner, true)) return false;
  s.slot(inner, size);
  return true;
}

bool add_code(int code, std::uint8_t shift, State& s) {
  if (code < 0) return false;
  s.fields = static_cast<std::uint8_t>(s.fields | (code << shift));
  return true;
}

// The code of a register pair among `names`, whose third is hl; ix and iy
// stand for hl (and set the prefix). -1 for anything else.
int pair_code(std::u16string_view key, std::span<const std::u16string_view> names, State& s) {
  if (const char16_t x = index_of(key)) {
    s.use_index(x);
    return 2;
  }
  const int code = code_in(key, names);
  if (code == 2) s.plain_hl = true;
  return code;
}

bool match(Notation notation, const Spec& spec, const Operand& op, State& s) {
  const std::u16string_view key = op.key();
  switch (spec.kind) {
    case Kind::none: return false;
    case Kind::literal: return key == spec.text;
    case Kind::value: return number(op.text) == spec.value;
    case Kind::r8: return add_code(code_in(key, k8080ByteRegisters), spec.shift, s);
    case Kind::rp: return add_code(code_in(key, k8080Pairs), spec.shift, s);
    case Kind::rp_stack: return add_code(code_in(key, k8080StackPairs), spec.shift, s);
    case Kind::rp_bd: return add_code(code_in(key, std::span(k8080Pairs).first(2)), spec.shift, s);
    case Kind::rst8: {
      const int n = number(op.text);
      if (n < 0 && !op.text.empty() && is_expression(op.text, false)) return s.slot(op.text, OperandSize::restart), true;
      return n >= 0 && n <= 7 && add_code(n, spec.shift, s);
    }
    case Kind::r: return add_code(code_in(key, kZ80ByteRegisters), spec.shift, s);
    case Kind::m: {
      if (key == u"(hl)") {
        s.plain_hl = true;
        return true;
      }
      if (key.size() < 4 || !(key.starts_with(u"(ix") || key.starts_with(u"(iy"))) return false;
      if (!enclosed_in_parentheses(op.text)) return false;
      if (key[3] != u')' && key[3] != u'+' && key[3] != u'-') return false;
      s.use_index(key[2]);
      std::u16string_view inner = trim(op.text.substr(1, op.text.size() - 2));
      inner = trim(inner.substr(2));  // after "ix"
      if (!inner.empty() && inner.front() == u'+') inner = trim(inner.substr(1));
      if (key[3] != u')' && inner.empty()) return false;
      s.displaced = true;
      s.displacement = inner;
      return true;
    }
    case Kind::rr: return add_code(pair_code(key, kZ80Pairs, s), spec.shift, s);
    case Kind::qq: return add_code(pair_code(key, kZ80StackPairs, s), spec.shift, s);
    case Kind::hl: return pair_code(key, kZ80Pairs, s) == 2;
    case Kind::jhl: {
      if (key == u"(hl)") return s.plain_hl = true;
      if (key == u"(ix)" || key == u"(iy)") {
        s.use_index(key[2]);
        return true;
      }
      return false;
    }
    case Kind::cc: return add_code(code_in(key, kConditionCodes), spec.shift, s);
    case Kind::cc4: return add_code(code_in(key, std::span(kConditionCodes).first(4)), spec.shift, s);
    case Kind::bit: {
      const int n = number(op.text);
      return n >= 0 && n <= 7 && add_code(n, spec.shift, s);
    }
    case Kind::rst: {
      const int n = number(op.text);
      if (n < 0 && !op.text.empty() && is_expression(op.text, true)) return s.slot(op.text, OperandSize::restart), true;
      return n >= 0 && n <= 0x38 && n % 8 == 0 && add_code(n, 0, s);
    }
    case Kind::mem_word: return match_memory(op, OperandSize::word, s);
    case Kind::port: return key != u"(c)" && match_memory(op, OperandSize::byte, s);
    case Kind::byte: return match_expression(notation, op, OperandSize::byte, s);
    case Kind::word: return match_expression(notation, op, OperandSize::word, s);
    case Kind::relative: return match_expression(notation, op, OperandSize::relative, s);
  }
  return false;
}

std::size_t operand_count(const Row& row) {
  return row.a.kind == Kind::none ? 0 : row.b.kind == Kind::none ? 1 : 2;
}

const char* name_of(Notation n) { return n == Notation::z80 ? "Z80" : "8080"; }

}  // namespace

Table::Table(Notation notation, std::span<const Row> rows) : notation_(notation), rows_(rows) {
  for (const Row& row : rows) index_[row.mnemonic].push_back(&row);
}

const Table::Rows* Table::find(std::u16string_view mnemonic, int& condition) const {
  condition = -1;
  if (const Rows* rows = index_.find(mnemonic)) return rows;
  if (notation_ != Notation::i8080 || mnemonic.size() < 2) return nullptr;
  const char16_t key[2] = {lower_char(mnemonic[0]), u'*'};
  const Rows* rows = index_.find(std::u16string_view(key, 2));
  if (rows == nullptr) return nullptr;
  char16_t rest[2] = {};
  if (mnemonic.size() > 3) return nullptr;
  for (std::size_t i = 1; i < mnemonic.size(); ++i) rest[i - 1] = lower_char(mnemonic[i]);
  condition = code_in(std::u16string_view(rest, mnemonic.size() - 1), kConditionCodes);
  return condition >= 0 ? rows : nullptr;
}

bool Table::encode_statement(std::u16string_view statement, StatementParts& parts, MachineCode& code,
                             std::string& why, const EncodeOptions& options) const {
  split_statement(statement, parts);
  code.clear();
  if (encode_data(parts, code, why, options)) return true;
  if (code.data) return false;
  return encode(parts, code, why, options);
}

bool Table::knows(std::u16string_view mnemonic) const {
  int condition;
  return find(mnemonic, condition) != nullptr;
}

bool Table::encode(const StatementParts& parts, MachineCode& code, std::string& why,
                   const EncodeOptions& options) const {
  int condition;
  const Rows* rows = find(parts.mnemonic, condition);
  if (rows == nullptr) {
    why = "\"";
    append_utf8(why, parts.mnemonic.substr(0, 32));  // a word past 32 characters is cut
    why += "\" is no ";
    why += name_of(notation_);
    why += " mnemonic";
    return false;
  }
  if (parts.operands.size() <= 2) {
    Operand ops[2];
    for (std::size_t i = 0; i < parts.operands.size(); ++i) make_operand(parts.operands[i], ops[i]);
    for (const Row* row : *rows) {
      if (operand_count(*row) != parts.operands.size()) continue;
      State s;
      if (condition >= 0) s.fields = static_cast<std::uint8_t>(condition << 3);
      if (parts.operands.size() > 0 && !match(notation_, row->a, ops[0], s)) continue;
      if (parts.operands.size() > 1 && !match(notation_, row->b, ops[1], s)) continue;
      if (s.conflict || (s.index != 0 && (s.plain_hl || row->page == ed_page))) continue;
      const auto opcode = static_cast<std::uint8_t>(row->opcode | s.fields);
      if (notation_ == Notation::i8080 && row->opcode == 0x40 && opcode == 0x76) continue;  // mov m,m is hlt
      code.clear();
      if (s.index != 0) code.bytes.push_back(s.index == u'x' ? 0xDD : 0xFD);
      if (row->page != main_page) code.bytes.push_back(row->page);
      const auto at = [&] { return static_cast<std::uint8_t>(code.bytes.size()); };
      const auto displacement = [&] {
        code.operands.push_back({s.displacement.empty() ? std::u16string(u"0")
                                                        : normalise_expression(s.displacement, options),
                                 OperandSize::displacement, at()});
      };
      if (row->page == cb_page && s.displaced) displacement();
      code.bytes.push_back(opcode);
      if (row->page != cb_page && s.displaced) displacement();
      for (int i = 0; i < s.slot_count; ++i) {
        std::u16string expression = normalise_expression(s.slots[i].text, options);
        if (s.slots[i].size == OperandSize::restart && notation_ == Notation::z80) expression = restart_number(expression);
        code.operands.push_back({std::move(expression), s.slots[i].size, at()});
      }
      return true;
    }
  }
  why = "no ";
  why += name_of(notation_);
  why += " form of \"";
  append_utf8(why, lower_text(parts.mnemonic));
  why += "\" takes ";
  why += parts.operands.empty() ? "no operand" : "these operands";
  return false;
}

}  // namespace engine::encoding
