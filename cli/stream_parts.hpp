// The parts of the stream translator (translate_stream.hpp) that stand on
// their own: the reader that turns blocks of input into UTF-8 text, the cutter
// that finds where a batch of whole lines ends in it, and the writer that
// writes the translated shares in input order and in the input's encoding.
// None of them is thread-safe: the stream uses them from the thread that
// called it, and the worker threads never see them.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "engine/text_encoding.hpp"

namespace cli {

// Reads up to size bytes: the count, 0 at the end, or -1 with errno set.
using ReadBlock = std::function<long(char* buffer, std::size_t size)>;
// Writes all of the bytes; false on failure.
using WriteBytes = std::function<bool(std::string_view bytes)>;

// Reads an input block by block and holds what was read and not yet taken as
// UTF-8 text: UTF-16 (told by its byte order mark) is decoded, so is an 8-bit
// code page the user named for an input without a mark, and UTF-8 is kept as
// it came (its mark dropped). `read` must outlive the reader.
class InputReader {
 public:
  InputReader(const ReadBlock& read, std::optional<engine::Encoding> code_page);

  // Reads the byte order mark (from at least the first three bytes, fewer only
  // at the end of the input) and decodes what was read so far. Call it once,
  // before more(). False on a read error (error() says why).
  bool start();
  // Reads one more block onto text(); false on a read error.
  bool more();

  // Decoded and not yet taken: the caller takes from its front.
  std::string& text() { return text_; }
  bool at_end() const { return at_end_; }
  // Of the input, known after start(): UTF-8 (with or without a mark), UTF-16
  // in either byte order, or the code page named.
  engine::Encoding encoding() const { return encoding_; }
  const std::string& error() const { return error_; }  // the system's reason

 private:
  bool read_block(std::string& into);
  void decode();  // raw_ onto text_

  const ReadBlock& read_;
  std::optional<engine::Encoding> code_page_;
  std::unique_ptr<char[]> block_;  // what one read brings (left unset: a short input touches little of it)
  std::string raw_;          // bytes read, not yet decoded (UTF-16 and code-page input only)
  std::string text_;
  std::unique_ptr<engine::Utf16Decoder> utf16_;
  engine::Encoding encoding_ = engine::Encoding::utf8;
  bool decoding_ = false;  // raw_ is decoded into text_ (not UTF-8)
  bool at_end_ = false;
  std::string error_;
};

struct Batch {
  std::size_t end = 0;     // bytes of the text the batch takes; 0: no batch yet
  bool ended = true;       // its last line has a line end
  bool long_line = false;  // one line alone, longer than the limit
};

// Finds where the next batch of whole lines ends in the text read so far: just
// after the last line end within the first `limit` bytes, or, with none there,
// after the first line however long. A CR that is the last byte read may be
// the first half of a CR LF, so no line ends at it before the next byte or the
// end of the input is known. At the end of the input, text with no line end
// is the last line, without one.
class BatchCutter {
 public:
  explicit BatchCutter(std::size_t limit) : limit_(limit) {}

  // The next batch of `text` (read and not yet taken); end 0 when more must be
  // read first, or at the end when nothing is left. After a batch, the caller
  // takes it from the front of the text before asking again.
  Batch next(std::string_view text, bool at_end);

 private:
  std::size_t limit_;
  std::size_t scanned_ = 0;  // the text before this index holds no line end
};

// Writes the translated shares of an input in input order, whatever order
// they come in. The output goes out in the input's encoding, its byte order
// mark before the first byte; the diagnostics go out as they are, but that,
// with `first_warnings_only`, a warning line ("NAME:LINE: warning: WORD ...")
// of a WORD warned of before (in any case) is dropped. write and diagnostics
// must outlive the writer.
class OrderedWriter {
 public:
  OrderedWriter(const WriteBytes& write, const WriteBytes& diagnostics, bool first_warnings_only)
      : write_(write), diagnostics_(diagnostics), first_warnings_only_(first_warnings_only) {}

  // The encoding to write in (InputReader::encoding()); before the first share.
  void set_encoding(engine::Encoding encoding) { encoding_ = encoding; }
  // Share number `index` (from 0 over the whole input, each number once):
  // written at once when every share before it is, else copied and held until
  // they are. After a failed write no more output is written, but diagnostics
  // still are.
  void put(std::size_t index, std::string_view out, std::string_view diagnostics);
  // At the end of the input: a text that was nothing but its byte order mark
  // keeps the mark.
  void finish();
  // The output or the diagnostics could not be written.
  bool failed() const { return failed_; }

 private:
  void write_out(std::string_view bytes);
  void write_diagnostics(std::string_view bytes);

  const WriteBytes& write_;
  const WriteBytes& diagnostics_;
  bool first_warnings_only_;
  engine::Encoding encoding_ = engine::Encoding::utf8;
  std::size_t next_ = 0;  // the share to write next
  std::map<std::size_t, std::pair<std::string, std::string>> held_;  // shares that came early
  std::unordered_set<std::string> warned_;  // words warned of, in lower case
  std::string encoded_, kept_;               // scratch
  bool wrote_mark_ = false, failed_ = false;
};

}  // namespace cli
