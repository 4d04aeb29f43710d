// What verify_line remembers of recent proofs, per thread: the proof of a pair
// of lone statements (of lines that hold one statement, no label, maybe a
// comment: source and translation), keyed by the pair's shape.
//
// The shape is the pair's text with each run of digits written as a
// placeholder that keeps only which run it is (the same digits twice are the
// same placeholder) and how many digits it has. Two pairs of one shape prove
// alike: the encoders take such a number as an opaque term of an expression
// and write it back as it is typed, and a name's digits only ever compare as
// text (no register, condition or operator word holds a digit), so renaming
// the runs renames the operands of both encodings alike. A pair has a shape
// only where that holds:
// - both statements are ASCII, 80 characters together at most, without
//   quotes, statement separators or (past the first word) "#", "%", "&", "$"
//   (number prefixes);
// - a word that starts with a digit is "0" or a number of one to nine decimal
//   digits with no leading zero (so its text is its value: no "0FFh" or "05"
//   can be read as another number's text); in a name ("l05") a run of digits
//   with a leading zero stays as typed;
// - the first word of each statement (a mnemonic, a directive, a macro) stays
//   as typed, and is none whose encoding evaluates or range-checks a number or
//   takes it as a jump distance: im, bit, set, res, rst, jr, djnz.
// Unproven pairs are never remembered (their reasons name the operands), so
// the memory answers only "proven" or "passed". It is a RecentTable
// (statement_cache.hpp): a hit is checked against the whole shape, and when
// few shapes repeat it stops looking.
#pragma once

#include <string>
#include <string_view>

#include "engine/machine_code.hpp"
#include "engine/options.hpp"
#include "engine/pipeline.hpp"
#include "engine/statement_cache.hpp"

namespace engine {

class ProofMemory {
 public:
  ProofMemory() : table_(1024, 1 << 17, kLongestKey) {}
  // True and proof filled when a pair of the same shape, direction and options
  // proved lately; false otherwise (then remember() may follow).
  bool find(Direction direction, std::u16string_view source, std::u16string_view translation, const Options& options,
            const EncodeOptions& encode, Proof& proof);
  // The same for a pair given as UTF-8 bytes: it finds what the pair given
  // as UTF-16 finds (a pair with any byte past ASCII has no shape).
  bool find(Direction direction, std::string_view source, std::string_view translation, const Options& options,
            const EncodeOptions& encode, Proof& proof);
  // True when the last find() made the pair's shape (remember() then keeps it).
  bool shaped() const { return wanted_; }
  // The fresh proof of the pair last given to find(), if it found nothing.
  void remember(Proof proof);

  static constexpr std::size_t kLongestPair = 80;  // characters of source and translation together
  static constexpr std::size_t kLongestKey = 3 * kLongestPair + 3;

 private:
  template <typename Char>
  bool find_shape(Direction direction, std::basic_string_view<Char> source, std::basic_string_view<Char> translation,
                  const Options& options, const EncodeOptions& encode, Proof& proof);

  RecentTable<Proof> table_;
  char key_[kLongestKey];
  std::size_t key_size_ = 0;
  std::string payload_;
  bool wanted_ = false;
};


}  // namespace engine
