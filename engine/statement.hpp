// One statement through the steps of its direction.
//
// A statement is what parse_line cut out of a line (source_line.hpp), as
// typed. Its steps, in order:
//   1. a directive of another assembler (a first word that starts with "." or
//      "#") or a definition ("\tNAME EQU value") passes through as typed;
//      "#define NAME body" whose body is one statement of the source notation
//      has the body translated;
//   2. the blanks around commas outside quotes go (before a comma in both
//      directions, after a comma too in the Z80 -> 8080 direction; never on a
//      data line), and those just inside parentheses, so the rules see each
//      operand right after its comma;
//   3. Z80 -> 8080: an index-register form (ix, iy, their halves, "i," as a
//      word of its own, outside quotes; not on a data line) is marked;
//   4. the direction's rule chain rewrites it, lets it through or marks it.
//
// A StatementTranslator owns the scratch of these steps and the memory of
// recent statements (statement_cache.hpp). It is used by one thread at a
// time; each thread that translates keeps its own.
#pragma once

#include <memory>
#include <string_view>

#include "engine/chain.hpp"
#include "engine/dialect.hpp"
#include "engine/options.hpp"
#include "engine/pipeline.hpp"
#include "engine/statement_cache.hpp"

namespace engine {

// What sets the two directions apart.
struct Policy {
  Notation notation;                 // of the source
  const CompiledChain& chain;
  std::u16string_view marking;
  bool squeeze_after_commas;         // the blanks after commas go too, not only those before
  bool refuse_index_registers;       // index-register forms are marked before the chain
  bool statements_in_comment;        // a "!" in a comment may start a statement (DRI)
  int cache_slot;                    // which statement memory is this direction's
  bool reference = false;            // plain chain, nothing remembered
};

// The policy of a direction; with `reference`, every pattern is tested in turn
// and nothing is remembered (the reference the fast path is held to).
const Policy& policy_of(Direction direction, bool reference = false);

// The notation a policy translates into.
Notation target(const Policy& policy);

class StatementTranslator {
 public:
  // `result.text` is set only for a rewrite: a statement let through or
  // marked goes out as typed. A statement longer than kLongestStatement is
  // `too_long`. needs_blank: the rules see the statement with a blank in front.
  void translate(const Policy& policy, const Options& options, std::u16string_view typed, bool needs_blank,
                 StatementResult& result);

 private:
  void anew(const Policy& policy, const Options& options, std::u16string_view typed, bool needs_blank,
            StatementResult& result);
  void define(const Policy& policy, const Options& options, std::u16string_view typed, bool needs_blank,
              StatementResult& result);

  Code code_;
  Subject subject_;
  // By Policy::cache_slot, made on first use: a program that translates in
  // one direction does not pay for the other's memory.
  std::unique_ptr<StatementCache> caches_[2];
};

// Whether StatementTranslator and the line memory remember (remember_translations).
bool remembering();

}  // namespace engine
