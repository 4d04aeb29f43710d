#include "engine/statement_cache.hpp"

namespace engine {
namespace {

std::uint64_t hash_bytes(std::string_view bytes) {
  // FNV-1a, eight bytes at a time, mixed at the end so that the low bits (the
  // set) and the high bits (the tag) both depend on every byte.
  std::uint64_t h = 0xcbf29ce484222325ull;
  std::size_t i = 0;
  for (; i + 8 <= bytes.size(); i += 8) {
    std::uint64_t v;
    std::memcpy(&v, bytes.data() + i, 8);
    h = (h ^ v) * 0x100000001b3ull;
    h ^= h >> 29;
  }
  for (; i < bytes.size(); ++i) h = (h ^ static_cast<unsigned char>(bytes[i])) * 0x100000001b3ull;
  h ^= bytes.size();
  h ^= h >> 29;
  h *= 0xbf58476d1ce4e5b9ull;
  h ^= h >> 32;
  return h;
}

// Every choice that changes a translation (Options but for the macro names,
// with which nothing is remembered): bit 1 is the statement key's own.
std::uint8_t option_bits(const Options& o) {
  return (o.jr_as_jump ? 1 : 0) | (o.backslash_separates ? 4 : 0) | (o.keep_layout ? 8 : 0);
}

}  // namespace

template <typename Record>
RecentTable<Record>::RecentTable(std::size_t sets, std::size_t arena, std::size_t longest)
    : sets_(sets), arena_size_(arena), longest_(longest), tags_(sets * kWays, 0), entries_(sets * kWays),
      next_way_(sets, 0) {
  arena_.reserve(arena);
}

template <typename Record>
bool RecentTable<Record>::find(std::string_view key, std::string& payload, Record& record) {
  looked_up_ = true;
  hash_ = hash_bytes(key);
  const std::size_t set = (hash_ & (sets_ - 1)) * kWays;
  const std::uint32_t tag = static_cast<std::uint32_t>(hash_ >> 32) | 1u;
  bool hit = false;
  for (std::size_t w = 0; w < kWays && !hit; ++w) {
    if (tags_[set + w] != tag) continue;
    const Entry& e = entries_[set + w];
    if (e.key_size != key.size() || std::memcmp(arena_.data() + e.offset, key.data(), key.size()) != 0) continue;
    payload.assign(arena_.data() + e.offset + e.key_size, e.payload_size);
    record = e.record;
    hit = true;
  }
  // Judge the hit rate every window: below one in eight, stop remembering.
  ++window_lookups_;
  if (hit) ++window_hits_;
  if (window_lookups_ >= (bypass_ ? kWindow / kSample : kWindow)) {
    bypass_ = window_hits_ * 8 < window_lookups_;
    window_lookups_ = window_hits_ = 0;
  }
  return hit;
}

template <typename Record>
void RecentTable<Record>::remember(std::string_view key, std::string_view payload, const Record& record) {
  if (!looked_up_ || key.size() + payload.size() > arena_size_ / 16) return;
  looked_up_ = false;
  if (arena_.size() + key.size() + payload.size() > arena_size_) {
    std::fill(tags_.begin(), tags_.end(), 0u);
    arena_.clear();
  }
  const std::size_t set_index = hash_ & (sets_ - 1);
  const std::size_t slot = set_index * kWays + next_way_[set_index]++ % kWays;
  Entry& e = entries_[slot];
  e.offset = static_cast<std::uint32_t>(arena_.size());
  e.key_size = static_cast<std::uint32_t>(key.size());
  e.payload_size = static_cast<std::uint32_t>(payload.size());
  e.record = record;
  arena_.append(key);
  arena_.append(payload);
  tags_[slot] = static_cast<std::uint32_t>(hash_ >> 32) | 1u;
}

template class RecentTable<LineRecord>;
template class RecentTable<Proof>;  // asmconv --verify's memory of line proofs

std::string_view StatementCache::key_bytes(const StatementKey& key) {
  key_.assign(reinterpret_cast<const char*>(key.typed.data()), key.typed.size() * sizeof(char16_t));
  key_ += static_cast<char>((key.needs_blank ? 2 : 0) | option_bits(key.options));
  return key_;
}

bool StatementCache::find(const StatementKey& key, StatementResult& out) {
  Record record{};
  if (!table_.find(key_bytes(key), payload_, record)) {
    return false;
  }
  out.decision = static_cast<Decision>(record.decision);
  out.rule = record.rule;
  out.text.assign(reinterpret_cast<const char16_t*>(payload_.data()), payload_.size() / sizeof(char16_t));
  return true;
}

void StatementCache::remember(const StatementKey& key, const StatementResult& result) {
  if (!table_.looked_up()) return;
  const Record record{static_cast<std::uint8_t>(result.decision), static_cast<std::uint8_t>(result.rule)};
  table_.remember(key_bytes(key),
                  std::string_view(reinterpret_cast<const char*>(result.text.data()), result.text.size() * sizeof(char16_t)),
                  record);
}

std::string_view LineCache::key_bytes(std::string_view line, const Options& options) {
  key_.assign(line);
  key_ += static_cast<char>(option_bits(options));
  return key_;
}

bool LineCache::find(std::string_view line, const Options& options, std::string& out, LineRecord& record) {
  return table_.find(key_bytes(line, options), out, record);
}

void LineCache::remember(std::string_view line, const Options& options, std::string_view out, const LineRecord& record) {
  if (table_.looked_up()) table_.remember(key_bytes(line, options), out, record);
}

template class RecentTable<StatementCache::Record>;

}  // namespace engine
