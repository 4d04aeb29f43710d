// What a statement assembles to, as far as that is known without evaluating a
// symbol: the opcode bytes, and for each operand byte or word the operand's
// expression as normalised text. Two statements whose MachineCode is equal
// assemble to the same bytes whatever the symbols' values are.
//
// The normalised form of an expression (normalise_expression):
// - blanks outside quotes go, but for one between two words ("x and 0FFh");
// - every number that parse_number (dialect.hpp) reads becomes decimal: 0FFh,
//   $FF, 0xFF, #FF, 255, 377q and %11111111 are all "255";
// - a quoted literal of one character is its code: ';' = ";" = 3Bh = "59";
//   longer quoted text is kept between single quotes;
// - names are lower-cased (unless `case_sensitive`); "$" stays "$";
// - redundant outer parentheses and a leading "0+" go: "(12h)" and "0+(12h)"
//   are both "18"; so do parentheses around one name, number or quoted text
//   ("(buf)+1" is "buf+1"), unless a name stands right before them.
// Nothing else is folded: "1+1" and "2" differ. An expression of more than
// 512 characters is only stripped of blanks and its numbers rewritten.
//
// Data statements (db, dw, ds and their Z80 spellings) encode as data items:
// no bytes, one operand per item, of size byte (db), word (dw) or count (ds,
// then its fill byte).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

struct EncodeOptions {
  bool case_sensitive = false;  // names as typed, for assemblers that tell NAME from name
  bool operator==(const EncodeOptions&) const = default;
};

// `restart`: the number (0 .. 7) of a restart whose operand is no number,
// written into the opcode's bits 3-5. In Z80 notation the operand is the
// address: "rst vec*8" is restart "vec", "rst vec" is restart "vec/8".
enum class OperandSize : std::uint8_t { byte, word, displacement, relative, count, restart };

struct OperandSlot {
  std::u16string expression;  // normalised
  OperandSize size = OperandSize::byte;
  std::uint8_t at = 0;        // index into bytes before which the operand stands
  bool operator==(const OperandSlot&) const = default;
};

struct MachineCode {
  std::vector<std::uint8_t> bytes;
  std::vector<OperandSlot> operands;
  bool data = false;  // data items, not an instruction
  bool operator==(const MachineCode&) const = default;
  void clear() {
    bytes.clear();
    operands.clear();
    data = false;
  }
};

// "21 [(top-bot)/2 : word]", "DD 7E [5 : displacement]", "data [1 : byte] [2 : byte]".
std::string to_string(const MachineCode& code);

std::u16string normalise_expression(std::u16string_view expression, const EncodeOptions& options = {});

// The restart number of a Z80 restart address, normalised (see OperandSize).
std::u16string restart_number(std::u16string_view address);

// True when text can be an operand expression: names, numbers, quoted text,
// blanks, parentheses, the operator characters "+-*/%&|^~!<>=#" and operator
// words (dialect.hpp), parentheses balanced, no two terms in a row ("0r r",
// "x (y)") and no name that is a register of the notation ("5+(hl)" and "a+1"
// are none; "hl2" is one).
bool is_expression(std::u16string_view text, bool z80_registers);

// True when text is "(...)" with the first parenthesis closed by the last.
bool enclosed_in_parentheses(std::u16string_view text);

// A statement cut into its mnemonic and operands: leading separators skipped,
// the mnemonic up to the first separator, a comma right after it read as a
// blank, the operands split at commas outside quotes and parentheses, each
// trimmed of blanks. An empty operand list for a statement of one word.
struct StatementParts {
  std::u16string_view mnemonic;
  std::vector<std::u16string_view> operands;
};
void split_statement(std::u16string_view statement, StatementParts& parts);

// db/defb/defm, dw/defw, ds/defs in either notation: true and `code` filled
// when the statement is one of those with well-formed items.
bool encode_data(const StatementParts& parts, MachineCode& code, std::string& why, const EncodeOptions& options);

}  // namespace engine
