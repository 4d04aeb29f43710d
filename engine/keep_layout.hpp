// The layout a user typed, given back to a rewritten statement.
//
// The rule chains write a rewritten statement in a compact form of their own:
// a blank or a tab before the mnemonic, one blank before the operands, the
// blanks before the comment gone, new words in lower case. keep_layout lays
// the rewritten statement out as its source statement was typed:
// - the blanks before the mnemonic are those typed;
// - the first operand starts in the column where the typed one started (tabs
//   every 8 columns): a separator of spaces grows or shrinks to it, one with
//   tabs is written as tabs to the last tab stop before it and spaces after.
//   A mnemonic that reaches that column is followed by one blank, the first
//   one typed. A statement typed without operands gets a tab where a tab
//   stands before its mnemonic, else the rewrite's separator; so does one
//   where either separator holds a comma ("ld,a,b");
// - blanks after a comma (outside quotes) stay only if the typed operands have
//   some there too;
// - the blanks typed after the statement (before its comment) end it;
// - the mnemonic (a word of either notation's vocabulary) and the operands
//   that are a register of the target notation alone ("hl", "(hl)", "af'"), or
//   a condition in front of the target of a Z80 jump, call or return, are
//   written in upper case when the typed statement has no lower-case letter
//   outside quotes, else in lower case. A register word that is a name in the
//   source notation and stands in the typed statement ("psw" in Z80 source,
//   "bc" in 8080 source) is a name and keeps its case, as every name, number
//   and quoted text does; so do the operands of a data word ("db a,b");
// Only blanks and the ASCII case of these words change: without blanks and
// folded to one case, the result equals the rewrite.
//
// It answers false, and leaves `out` alone, where it does not apply: blanks
// alone, no mnemonic, a rewrite that holds a statement separator outside
// quotes (two statements), a "#define" statement, or a comma among the
// blanks before the mnemonic or after the statement, typed or rewritten.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "engine/dialect.hpp"

namespace engine {

// `typed` is the statement as in the source line, without its comment;
// `column` the column (from 0, tabs every 8) it starts at in that line;
// `rewritten` the chain's text for it; `target` the notation written.
bool keep_layout(std::u16string_view typed, std::size_t column, std::u16string_view rewritten, Notation target,
                 std::u16string& out);

// The column (from 0) reached after `text` written from column `from`: a tab
// goes to the next multiple of 8, any other code unit one column on.
std::size_t column_after(std::size_t from, std::u16string_view text);

}  // namespace engine
