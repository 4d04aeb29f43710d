// What the engine remembers of recent translations, per thread and direction:
// statements (their translation depends on their text, on whether a blank is
// put in front, and on the user's options) and whole lines read as UTF-8
// (bytes in, bytes out). Sources repeat statements ("\tinc\thl", "\tret") and
// whole lines many times.
//
// Both memories are a RecentTable: small enough to stay in the processor's
// caches, 4-way sets of 32-bit tags in one array, keys and payloads in one
// arena that is emptied when full. A hit is checked against the whole key, so
// an answer from memory is always the answer a fresh translation gives.
//
// When few keys repeat (under one in eight over the last few thousand), the
// table stops taking new ones and looks up only one key in 64 to notice when
// repetition comes back; a source with no statement twice then costs next to
// nothing extra.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "engine/options.hpp"
#include "engine/pipeline.hpp"

namespace engine {

// Key bytes -> payload bytes and a small record (trivially copyable).
template <typename Record>
class RecentTable {
 public:
  RecentTable(std::size_t sets, std::size_t arena, std::size_t longest);

  // Whether the next key is looked up at all (not while bypassing, but for
  // one in kSample): ask before building a key.
  bool wants(std::size_t key_size) {
    looked_up_ = false;
    return key_size <= longest_ && !(bypass_ && ++tick_ % kSample != 0);
  }
  // True and payload and record filled if the key is remembered (after wants).
  bool find(std::string_view key, std::string& payload, Record& record);
  // Remembers what a fresh translation gave for the key last looked up.
  void remember(std::string_view key, std::string_view payload, const Record& record);
  // The last key was looked up (and may be remembered).
  bool looked_up() const { return looked_up_; }

 private:
  static constexpr std::size_t kWays = 4;
  static constexpr std::uint32_t kWindow = 1024;  // lookups per judgement of the hit rate
  static constexpr std::uint32_t kSample = 64;      // while bypassing: one lookup in this many

  struct Entry {
    std::uint32_t offset;  // of the key in the arena; the payload follows it
    std::uint32_t key_size;
    std::uint32_t payload_size;
    Record record;
  };

  std::size_t sets_, arena_size_, longest_;
  std::vector<std::uint32_t> tags_;  // sets * kWays; 0: empty
  std::vector<Entry> entries_;
  std::vector<std::uint8_t> next_way_;
  std::string arena_;
  std::uint64_t hash_ = 0;
  bool looked_up_ = false;
  bool bypass_ = false;
  std::uint32_t window_lookups_ = 0, window_hits_ = 0, tick_ = 0;
};

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
  StatementCache() : table_(1024, 1 << 18, 240) {}
  // False when the memory would not look this key up (see RecentTable::wants);
  // find() must then not be called.
  bool wants(const StatementKey& key) { return table_.wants(key.typed.size() * sizeof(char16_t) + 1); }
  bool find(const StatementKey& key, StatementResult& out);
  void remember(const StatementKey& key, const StatementResult& result);

 private:
  struct Record {
    std::uint8_t decision;
    std::uint8_t rule;
  };
  std::string_view key_bytes(const StatementKey& key);
  RecentTable<Record> table_;
  std::string key_, payload_;
};

// A whole line's translation as translate_utf8_line gives it.
struct LineRecord {
  std::uint8_t decision;
  std::uint8_t rule;
  std::uint32_t source_begin, source_end, out_begin, out_end;  // out_*: from the start of the output
};

class LineCache {
 public:
  LineCache() : table_(2048, 1 << 19, 160) {}
  // As StatementCache::wants.
  bool wants(std::string_view line) { return table_.wants(line.size() + 1); }
  bool looked_up() const { return table_.looked_up(); }
  bool find(std::string_view line, const Options& options, std::string& out, LineRecord& record);
  void remember(std::string_view line, const Options& options, std::string_view out, const LineRecord& record);

 private:
  std::string_view key_bytes(std::string_view line, const Options& options);
  RecentTable<LineRecord> table_;
  std::string key_;
};

}  // namespace engine
