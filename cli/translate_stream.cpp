#include "cli/translate_stream.hpp"

#include "engine/statement_cache.hpp"
#include "engine/verify.hpp"
#include "engine/mark_reason.hpp"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <unordered_set>
#include <vector>

#include "engine/reserved_names.hpp"
#include "engine/utf.hpp"

namespace cli {
namespace {

constexpr std::size_t kBlock = 1 << 20;       // bytes per read
constexpr std::size_t kBatch = 4 << 20;       // bytes of lines translated together
constexpr std::size_t kShownLength = 200;     // bytes of a statement shown in a diagnostic

// Runs a job on every thread of the pool at once: part 0 on the caller's
// thread, the others on threads that live as long as the pool.
class Pool {
 public:
  // Throws std::system_error when a thread cannot be started (the threads
  // started before it are ended first).
  explicit Pool(unsigned threads) {
    try {
      for (unsigned i = 1; i < threads; ++i) workers_.emplace_back([this, i] { loop(i); });
    } catch (...) {
      stop();
      throw;
    }
  }
  ~Pool() { stop(); }
  Pool(const Pool&) = delete;
  Pool& operator=(const Pool&) = delete;

  unsigned size() const { return static_cast<unsigned>(workers_.size()) + 1; }

  void run(const std::function<void(unsigned)>& job) {
    if (workers_.empty()) {
      job(0);
      return;
    }
    {
      const std::lock_guard lock(mutex_);
      job_ = &job;
      ++generation_;
      pending_ = workers_.size();
    }
    wake_.notify_all();
    job(0);
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return pending_ == 0; });
  }

 private:
  void loop(unsigned part) {
    std::uint64_t seen = 0;
    for (;;) {
      const std::function<void(unsigned)>* job;
      {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [&] { return stop_ || generation_ != seen; });
        if (stop_) return;
        seen = generation_;
        job = job_;
      }
      (*job)(part);
      const std::lock_guard lock(mutex_);
      if (--pending_ == 0) done_.notify_one();
    }
  }

  void stop() {
    {
      const std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    for (auto& t : workers_) t.join();
    workers_.clear();
  }

  std::vector<std::thread> workers_;
  std::mutex mutex_;
  std::condition_variable wake_, done_;
  const std::function<void(unsigned)>* job_ = nullptr;
  std::uint64_t generation_ = 0;
  std::size_t pending_ = 0;
  bool stop_ = false;
};

// Index of the first CR, LF or zero byte at or after `from`, or the size;
// eight bytes at a time.
std::size_t find_line_end(std::string_view text, std::size_t from) {
  constexpr std::uint64_t ones = 0x0101010101010101ull, highs = 0x8080808080808080ull;
  const auto has_zero = [](std::uint64_t v) { return (v - ones) & ~v & highs; };
  std::size_t i = from;
  for (; i + 8 <= text.size(); i += 8) {
    std::uint64_t v;
    std::memcpy(&v, text.data() + i, 8);
    if (has_zero(v) | has_zero(v ^ (ones * '\n')) | has_zero(v ^ (ones * '\r'))) break;
  }
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\n' || c == '\r' || c == '\0') return i;
  }
  return text.size();
}

// Drops each "...: warning: NAME is ..." line of the diagnostics whose NAME
// (in any case) was warned of before.
void keep_first_warnings(std::string& diagnostics, std::unordered_set<std::string>& warned) {
  if (diagnostics.find(": warning: ") == std::string::npos) return;
  std::string kept;
  for (std::size_t start = 0; start < diagnostics.size();) {
    const std::size_t end = std::min(diagnostics.find('\n', start), diagnostics.size() - 1) + 1;
    const std::string_view line = std::string_view(diagnostics).substr(start, end - start);
    const std::size_t at = line.find(": warning: ");
    if (at != std::string_view::npos) {
      const std::string_view rest = line.substr(at + 11);
      std::string name(rest.substr(0, rest.find(' ')));
      for (char& c : name) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
      if (!warned.insert(name).second) {
        start = end;
        continue;
      }
    }
    kept += line;
    start = end;
  }
  diagnostics.swap(kept);
}

