// A table of short words, looked up in any ASCII case, fast: each word of up
// to 16 ASCII characters is packed, lower-cased, into two integers, and the
// table is open addressing over them. Longer words and words with other
// characters are never in a table. Keys are UTF-8 bytes or UTF-16 units.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace engine {

template <typename Value>
class WordTable {
 public:
  static constexpr std::size_t kLongest = 16;

  // The value of a word, or nullptr.
  template <typename Char>
  const Value* find(std::basic_string_view<Char> word) const {
    Key key;
    if (slots_.empty() || !pack(word, key)) return nullptr;
    for (std::size_t i = hash(key) & mask_;; i = (i + 1) & mask_) {
      const Slot& s = slots_[i];
      if (!s.used) return nullptr;
      if (s.key.low == key.low && s.key.high == key.high) return &s.value;
    }
  }

  // The value of a word, inserted with Value{} if it was not there. The word
  // must be short enough (pack succeeds).
  template <typename Char>
  Value& operator[](std::basic_string_view<Char> word) {
    Key key;
    pack(word, key);
    if ((count_ + 1) * 2 > slots_.size()) grow();
    for (std::size_t i = hash(key) & mask_;; i = (i + 1) & mask_) {
      Slot& s = slots_[i];
      if (!s.used) {
        s = Slot{key, Value{}, true};
        ++count_;
        return s.value;
      }
      if (s.key.low == key.low && s.key.high == key.high) return s.value;
    }
  }

  template <typename Char>
  static bool fits(std::basic_string_view<Char> word) {
    Key key;
    return pack(word, key);
  }

  // Calls f(value) for each word.
  template <typename F>
  void for_each(F f) {
    for (Slot& s : slots_) {
      if (s.used) f(s.value);
    }
  }

 private:
  struct Key {
    std::uint64_t low = 0, high = 0;
  };
  struct Slot {
    Key key;
    Value value;
    bool used = false;
  };

  template <typename Char>
  static bool pack(std::basic_string_view<Char> word, Key& key) {
    if (word.empty() || word.size() > kLongest) return false;
    key = Key{};
    for (std::size_t i = 0; i < word.size(); ++i) {
      auto c = static_cast<std::uint32_t>(static_cast<std::make_unsigned_t<Char>>(word[i]));
      if (c == 0 || c >= 0x80) return false;
      if (c >= 'A' && c <= 'Z') c += 32;
      (i < 8 ? key.low : key.high) |= std::uint64_t{c} << (8 * (i % 8));
    }
    return true;
  }
  static std::size_t hash(const Key& k) {
    const std::uint64_t h = (k.low ^ (k.high * 0x9E3779B97F4A7C15ull)) * 0xBF58476D1CE4E5B9ull;
    return static_cast<std::size_t>(h >> 32);
  }
  void grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(std::max<std::size_t>(16, old.size() * 2), Slot{});
    mask_ = slots_.size() - 1;
    count_ = 0;
    for (Slot& s : old) {
      if (!s.used) continue;
      for (std::size_t i = hash(s.key) & mask_;; i = (i + 1) & mask_) {
        if (!slots_[i].used) {
          slots_[i] = std::move(s);
          ++count_;
          break;
        }
      }
    }
  }

  std::vector<Slot> slots_;
  std::size_t mask_ = 0;
  std::size_t count_ = 0;
};

}  // namespace engine
