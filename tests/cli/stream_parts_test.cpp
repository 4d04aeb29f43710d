// The stream translator's parts on their own: the reader (encodings, reads cut
// anywhere), the batch cutter (line ends split across reads, long lines, the
// last line), the ordered writer (shares out of order, encodings, repeated
// warnings) and one translator used for several inputs.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "cli/stream_parts.hpp"
#include "cli/translate_stream.hpp"

namespace cli {
namespace {

using namespace std::literals;

// Reads `input` at most `size` bytes at a time.
ReadBlock reads_of(std::string_view input, std::size_t size) {
  return [input, size, at = std::size_t{0}](char* buffer, std::size_t room) mutable {
    const std::size_t n = std::min({room, size, input.size() - at});
    std::memcpy(buffer, input.data() + at, n);
    at += n;
    return static_cast<long>(n);
  };
}

struct ReaderCase {
  std::string_view input;
  std::size_t read_size;
  std::optional<engine::Encoding> code_page;
  std::string_view text;
  engine::Encoding encoding;
};
const ReaderCase kReaderCases[] = {
    {"ld a,b\n", 1, {}, "ld a,b\n", engine::Encoding::utf8},
    {"ab", 1, {}, "ab", engine::Encoding::utf8},  // shorter than a mark
    {"\xEF\xBB\xBFld", 1, {}, "ld", engine::Encoding::utf8_bom},
    {"\xFF\xFE" "a\0\n\0"sv, 1, {}, "a\n", engine::Encoding::utf16le},
    {"\xFE\xFF\0a\0\r\0\n"sv, 3, {}, "a\r\n", engine::Encoding::utf16be},
    {"\xFF\xFE" "a\0b"sv, 2, {}, "a\xEF\xBF\xBD", engine::Encoding::utf16le},  // an odd last byte
    {"\xC6\n\xC6", 1, engine::Encoding::cp1251, "\xD0\x96\n\xD0\x96", engine::Encoding::cp1251},
    {"\xFF\xFE" "a\0"sv, 1, engine::Encoding::cp1251, "a", engine::Encoding::utf16le},  // the mark wins
    {"\xEF\xBB\xBF\xC6", 1, engine::Encoding::cp1251, "\xC6", engine::Encoding::utf8_bom},
};
TEST(InputReader, DecodesWhateverTheReads) {
  for (const auto& c : kReaderCases) {
    const ReadBlock read = reads_of(c.input, c.read_size);
    InputReader reader(read, c.code_page);
    ASSERT_TRUE(reader.start());
    while (!reader.at_end()) ASSERT_TRUE(reader.more());
    EXPECT_EQ(reader.text(), c.text) << c.input;
    EXPECT_EQ(reader.encoding(), c.encoding) << c.input;
  }
}

TEST(InputReader, RetriesAnInterruptedReadAndReportsAFailedOne) {
  int calls = 0;
  const ReadBlock read = [&calls](char* buffer, std::size_t) -> long {
    errno = ++calls == 1 ? EINTR : EIO;
    if (calls == 2) return buffer[0] = 'x', 1;
    return -1;
  };
  InputReader reader(read, {});
  EXPECT_FALSE(reader.start());
  EXPECT_EQ(reader.text(), "x");
  EXPECT_EQ(reader.error(), std::strerror(EIO));
}

// The batches cut from the reads: "[bytes]", then L for a long line and - for
// a last line without a line end.
std::string batches(const std::vector<std::string_view>& reads, std::size_t limit) {
  BatchCutter cutter(limit);
  std::string text, shown;
  std::size_t next = 0;
  for (;;) {
    const Batch b = cutter.next(text, next == reads.size());
    if (b.end == 0) {
      if (next == reads.size()) return shown;
      text += reads[next++];
      continue;
    }
    shown += "[" + text.substr(0, b.end) + "]" + (b.long_line ? "L" : "") + (b.ended ? "" : "-");
    text.erase(0, b.end);
  }
}

struct CutCase {
  std::vector<std::string_view> reads;
  std::size_t limit;
  std::string_view want;
};
const CutCase kCutCases[] = {
    {{}, 4, ""},
    {{"a\nb\nc\n"}, 8, "[a\nb\nc\n]"},
    {{"a\nbb\nc\n"}, 4, "[a\n][bb\n][c\n]"},
    {{"a\r", "\nb\n"}, 2, "[a\r\n][b\n]"},  // CR LF split across reads
    {{"a\r", "b\n"}, 2, "[a\r][b\n]"},      // a lone CR, known at the next read
    {{"a\r"}, 8, "[a\r]"},                 // a CR last of all
    {{"\r\n\r\n"}, 1, "[\r\n][\r\n]"},
    {{"a\0b\0"sv}, 2, "[a\0][b\0]"sv},      // a zero byte ends a line
    {{"a\nb"}, 8, "[a\n][b]-"},            // no final line end
    {{"abcdef\nx\n"}, 4, "[abcdef\n]L[x\n]"},
    {{"ab", "cdef", "\nx"}, 4, "[abcdef\n]L[x]-"},
    {{"abcd\r", "\n"}, 2, "[abcd\r\n]L"},
    {{"abcdef"}, 4, "[abcdef]L-"},
};
TEST(BatchCutter, CutsAfterWholeLines) {
  for (const auto& c : kCutCases) EXPECT_EQ(batches(c.reads, c.limit), c.want) << c.want;
}

// What a writer wrote.
struct Written {
  std::string out, diagnostics;
  WriteBytes write = [this](std::string_view b) { return out += b, true; };
  WriteBytes diagnose = [this](std::string_view b) { return diagnostics += b, true; };
};

struct OrderCase {
  std::string_view order;  // of the shares put
  std::string_view want;   // the output after each put
};
const OrderCase kOrderCases[] = {
    {"012", "0|01|012"},
    {"210", "||012"},
    {"102", "|01|012"},
    {"0321", "0|0|0|0123"},
};
TEST(OrderedWriter, WritesSharesInInputOrder) {
  for (const auto& c : kOrderCases) {
    Written w;
    OrderedWriter writer(w.write, w.diagnose, false);
    std::string seen;
    for (const char i : c.order) {
      writer.put(static_cast<std::size_t>(i - '0'), std::string(1, i), std::string(1, i));
      seen += w.out + "|";
    }
    seen.pop_back();
    EXPECT_EQ(seen, c.want) << c.order;
    EXPECT_EQ(w.diagnostics, w.out) << c.order;
  }
}

struct EncodingCase {
  engine::Encoding encoding;
  std::string_view out, want;
};
const EncodingCase kEncodingCases[] = {
    {engine::Encoding::utf8, "a\n", "a\n"},
    {engine::Encoding::utf8, "", ""},
    {engine::Encoding::utf8_bom, "a", "\xEF\xBB\xBF" "a"},
    {engine::Encoding::utf8_bom, "", "\xEF\xBB\xBF"},  // nothing but the mark keeps it
    {engine::Encoding::utf16le, "a", "\xFF\xFE" "a\0"sv},
    {engine::Encoding::utf16be, "a", "\xFE\xFF\0a"sv},
    {engine::Encoding::cp1251, "\xD0\x96", "\xC6"},
};
TEST(OrderedWriter, WritesInTheInputsEncoding) {
  for (const auto& c : kEncodingCases) {
    Written w;
    OrderedWriter writer(w.write, w.diagnose, false);
    writer.set_encoding(c.encoding);
    writer.put(0, c.out, {});
    writer.put(1, c.out, {});
    writer.finish();
    const std::string mark(engine::byte_order_mark(c.encoding));
    const std::string want(c.want);
    EXPECT_EQ(w.out, c.out.empty() ? want : want + want.substr(mark.size())) << c.out;
  }
}

struct WarningCase {
  bool first_only;
  std::string_view shares[2], want;
};
const WarningCase kWarningCases[] = {
    {true, {"f:1: warning: DAD is x\nf:2: cannot convert: y\nf:3: warning: dad is x\n", ""},
     "f:1: warning: DAD is x\nf:2: cannot convert: y\n"},
    {true, {"f:1: warning: DAD is x\n", "f:2: warning: Dad is x\nf:2: warning: MOV is x"},
     "f:1: warning: DAD is x\nf:2: warning: MOV is x"},
    {false, {"f:1: warning: DAD is x\n", "f:2: warning: DAD is x\n"}, "f:1: warning: DAD is x\nf:2: warning: DAD is x\n"},
};
TEST(OrderedWriter, KeepsTheFirstWarningOfEachWord) {
  for (const auto& c : kWarningCases) {
    Written w;
    OrderedWriter writer(w.write, w.diagnose, c.first_only);
    writer.put(1, {}, c.shares[1]);
    writer.put(0, {}, c.shares[0]);
    EXPECT_EQ(w.diagnostics, c.want) << c.want;
  }
}

TEST(OrderedWriter, AfterAFailedWriteOnlyDiagnosticsGoOut) {
  Written w;
  int writes = 0;
  const WriteBytes fails = [&](std::string_view) { return ++writes, false; };
  OrderedWriter writer(fails, w.diagnose, false);
  writer.put(0, "a", "d0 ");
  writer.put(1, "b", "d1");
  writer.finish();
  EXPECT_TRUE(writer.failed());
  EXPECT_EQ(writes, 1);
  EXPECT_EQ(w.diagnostics, "d0 d1");
}

// Inputs one after another through one translator come out as each does
// through a translator of its own: nothing one leaves in a thread's state
// (its proofs of recent lines among them) reaches the next.
struct Input {
  engine::Direction direction;
  bool jr_as_jump;
  std::string_view text;
};
const Input kInputs[] = {
    {engine::Direction::z80_to_8080, false, "\tjr\tl1\n\tld\ta,b\nl1:\tjr\tnz,l1\n"},
    {engine::Direction::z80_to_8080, true, "\tjr\tl1\n\tld\ta,b\nl1:\tjr\tnz,l1\n"},
    {engine::Direction::i8080_to_z80, false, "\tmov\ta,b\n\tjr\tl1\n\tdad\th\r\n"},
    {engine::Direction::z80_to_8080, false, "\tmov\ta,b\n\tjr\tl1\n\tld\ta,b"},
};
std::string translated(const Input& in, StreamTranslator* translator) {
  StreamOptions options;
  options.direction = in.direction;
  options.engine.jr_as_jump = in.jr_as_jump;
  options.check = options.explain = options.verify = true;
  options.threads = 3;
  options.name = "f";
  Written w;
  const ReadBlock read = reads_of(in.text, 5);
  const StreamResult r = translator ? translator->translate(read, w.write, w.diagnose, options)
                                    : translate_stream(read, w.write, w.diagnose, options);
  return w.out + "\t" + w.diagnostics + "\t" + std::to_string(r.lines) + " " + std::to_string(r.marked) + " " +
         std::to_string(r.proofs[0]) + std::to_string(r.proofs[1]) + std::to_string(r.proofs[2]) +
         std::to_string(r.proofs[3]);
}
TEST(StreamTranslator, KeepsNothingFromOneInputToTheNext) {
  StreamTranslator translator(3);
  for (int round = 0; round < 2; ++round) {
    for (const Input& in : kInputs) EXPECT_EQ(translated(in, &translator), translated(in, nullptr)) << in.text;
  }
}

}  // namespace
}  // namespace cli
