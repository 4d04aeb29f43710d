// A memory of recent statement translations, one per thread and direction.
//
// A statement's translation depends on its text, on whether a blank is put in
// front of it and on the user's options, nothing else; sources repeat their
// statements ("\tinc\thl", "\tret") many times. The memory is small enough to
// stay in the processor's caches: 4-way sets of 32-bit tags in one array, the
// statements and their translations in one arena that is emptied when full.
// A hit is checked against the whole remembered text, so an answer from the
// memory is always the answer a fresh translation gives.
//
// When few statements repeat (under one in eight over the last few thousand),
// the memory stops taking new ones and looks up only one statement in 64 to
// notice when repetition comes back; a source with no statement twice then
// costs next to nothing extra.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/options.hpp"
#include "engine/pipeline.hpp"

namespace engine {

struct StatementKey {
  std::u16string_view typed;
  bool needs_blank;
  Options options;
};

struct StatementResult {
  Decision decision = Decision::no_rule;
  int rule = 0;
  std::u16string text;  // the rewritten statement; empty unless decision == rewrite
};

class StatementCache {
 public:
  StatementCache();

  // True and `out` filled if the statement is remembered.
  bool find(const StatementKey& key, StatementResult& out);
  // Remembers a fresh translation of the statement last looked up.
  void remember(const StatementKey& key, const StatementResult& result);

  struct Counts {
    std::uint64_t lookups = 0, hits = 0, skipped = 0;
  };
  Counts counts() const { return counts_; }

 private:
  static constexpr std::size_t kWays = 4;
  static constexpr std::size_t kSets = 1024;
  static constexpr std::size_t kArena = 1 << 17;     // code units
  static constexpr std::size_t kLongest = 120;      // longer statements are not kept
  static constexpr std::uint32_t kWindow = 4096;    // lookups per judgement of the hit rate
  static constexpr std::uint32_t kSample = 64;      // while bypassing: one lookup in this many

  struct Entry {
    std::uint32_t offset;      // of the statement in the arena; its translation follows it
    std::uint16_t typed_size;
    std::uint16_t text_size;
    std::uint8_t decision;
    std::uint8_t needs_blank;
    std::uint16_t rule;
    Options options;
  };

  void clear();

  std::vector<std::uint32_t> tags_;  // kSets * kWays; 0: empty
  std::vector<Entry> entries_;
  std::vector<std::uint8_t> next_way_;  // per set: the way to take next
  std::u16string arena_;
  std::uint64_t hash_ = 0;       // of the statement last looked up
  bool looked_up_ = false;       // find ran on the statement remember is told about
  bool bypass_ = false;
  std::uint32_t window_lookups_ = 0, window_hits_ = 0, tick_ = 0;
  Counts counts_;
};

}  // namespace engine