// The statement as shown in a diagnostic: blanks made single spaces, trimmed,
// cut after kShownLength bytes.
void append_shown(std::string& out, std::string_view utf8) {
  std::size_t written = 0;
  bool blank = false;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const char c = utf8[i];
    if (c == ' ' || c == '\t') {
      blank = true;
      continue;
    }
    if (blank && written > 0) out += ' ', ++written;
    blank = false;
    if (written >= kShownLength && (static_cast<unsigned char>(c) & 0xC0) != 0x80) {
      out += "...";
      return;
    }
    out += c;
    ++written;
  }
}

// What one thread made of its share of a batch.
struct Part {
  std::string out, diagnostics;
  std::size_t lines = 0, marked = 0;
  std::size_t proofs[4] = {};  // with `verify`: lines by engine::Proof
};

class Translator {
 public:
  Translator(const StreamOptions& options, std::string_view line_end)
      : options_(options), line_end_(line_end) {}

  // Translates the lines of batch[from, to), the first of them line number
  // `number`; every line gets the line end but the batch's last when
  // `last_ended` is false. Returns how many lines there were.
  std::size_t run(std::string_view batch, std::size_t from, std::size_t to, std::size_t number, bool last_ended,
                  Part& part) const {
    std::size_t lines = 0;
    for (std::size_t begin = from; begin < to; ++lines, ++number) {
      const std::size_t e = find_line_end(batch.substr(0, to), begin);
      one(batch.substr(begin, e - begin), number, part);
      if (e < to || last_ended) part.out += line_end_;
      begin = e < to && batch[e] == '\r' && e + 1 < to && batch[e + 1] == '\n' ? e + 2 : e + 1;
    }
    return lines;
  }

  // How many lines batch[from, to) holds.
  static std::size_t count(std::string_view batch, std::size_t from, std::size_t to, bool) {
    std::size_t lines = 0;
    for (std::size_t begin = from; begin < to; ++lines) {
      const std::size_t e = find_line_end(batch.substr(0, to), begin);
      begin = e < to && batch[e] == '\r' && e + 1 < to && batch[e + 1] == '\n' ? e + 2 : e + 1;
    }
    return lines;
  }

  void one(std::string_view line, std::size_t number, Part& part) const {
    const std::size_t base = part.out.size();
    const engine::LineInfo info = engine::translate_utf8_line(options_.direction, line, options_.engine, part.out);
    if (engine::is_not_convertible(info.outcome)) ++part.marked;
    if (options_.verify) verify_utf8(line, info, base, number, part);
    if (!options_.check && !options_.explain) return;
    // Positions count the line's bytes (an 8-bit line is shown as its bytes).
    diagnose(info, std::string(line.substr(info.source_begin, info.source_end - info.source_begin)), number, part);
    if (options_.check) warn_reserved(engine::utf8_to_utf16(line), number, part);
  }

  // "NAME:LINE: warning: DAD is a mnemonic in 8080 notation; rename it" for
  // each name of the line the other notation reserves (the stream keeps the
  // first warning of each name).
  void warn_reserved(std::u16string_view line, std::size_t number, Part& part) const {
    const engine::Notation source =
        options_.direction == engine::Direction::z80_to_8080 ? engine::Notation::z80 : engine::Notation::i8080;
    for (const std::u16string_view name : engine::reserved_names(line, source)) {
      part.diagnostics += options_.name + ":" + std::to_string(number) + ": warning: " +
                          engine::reserved_name_warning(name, source) + "\n";
    }
  }

  // The same for a line already decoded.
  void one(std::u16string_view line, std::size_t number, Part& part) const {
    const std::size_t base = part.out.size();
    const engine::LineInfo info = engine::translate_line(options_.direction, line, options_.engine, part.out);
    if (engine::is_not_convertible(info.outcome)) ++part.marked;
    if (options_.verify) verify(line, info, base, number, part);
    if (!options_.check && !options_.explain) return;
    diagnose(info, engine::utf16_to_utf8(line.substr(info.source_begin, info.source_end - info.source_begin)), number,
             part);
    if (options_.check) warn_reserved(line, number, part);
  }

