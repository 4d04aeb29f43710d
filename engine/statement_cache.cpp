#include "engine/statement_cache.hpp"

#include <cstring>

namespace engine {
namespace {

std::uint64_t hash_of(const StatementKey& key) {
  // FNV-1a over the code units, then the flags; mixed at the end so that the
  // low bits (the set) and the high bits (the tag) both depend on every unit.
  std::uint64_t h = 0xcbf29ce484222325ull;
  for (char16_t c : key.typed) h = (h ^ c) * 0x100000001b3ull;
  h = (h ^ (key.needs_blank ? 1u : 2u)) * 0x100000001b3ull;
  h = (h ^ (key.options.jr_as_jump ? 4u : 8u)) * 0x100000001b3ull;
  h ^= h >> 29;
  h *= 0xbf58476d1ce4e5b9ull;
  h ^= h >> 32;
  return h;
}

}  // namespace

StatementCache::StatementCache()
    : tags_(kSets * kWays, 0), entries_(kSets * kWays), next_way_(kSets, 0) {
  arena_.reserve(kArena);
}

void StatementCache::clear() {
  std::fill(tags_.begin(), tags_.end(), 0u);
  arena_.clear();
}

bool StatementCache::find(const StatementKey& key, StatementResult& out) {
  looked_up_ = false;
  if (key.typed.size() > kLongest) return false;
  if (bypass_ && ++tick_ % kSample != 0) {
    ++counts_.skipped;
    return false;
  }
  looked_up_ = true;
  ++counts_.lookups;
  hash_ = hash_of(key);
  const std::size_t set = (hash_ & (kSets - 1)) * kWays;
  const std::uint32_t tag = static_cast<std::uint32_t>(hash_ >> 32) | 1u;
  bool hit = false;
  for (std::size_t w = 0; w < kWays && !hit; ++w) {
    if (tags_[set + w] != tag) continue;
    const Entry& e = entries_[set + w];
    if (e.typed_size != key.typed.size() || (e.needs_blank != 0) != key.needs_blank || !(e.options == key.options) ||
        std::memcmp(arena_.data() + e.offset, key.typed.data(), key.typed.size() * sizeof(char16_t)) != 0) {
      continue;
    }
    out.decision = static_cast<Decision>(e.decision);
    out.rule = e.rule;
    out.text.assign(arena_.data() + e.offset + e.typed_size, e.text_size);
    hit = true;
  }

  // Judge the hit rate every window: below one in eight, stop remembering.
  ++window_lookups_;
  if (hit) ++window_hits_, ++counts_.hits;
  const std::uint32_t window = bypass_ ? kWindow / kSample : kWindow;
  if (window_lookups_ >= window) {
    bypass_ = window_hits_ * 8 < window_lookups_;
    window_lookups_ = window_hits_ = 0;
  }
  return hit;
}

void StatementCache::remember(const StatementKey& key, const StatementResult& result) {
  if (!looked_up_ || result.text.size() > 0xFFFF) return;
  looked_up_ = false;
  const std::size_t size = key.typed.size() + result.text.size();
  if (arena_.size() + size > kArena) clear();
  const std::size_t set = (hash_ & (kSets - 1)) * kWays;
  const std::size_t way = next_way_[hash_ & (kSets - 1)]++ % kWays;
  Entry& e = entries_[set + way];
  e.offset = static_cast<std::uint32_t>(arena_.size());
  e.typed_size = static_cast<std::uint16_t>(key.typed.size());
  e.text_size = static_cast<std::uint16_t>(result.text.size());
  e.decision = static_cast<std::uint8_t>(result.decision);
  e.needs_blank = key.needs_blank ? 1 : 0;
  e.rule = static_cast<std::uint16_t>(result.rule);
  e.options = key.options;
  arena_.append(key.typed);
  arena_.append(result.text);
  tags_[set + way] = static_cast<std::uint32_t>(hash_ >> 32) | 1u;
}

}  // namespace engine
