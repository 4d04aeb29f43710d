// The Z80 encoder: a statement in Z80 notation to its MachineCode
// (machine_code.hpp), for the documented instruction set (main page, CB, ED,
// DD/FD and DD CB/FD CB) and the data directives. The rows are in
// encode_z80.cpp, one per instruction form; the index-register forms come from
// the hl rows (encode_table.hpp).
#pragma once

#include <string>
#include <string_view>

#include "engine/machine_code.hpp"

namespace engine {

// Fills code and returns true when the statement is a Z80 instruction or a
// data directive; otherwise returns false and says why.
bool encode_z80(std::u16string_view statement, MachineCode& code, std::string& why, const EncodeOptions& options = {});
// The same with the caller's room for the statement's parts, which a caller
// that encodes many statements keeps (nothing is allocated once it has grown).
bool encode_z80(std::u16string_view statement, StatementParts& parts, MachineCode& code, std::string& why,
                const EncodeOptions& options = {});

// True if the word is a Z80 mnemonic.
bool is_z80_mnemonic(std::u16string_view word);

}  // namespace engine