  // The same for a line given as UTF-8. The output is a function of the line,
  // so a line that comes again (most lines of a program do) is proved once:
  // the proofs of recent lines are remembered (engine/statement_cache.hpp).
  void verify_utf8(std::string_view line, const engine::LineInfo& info, std::size_t base, std::size_t number,
                   Part& part) const {
    struct Memory {
      engine::RecentTable<engine::Proof> table{2048, 1 << 18, 160};
      engine::Direction direction;
      engine::Options options;
      std::string payload;
    };
    thread_local std::unique_ptr<Memory> memory;
    if (!memory || memory->direction != options_.direction || !(memory->options == options_.engine)) {
      memory = std::make_unique<Memory>();
      memory->direction = options_.direction;
      memory->options = options_.engine;
    }
    engine::Proof proof{};
    const bool wanted = memory->table.wants(line.size());
    if (wanted && memory->table.find(line, memory->payload, proof)) {
      ++part.proofs[static_cast<int>(proof)];
      return;
    }
    thread_local std::u16string text;
    text.clear();
    engine::append_utf16(text, line);
    proof = verify(text, info, base, number, part);
    if (wanted && proof != engine::Proof::unproven) memory->table.remember(line, {}, proof);
  }

  // The line's proof (engine/verify.hpp), counted; an unproven line reported
  // as "NAME:LINE: unproven: SOURCE -> OUTPUT (REASON)".
  engine::Proof verify(std::u16string_view line, const engine::LineInfo& info, std::size_t base, std::size_t number,
                       Part& part) const {
    const std::string_view out = std::string_view(part.out).substr(base);
    thread_local std::u16string translation;
    translation.clear();
    engine::append_utf16(translation, out);
    const engine::LineProof proof = engine::verify_line(options_.direction, line, translation, options_.engine);
    ++part.proofs[static_cast<int>(proof.proof)];
    if (proof.proof != engine::Proof::unproven) return proof.proof;
    part.diagnostics += options_.name + ":" + std::to_string(number) + ": unproven: ";
    append_shown(part.diagnostics,
                 engine::utf16_to_utf8(line.substr(info.source_begin, info.source_end - info.source_begin)));
    part.diagnostics += " -> ";
    append_shown(part.diagnostics, std::string_view(part.out).substr(info.out_begin, info.out_end - info.out_begin));
    part.diagnostics += " (" + proof.reason + ")\n";
    return proof.proof;
  }

  void diagnose(const engine::LineInfo& info, const std::string& source, std::size_t number, Part& part) const {
    const bool marked = engine::is_not_convertible(info.outcome);
    const std::string where = options_.name + ":" + std::to_string(number) + ": ";
    if (options_.explain) {
      part.diagnostics += where + engine::describe(info.outcome);
      const engine::Decision d = info.outcome.decision;
      if (d != engine::Decision::blank && d != engine::Decision::label_only) {
        part.diagnostics += ": ";
        append_shown(part.diagnostics, source);
        part.diagnostics += " -> ";
        const std::size_t from = marked ? info.out_begin - marking_size() : info.out_begin;
        append_shown(part.diagnostics, std::string_view(part.out).substr(from, info.out_end - from));
      }
      if (marked) append_reason(info, source, part.diagnostics);
      part.diagnostics += '\n';
    }
    if (options_.check && marked) {
      part.diagnostics += where + "cannot convert: ";
      append_shown(part.diagnostics, source);
      append_reason(info, source, part.diagnostics);
      part.diagnostics += '\n';
    }
  }

 private:
  // " -- CODE: why" (engine/mark_reason.hpp).
  void append_reason(const engine::LineInfo& info, const std::string& source, std::string& out) const {
    const engine::MarkReason reason =
        engine::mark_reason(options_.direction, info.outcome, engine::utf8_to_utf16(source));
    if (reason.code.empty()) return;
    out += " -- ";
    out += reason.code;
    out += ": ";
    out += reason.text;
  }

  // Bytes of the marking in the output (it is ASCII).
  std::size_t marking_size() const {
    return (options_.direction == engine::Direction::z80_to_8080 ? engine::kZ80To8080Marking
                                                                : engine::k8080ToZ80Marking)
        .size();
  }

  const StreamOptions& options_;
  std::string_view line_end_;
};

}  // namespace

