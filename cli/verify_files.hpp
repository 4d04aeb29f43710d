// asmconv --verify SOURCE --against TRANSLATION: a translation that exists,
// typically one finished by hand, proved line by line against its source
// (engine/verify.hpp) without translating again. Line N of the translation
// stands for line N of the source; a line that one file has and the other
// lacks is unproven.
//
// Both files are read whole, as UTF-8, or as UTF-8 or UTF-16 with a byte order
// mark. Every unproven line is reported as
// "SOURCE:LINE: unproven: SOURCE LINE -> TRANSLATED LINE (REASON)".
#pragma once

#include <cstddef>
#include <string>

#include "engine/pipeline.hpp"

namespace cli {

struct ProofCounts {
  std::size_t lines = 0;
  std::size_t proofs[4] = {};  // by engine::Proof
};

// Appends the reports to `diagnostics` and fills `counts`. Returns an error
// message (a file that cannot be read), or an empty text.
std::string verify_files(engine::Direction direction, const std::string& source, const std::string& translation,
                         const engine::Options& options, std::string& diagnostics, ProofCounts& counts);

// "N lines: P proven, Q passed, M marked, U unproven".
std::string proof_summary(std::size_t lines, const std::size_t (&proofs)[4]);

}  // namespace cli
