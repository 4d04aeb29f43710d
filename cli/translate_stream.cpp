#include "cli/translate_stream.hpp"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>

#include "engine/line_end.hpp"
#include "engine/mark_reason.hpp"
#include "engine/reserved_names.hpp"
#include "engine/statement_cache.hpp"
#include "engine/utf.hpp"
#include "engine/verify.hpp"

namespace cli {
namespace {

constexpr std::size_t kBatch = 4 << 20;       // bytes of lines translated together
constexpr std::size_t kShownLength = 200;     // bytes of a statement shown in a diagnostic

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

// The proofs of the lines a worker saw lately (engine/statement_cache.hpp),
// for the direction and options they were made with.
struct ProofMemory {
  ProofMemory(engine::Direction d, const engine::Options& o) : direction(d), options(o) {}
  engine::RecentTable<engine::Proof> table{2048, 1 << 18, 160};
  engine::Direction direction;
  engine::Options options;
  std::string payload;
};

}  // namespace

// One thread's share of a batch and the state it keeps from batch to batch.
struct StreamTranslator::Worker {
  engine::Translator translator;  // the engine's scratch and memories for this worker's thread
  engine::Verifier verifier;      // the same for proofs (`verify`)
  std::string out, diagnostics;
  std::size_t lines = 0, marked = 0;
  std::size_t proofs[4] = {};  // with `verify`: lines by engine::Proof
  std::unique_ptr<ProofMemory> memory;  // with `verify`, from the first line proved on
  std::u16string translation;           // scratch of `verify`

  void clear() {
    out.clear(), diagnostics.clear(), lines = 0, marked = 0;
    std::fill_n(proofs, 4, 0);
  }
};

// Translates the lines of a batch with the options of the batch, into the
// worker each call is given. The options must outlive it. Its calls may run on
// several threads at once, each with a worker of its own.
class StreamTranslator::Lines {
 public:
  Lines(const StreamOptions& options, std::string_view line_end)
      : options_(options), line_end_(line_end) {}

  // Translates the lines of batch[from, to), the first of them line number
  // `number`; every line gets the line end but the batch's last when
  // `last_ended` is false. Returns how many lines there were.
  std::size_t run(std::string_view batch, std::size_t from, std::size_t to, std::size_t number, bool last_ended,
                  Worker& part) const {
    batch = batch.substr(0, to);
    std::size_t lines = 0;
    for (std::size_t begin = from; begin < to; ++lines, ++number) {
      const std::size_t e = engine::find_line_end(batch, begin);
      one(batch.substr(begin, e - begin), number, part);
      if (e < to || last_ended) part.out += line_end_;
      begin = e < to ? engine::after_line_end(batch, e) : to;
    }
    return lines;
  }

  // How many lines batch[from, to) holds.
  static std::size_t count(std::string_view batch, std::size_t from, std::size_t to) {
    batch = batch.substr(0, to);
    std::size_t lines = 0;
    for (std::size_t begin = from; begin < to; ++lines) {
      const std::size_t e = engine::find_line_end(batch, begin);
      begin = e < to ? engine::after_line_end(batch, e) : to;
    }
    return lines;
  }