StreamResult translate_stream(const ReadBlock& read, const WriteBytes& write, const WriteBytes& diagnostics,
                              const StreamOptions& options) {
  StreamResult result;
  // The workers stay for the next input (one pool per thread count asked for).
  thread_local std::vector<std::unique_ptr<Pool>> pools;
  const unsigned threads = std::max(1u, options.threads);
  auto found = std::find_if(pools.begin(), pools.end(), [&](const auto& p) { return p->size() == threads; });
  if (found == pools.end()) {
    try {
      found = pools.insert(pools.end(), std::make_unique<Pool>(threads));
    } catch (const std::system_error& e) {
      result.threads_error = e.code().message();
      return result;
    }
  }
  Pool& pool = **found;
  // The buffers get their size once: memory touched for the first time in
  // every batch would cost more than the translation.
  std::vector<Part> parts(pool.size());
  for (Part& p : parts) p.out.reserve(kBatch * 5 / 4 / parts.size() + kBlock);
  std::string raw, text;  // raw: bytes as read (UTF-16 input only); text: UTF-8 not yet translated
  text.reserve(kBatch + 2 * kBlock);
  std::string line_end;   // known from the first line end on
  bool at_end = false, wrote_mark = false;
  std::unique_ptr<engine::Utf16Decoder> utf16;
  bool single_byte = false;  // an 8-bit code page the user named: decoded on reading, encoded on writing
  std::string encoded;    // output in UTF-16, when the input was

  thread_local std::vector<char> block(kBlock);  // what one read brings, before it joins the text
  const auto fill = [&]() -> bool {
    std::string& into = utf16 || single_byte ? raw : text;
    long n;
    do {
      n = read(block.data(), block.size());
    } while (n < 0 && errno == EINTR);
    if (n > 0) into.append(block.data(), static_cast<std::size_t>(n));
    if (n < 0) {
      result.error = std::strerror(errno);
      return false;
    }
    if (n == 0) at_end = true;
    if (utf16) {
      utf16->decode(raw, text);
      raw.clear();
      if (at_end) utf16->finish(text);
    } else if (single_byte) {
      engine::decode_single_byte(result.encoding, raw, text);
      raw.clear();
    }
    return true;
  };
  const auto emit = [&](std::string_view bytes) {
    if (bytes.empty() || result.write_failed) return;
    if (!wrote_mark) {
      wrote_mark = true;
      if (!engine::byte_order_mark(result.encoding).empty() && !write(engine::byte_order_mark(result.encoding))) {
        result.write_failed = true;
        return;
      }
    }
    if (result.encoding == engine::Encoding::utf16le || result.encoding == engine::Encoding::utf16be) {
      encoded.clear();
      engine::append_utf16_bytes(encoded, bytes, result.encoding == engine::Encoding::utf16be);
      bytes = encoded;
    } else if (single_byte) {
      encoded.clear();
      engine::encode_single_byte(result.encoding, bytes, encoded);
      bytes = encoded;
    }
    if (!write(bytes)) result.write_failed = true;
  };

  // The byte order mark, read from at least the first three bytes.
  while (text.size() < 3 && !at_end) {
    if (!fill()) return result;
  }
  result.encoding = engine::detect_encoding(text);
  text.erase(0, engine::byte_order_mark(result.encoding).size());
  if (result.encoding == engine::Encoding::utf16le || result.encoding == engine::Encoding::utf16be) {
    utf16 = std::make_unique<engine::Utf16Decoder>(result.encoding == engine::Encoding::utf16be);
    raw.swap(text);
    text.clear();
    utf16->decode(raw, text);
    raw.clear();
    if (at_end) utf16->finish(text);
  } else if (result.encoding == engine::Encoding::utf8 && options.encoding && engine::is_single_byte(*options.encoding)) {
    result.encoding = *options.encoding;
    single_byte = true;
    raw.swap(text);
    text.clear();
    engine::decode_single_byte(result.encoding, raw, text);
    raw.clear();
  }

  // The index just after the last line end in text[from, to), or 0. A CR at
  // the very end of the text waits for what follows it (an LF or not).
  const auto last_line_end = [&](std::size_t from, std::size_t to) -> std::size_t {
    for (std::size_t e = to; e-- > from;) {
      const char c = text[e];
      if (c == '\n' || c == '\0') return e + 1;
      if (c != '\r') continue;
      if (e + 1 < text.size()) return text[e + 1] == '\n' ? e + 2 : e + 1;
      if (at_end) return e + 1;
    }
    return 0;
  };
  // The index just after the line end at e (CR LF counts as one).
  const auto after_end = [&](std::size_t e) { return text[e] == '\r' && e + 1 < text.size() && text[e + 1] == '\n' ? e + 2 : e + 1; };

  std::unordered_set<std::string> warned;  // names already warned of
  std::size_t scanned = 0;  // text before this index holds no line end
  while (result.error.empty() && !result.write_failed) {
    // Gather a batch of whole lines: up to kBatch bytes, or one longer line.
    std::size_t cut = 0;  // just after the last line end of the batch
    bool long_line = false;  // the batch is one line longer than kBatch
    for (;;) {
      const std::size_t limit = std::min(text.size(), kBatch);
      if (limit > scanned) cut = last_line_end(scanned, limit);
      if (cut == 0 && text.size() > limit) {
        const std::size_t e = find_line_end(text, std::max(scanned, limit));
        if (e < text.size() && (text[e] != '\r' || e + 1 < text.size() || at_end)) {
          cut = after_end(e);
          long_line = true;
        }
      }
      if (cut > 0 || at_end) break;
      scanned = text.size() - (!text.empty() && text.back() == '\r' ? 1 : 0);
      if (!fill()) return result;
    }
    bool last_ended = true;
    if (cut == 0) {  // at the end: the last line, with no line end after it
      if (text.empty()) break;
      cut = text.size();
      last_ended = false;
      long_line = cut > kBatch;
    }
    if (line_end.empty()) {
      const std::size_t e = find_line_end(text, 0);
      if (e < cut) line_end = after_end(e) == e + 2 ? "\r\n" : text[e] == '\r' ? "\r" : "\n";
    }

    StreamOptions batch_options = options;
    if (options.macros != nullptr) {
      if (!options.macros_known) options.macros->learn_text(std::string_view(text).substr(0, cut));
      batch_options.engine.macros = options.macros->empty() ? nullptr : options.macros;
    }
    const Translator translator(batch_options, line_end.empty() ? std::string_view("\n") : std::string_view(line_end));
    const std::size_t number = result.lines + 1;
    for (Part& p : parts) p.out.clear(), p.diagnostics.clear(), p.marked = 0, p.lines = 0, std::fill_n(p.proofs, 4, 0);
    if (long_line) {
      // A long line on its own: its bytes are given back before it is translated.
      const std::size_t e = last_ended ? find_line_end(text, 0) : cut;
      std::u16string line;
      engine::append_utf16(line, std::string_view(text).substr(0, e));
      std::string rest = text.substr(cut);
      text.swap(rest);
      std::string().swap(rest);
      cut = 0;
      translator.one(line, number, parts[0]);
      if (last_ended) parts[0].out += line_end;
      parts[0].lines = 1;
    } else {
      // Shares of about equal size, each starting a line; each thread finds
      // the lines of its own share.
      std::vector<std::size_t> bounds(parts.size() + 1, cut);
      bounds[0] = 0;
      for (std::size_t p = 1; p < parts.size(); ++p) {
        const std::size_t e = find_line_end(std::string_view(text).substr(0, cut), std::max(bounds[p - 1], cut * p / parts.size()));
        bounds[p] = e < cut ? std::min(after_end(e), cut) : cut;
      }
      const std::string_view batch = std::string_view(text).substr(0, cut);
      std::vector<std::size_t> first(parts.size() + 1, number);
      if (options.check || options.explain || options.verify) {
        // Line numbers: each share's lines are counted first.
        pool.run([&](unsigned p) { parts[p].lines = translator.count(batch, bounds[p], bounds[p + 1], last_ended); });
        for (std::size_t p = 0; p < parts.size(); ++p) first[p + 1] = first[p] + parts[p].lines;
      }
      pool.run([&](unsigned p) {
        parts[p].lines = translator.run(batch, bounds[p], bounds[p + 1], first[p], last_ended, parts[p]);
      });
    }
    for (Part& p : parts) {
      result.lines += p.lines;
      result.marked += p.marked;
      for (int k = 0; k < 4; ++k) result.proofs[k] += p.proofs[k];
      emit(p.out);
      if (options.check) keep_first_warnings(p.diagnostics, warned);
      if (!p.diagnostics.empty() && !diagnostics(p.diagnostics)) result.write_failed = true;
    }
    text.erase(0, cut);
    scanned = 0;
    if (at_end && text.empty()) break;
  }
  // A text of nothing but its byte order mark keeps the mark.
  if (!wrote_mark && result.error.empty() && !result.write_failed && !engine::byte_order_mark(result.encoding).empty() &&
      !write(engine::byte_order_mark(result.encoding))) {
    result.write_failed = true;
  }
  return result;
}

}  // namespace cli
