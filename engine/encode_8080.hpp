// The 8080 encoder: a statement in 8080 notation to its MachineCode
// (machine_code.hpp), for each of the processor's 244 opcodes and the data
// directives. The rows are in encode_8080.cpp, one per instruction form.
#pragma once

#include <string>
#include <string_view>

#include "engine/machine_code.hpp"

namespace engine {

// Fills code and returns true when the statement is an 8080 instruction or a
// data directive; otherwise returns false and says why ("\"ld\" is no 8080
// mnemonic", "no 8080 form of \"mov\" takes these operands").
bool encode_8080(std::u16string_view statement, MachineCode& code, std::string& why, const EncodeOptions& options = {});
// The same with the caller's room for the statement's parts, which a caller
// that encodes many statements keeps (nothing is allocated once it has grown).
bool encode_8080(std::u16string_view statement, StatementParts& parts, MachineCode& code, std::string& why,
                const EncodeOptions& options = {});

// True if the word is an 8080 mnemonic.
bool is_8080_mnemonic(std::u16string_view word);

}  // namespace engine