  void one(std::string_view line, std::size_t number, Worker& part) const {
    const std::size_t base = part.out.size();
    const engine::LineInfo info = part.translator.translate_utf8_line(options_.direction, line, options_.engine, part.out);
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
  void warn_reserved(std::u16string_view line, std::size_t number, Worker& part) const {
    const engine::Notation source =
        options_.direction == engine::Direction::z80_to_8080 ? engine::Notation::z80 : engine::Notation::i8080;
    for (const std::u16string_view name : engine::reserved_names(line, source)) {
      part.diagnostics += options_.name + ":" + std::to_string(number) + ": warning: " +
                          engine::reserved_name_warning(name, source) + "\n";
    }
  }

  // The same for a line already decoded.
  void one(std::u16string_view line, std::size_t number, Worker& part) const {
    const std::size_t base = part.out.size();
    const engine::LineInfo info = part.translator.translate_line(options_.direction, line, options_.engine, part.out);
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
                   Worker& part) const {
    std::unique_ptr<ProofMemory>& memory = part.memory;
    if (!memory || memory->direction != options_.direction || !(memory->options == options_.engine)) {
      memory = std::make_unique<ProofMemory>(options_.direction, options_.engine);
    }
    engine::Proof proof{};
    const bool wanted = memory->table.wants(line.size());
    if (wanted && memory->table.find(line, memory->payload, proof)) {
      ++part.proofs[static_cast<int>(proof)];
      return;
    }
    const std::string_view out = std::string_view(part.out).substr(base);
    const engine::LineProof proved = part.verifier.verify_utf8(options_.direction, line, out, options_.engine);
    // Positions count the line's bytes.
    count(proved, line.substr(info.source_begin, info.source_end - info.source_begin), info, number, part);
    if (wanted && proved.proof != engine::Proof::unproven) memory->table.remember(line, {}, proved.proof);
  }

  // The same for a line already decoded.
  void verify(std::u16string_view line, const engine::LineInfo& info, std::size_t base, std::size_t number,
              Worker& part) const {
    std::u16string& translation = part.translation;
    translation.clear();
    engine::append_utf16(translation, std::string_view(part.out).substr(base));
    const engine::LineProof proved = part.verifier.verify(options_.direction, line, translation, options_.engine);
    count(proved, engine::utf16_to_utf8(line.substr(info.source_begin, info.source_end - info.source_begin)), info,
          number, part);
  }

  // A line's proof (engine/verify.hpp), counted; an unproven line reported as
  // "NAME:LINE: unproven: SOURCE -> OUTPUT (REASON)".
  void count(const engine::LineProof& proof, std::string_view source, const engine::LineInfo& info,
             std::size_t number, Worker& part) const {
    ++part.proofs[static_cast<int>(proof.proof)];
    if (proof.proof != engine::Proof::unproven) return;
    part.diagnostics += options_.name + ":" + std::to_string(number) + ": unproven: ";
    append_shown(part.diagnostics, source);
    part.diagnostics += " -> ";
    append_shown(part.diagnostics, std::string_view(part.out).substr(info.out_begin, info.out_end - info.out_begin));
    part.diagnostics += " (" + proof.reason + ")\n";
  }

  void diagnose(const engine::LineInfo& info, const std::string& source, std::size_t number, Worker& part) const {
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
    return engine::marking(options_.direction).size();
  }

  const StreamOptions& options_;
  std::string_view line_end_;
};

namespace {

// Where the shares of a batch end, for `parts` threads: about equal sizes,
// each share starting a line (a share may be empty).
std::vector<std::size_t> share_bounds(std::string_view batch, std::size_t parts) {
  std::vector<std::size_t> bounds(parts + 1, batch.size());
  bounds[0] = 0;
  for (std::size_t p = 1; p < parts; ++p) {
    const std::size_t e = engine::find_line_end(batch, std::max(bounds[p - 1], batch.size() * p / parts));
    bounds[p] = e < batch.size() ? engine::after_line_end(batch, e) : batch.size();
  }
  return bounds;
}

}  // namespace

// Runs a job on every thread of the pool at once: part 0 on the caller's
// thread, the others on threads that live as long as the pool.
class StreamTranslator::Pool {
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

StreamTranslator::StreamTranslator(unsigned threads)
    : pool_(std::make_unique<Pool>(std::max(1u, threads))), workers_(pool_->size()) {
  // The buffers get their size once (a share's output is a little longer
  // than its source): memory touched for the first time in every batch would
  // cost more than the translation.
  for (Worker& w : workers_) w.out.reserve(kBatch * 5 / 4 / workers_.size() + (1 << 20));
}

StreamTranslator::~StreamTranslator() = default;

StreamResult StreamTranslator::translate(const ReadBlock& read, const WriteBytes& write,
                                         const WriteBytes& diagnostics, const StreamOptions& options) {
  StreamResult result;
  InputReader reader(read, options.encoding);
  OrderedWriter writer(write, diagnostics, options.check);
  if (!reader.start()) {
    result.error = reader.error();
    return result;
  }
  result.encoding = reader.encoding();
  writer.set_encoding(result.encoding);
  std::string& text = reader.text();
  BatchCutter cutter(kBatch);
  std::string line_end;  // known from the first line end on
  std::size_t shares = 0;  // written so far
  while (!writer.failed()) {
    // A batch of whole lines: up to kBatch bytes, or one longer line.
    const Batch batch = cutter.next(text, reader.at_end());
    if (batch.end == 0) {
      if (reader.at_end()) break;
      if (reader.more()) continue;
      result.error = reader.error();
      result.write_failed = writer.failed();
      return result;
    }
    if (line_end.empty()) {
      const std::size_t e = engine::find_line_end(text);
      if (e < batch.end) line_end = engine::line_end_spelling(text, e);
    }

    StreamOptions batch_options = options;
    if (options.macros != nullptr) {
      if (!options.macros_known) options.macros->learn_text(std::string_view(text).substr(0, batch.end));
      batch_options.engine.macros = options.macros->empty() ? nullptr : options.macros;
    }
    const Lines lines(batch_options, line_end.empty() ? std::string_view("\n") : std::string_view(line_end));
    const std::size_t number = result.lines + 1;
    for (Worker& w : workers_) w.clear();
    std::size_t taken = batch.end;
    if (batch.long_line) {
      // A long line on its own: its bytes are given back before it is translated.
      const std::size_t e = batch.ended ? engine::find_line_end(text) : batch.end;
      std::u16string line;
      engine::append_utf16(line, std::string_view(text).substr(0, e));
      std::string rest = text.substr(batch.end);
      text.swap(rest);
      std::string().swap(rest);
      taken = 0;
      lines.one(line, number, workers_[0]);
      if (batch.ended) workers_[0].out += line_end;
      workers_[0].lines = 1;
    } else {
      // Each thread finds the lines of its own share.
      const std::string_view bytes = std::string_view(text).substr(0, batch.end);
      const std::vector<std::size_t> bounds = share_bounds(bytes, workers_.size());
      std::vector<std::size_t> first(workers_.size() + 1, number);
      if (options.check || options.explain || options.verify) {
        // Line numbers: each share's lines are counted first.
        pool_->run([&](unsigned p) { workers_[p].lines = Lines::count(bytes, bounds[p], bounds[p + 1]); });
        for (std::size_t p = 0; p < workers_.size(); ++p) first[p + 1] = first[p] + workers_[p].lines;
      }
      pool_->run([&](unsigned p) {
        workers_[p].lines = lines.run(bytes, bounds[p], bounds[p + 1], first[p], batch.ended, workers_[p]);
      });
    }
    for (const Worker& w : workers_) {
      result.lines += w.lines;
      result.marked += w.marked;
      for (int k = 0; k < 4; ++k) result.proofs[k] += w.proofs[k];
      writer.put(shares++, w.out, w.diagnostics);
    }
    text.erase(0, taken);
  }
  if (!writer.failed()) writer.finish();
  result.write_failed = writer.failed();
  return result;
}

StreamResult translate_stream(const ReadBlock& read, const WriteBytes& write, const WriteBytes& diagnostics,
                              const StreamOptions& options) {
  std::unique_ptr<StreamTranslator> translator;
  try {
    translator = std::make_unique<StreamTranslator>(options.threads);
  } catch (const std::system_error& e) {
    StreamResult result;
    result.threads_error = e.code().message();
    return result;
  }
  return translator->translate(read, write, diagnostics, options);
}

}  // namespace cli
