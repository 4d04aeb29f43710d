// The machinery both instruction encoders share: what an operand of a form may
// be, what a row of an encoder's table is, and the matcher that finds the row
// a statement fits and builds its MachineCode.
//
// A row is one instruction form: the mnemonic, up to two operand kinds, the
// opcode page (none, CB, ED) and the opcode. An operand that is a register, a
// condition or a small number adds its code, shifted by the operand's `shift`,
// to the opcode; an operand that is an expression becomes an OperandSlot.
// Rows are tried in table order; the first that takes every operand wins.
//
// Z80 index registers: in a row whose operands may be hl (kinds rr, qq, hl,
// jhl) or (hl) (kind m), ix or iy stand for it and add the prefix DD or FD;
// (ix+d) adds its displacement. A statement that names both hl and an index
// register, or both index registers, fits no row, nor does an index register
// on the ED page. In 8080 rows the mnemonic may end in "*", standing for a
// condition name whose code goes to bits 3-5 ("j*" reads jnz ... jm).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/dialect.hpp"
#include "engine/machine_code.hpp"
#include "engine/word_table.hpp"

namespace engine::encoding {

enum class Kind : std::uint8_t {
  none,
  literal,   // exactly `text` (blanks and case aside)
  value,     // a number equal to `value`
  // 8080 notation
  r8,        // b c d e h l m a
  rp,        // b d h sp
  rp_stack,  // b d h psw
  rp_bd,     // b d
  rst8,      // 0 .. 7
  // Z80 notation
  r,         // b c d e h l a
  m,         // (hl), (ix+d), (iy+d): code 6, which the row's opcode holds
  rr,        // bc de hl sp
  qq,        // bc de hl af
  hl,        // hl (ix, iy), no code
  jhl,       // (hl), (ix), (iy), no code
  cc,        // nz z nc c po pe p m
  cc4,       // nz z nc c
  bit,       // 0 .. 7
  rst,       // 0, 8 .. 38h: the number itself
  mem_word,  // (nn): an address
  port,      // (n): a port
  // both
  byte,      // an immediate byte
  word,      // an immediate word
  relative,  // a relative jump's target
};

struct Spec {
  Kind kind = Kind::none;
  std::uint8_t shift = 0;
  std::u16string_view text = {};
  int value = 0;
};

enum Page : std::uint8_t { main_page = 0, cb_page = 0xCB, ed_page = 0xED };

struct Row {
  std::u16string_view mnemonic;
  Spec a, b;
  Page page;
  std::uint8_t opcode;
};

class Table {
 public:
  Table(Notation notation, std::span<const Row> rows);
  // Fills code and returns true if a row takes the statement; otherwise says why.
  bool encode(const StatementParts& parts, MachineCode& code, std::string& why, const EncodeOptions& options) const;
  // A whole statement: a data item (db, dw, ds) or a row of the table.
  bool encode_statement(std::u16string_view statement, StatementParts& parts, MachineCode& code, std::string& why,
                        const EncodeOptions& options) const;
  // True if the word is a mnemonic of the table (a condition suffix included).
  bool knows(std::u16string_view mnemonic) const;
  std::span<const Row> rows() const { return rows_; }

 private:
  using Rows = std::vector<const Row*>;
  const Rows* find(std::u16string_view mnemonic, int& condition) const;
  Notation notation_;
  std::span<const Row> rows_;
  WordTable<Rows> index_;
};

}  // namespace engine::encoding
