// The proof of a translated line: its source and its translation are cut
// into labels and statements (source_line.hpp), and each pair of statements is
// encoded, the source in its notation and the translation in the other
// (encode_z80.hpp, encode_8080.hpp). The line is
// - `marked` when the translation carries the direction's marking;
// - `unproven` when a statement pair encodes differently, when one side of a
//   pair encodes and the other does not, when neither encodes and the texts
//   differ (other than ".z80" for ".8080"), when the statements do not pair up,
//   or when the labels differ;
// - `proven` when every statement that is not blank encodes alike;
// - `passed` otherwise: blank, label only, definitions, directives and macro
//   calls carried over as typed, alone or beside proven statements.
// The comment never counts. Nothing is evaluated: operands compare as
// normalised expressions (machine_code.hpp). With options.jr_as_jump (Z80 ->
// 8080) a relative jump proves against the absolute jump to the same target.
//
// Works on any pair of lines: a fresh translation, a translation finished by
// hand, or one line the user is typing. The proofs of recent pairs of lone
// statements are remembered by their shape (proof_memory.hpp): a pair that
// differs from one of them only in its numbers costs a lookup.
#pragma once

#include <memory>
#include <string_view>

#include "engine/machine_code.hpp"
#include "engine/pipeline.hpp"

namespace engine {

struct VerifierState;  // verify.cpp

// What proving lines needs besides the lines: room for their parts and
// encodings, and the memory of recent proofs. One Verifier serves one thread
// at a time; a program that proves on several threads gives each its own.
class Verifier {
 public:
  Verifier();
  ~Verifier();
  Verifier(const Verifier&) = delete;
  Verifier& operator=(const Verifier&) = delete;

  LineProof verify(Direction direction, std::u16string_view source, std::u16string_view translation,
                   const Options& options = {}, const EncodeOptions& encode = {});
  // The same for lines given as UTF-8 (as verify() after append_utf16 of each;
  // a pair of lone ASCII statements is read on its bytes).
  LineProof verify_utf8(Direction direction, std::string_view source, std::string_view translation,
                        const Options& options = {}, const EncodeOptions& encode = {});

 private:
  std::unique_ptr<VerifierState> state_;
};

// The same with the calling thread's own Verifier, made on its first call and
// kept until the thread ends.
LineProof verify_line(Direction direction, std::u16string_view source, std::u16string_view translation,
                      const Options& options = {}, const EncodeOptions& encode = {});

// Whether verify_line remembers proofs by their shape (on by default; off for
// measuring and for comparing against fresh proofs). For all threads.
void remember_proofs(bool on);

// "proven", "passed", "marked", "unproven".
const char* name_of(Proof proof);

}  // namespace engine
