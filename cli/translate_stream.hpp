// A whole input translated, from the bytes read to the bytes written.
//
// The input is read block by block, from wherever it stands (standard input
// that a shell has partly read is translated from there on), and never held
// whole: lines are cut at CR LF, LF, a lone CR or a zero byte, translated in
// batches and written in input order. With several threads, the lines of a
// batch are shared out among them; the output is the same byte for byte.
//
// A byte order mark tells the encoding (engine/text_encoding.hpp): UTF-8
// with a mark, or UTF-16 in either byte order, is written back in the same
// encoding with the same mark. The output's line end is the input's first one
// (CR LF, LF or a lone CR; LF after a zero byte or with no line end at all);
// the last line has one only if the input's last line had one.
//
// The parts: an InputReader decodes what is read, a BatchCutter finds the
// batches of whole lines in it, the translator's workers translate a share
// each, and an OrderedWriter writes the shares in input order
// (cli/stream_parts.hpp).
//
// Diagnostics go out line by line, as they come: with `check`, every marked
// line as "NAME:LINE: cannot convert: STATEMENT"; with `explain`, every line as
// "NAME:LINE: DECISION: STATEMENT -> TRANSLATION" (for a line without a
// statement, "NAME:LINE: DECISION" alone); with `verify`, every unproven
// line as "NAME:LINE: unproven: SOURCE -> OUTPUT (REASON)". Statements are shown with their
// blanks made single spaces.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/stream_parts.hpp"

#include "engine/macro_names.hpp"
#include "engine/pipeline.hpp"
#include "engine/text_encoding.hpp"

namespace cli {

struct StreamOptions {
  engine::Direction direction = engine::Direction::z80_to_8080;
  engine::Options engine;
  unsigned threads = 1;
  bool check = false;
  bool explain = false;
  bool verify = false;  // prove each line (engine/verify.hpp); report the unproven ones
  std::string name;  // of the input, in diagnostics
  // An 8-bit code page the input is in (without a byte order mark): decoded for
  // the diagnostics, written back in it. Without it, a line that is not UTF-8
  // goes through byte for byte all the same.
  std::optional<engine::Encoding> encoding;
  // The macros the input defines (engine/macro_names.hpp): learnt from each
  // batch of lines before it is translated, so that their calls go through as
  // typed. It may hold names learnt beforehand (a first pass over a file).
  engine::MacroNames* macros = nullptr;
  bool macros_known = false;  // a first pass learnt them all: the batches need not
};

struct StreamResult {
  std::size_t lines = 0;
  std::size_t marked = 0;
  std::size_t proofs[4] = {};  // with `verify`: lines by engine::Proof
  engine::Encoding encoding = engine::Encoding::utf8;
  std::string error;   // why reading stopped (the system's reason); empty if it did not
  std::string threads_error;  // why the threads could not be started; nothing was read then
  bool write_failed = false;  // the output or the diagnostics could not be written
};

// Translates inputs one after another with the same threads. Each thread has
// its own state (its share's output, the proofs of the lines it saw lately and
// its scratch space), made once with the translator and used by that thread
// alone. Not thread-safe: one translate() at a time.
class StreamTranslator {
 public:
  // Starts threads - 1 threads (1 for 0) that live as long as the translator;
  // throws std::system_error when one cannot be started.
  explicit StreamTranslator(unsigned threads);
  ~StreamTranslator();
  StreamTranslator(const StreamTranslator&) = delete;
  StreamTranslator& operator=(const StreamTranslator&) = delete;

  // Translates one input with the translator's threads (options.threads is
  // not looked at). read, write, diagnostics and options.macros must outlive
  // the call; nothing of them is kept after it.
  StreamResult translate(const ReadBlock& read, const WriteBytes& write, const WriteBytes& diagnostics,
                         const StreamOptions& options);

 private:
  class Pool;
  struct Worker;
  class Lines;
  std::unique_ptr<Pool> pool_;
  std::vector<Worker> workers_;  // one a thread, numbered as the pool's parts
};

// One input with a translator of options.threads threads of its own; when the
// threads cannot be started, says why in threads_error and reads nothing.
StreamResult translate_stream(const ReadBlock& read, const WriteBytes& write, const WriteBytes& diagnostics,
                              const StreamOptions& options);

}  // namespace cli
