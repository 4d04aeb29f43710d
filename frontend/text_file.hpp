// Source files for the panes, without the window: reading them as asmconv
// does, refusing what a text pane cannot sensibly hold, and writing them back
// in the form they came in.
//
// A file is read whole: the byte order mark tells the encoding (UTF-8, UTF-8
// with a mark, UTF-16 LE or BE, see engine/text_encoding.hpp), and the line
// reader cuts it into lines (CR LF, LF, CR or a zero byte). A folder, a FIFO,
// a device or anything else that is not a regular file, and a file over 64
// MiB, are refused without being read. A file without a byte order mark that
// is not UTF-8 is an 8-bit text: its code page (cp1251, KOI8-R, cp866, else
// latin1) is guessed from its letters unless the caller names one, and it is
// written back in it byte for byte. A file with a zero byte, or so many
// control characters that it is no 8-bit text either, "does not look like a
// text file": it is read only when the caller says so (NUL ends a line).
//
// A U+2029 (paragraph separator) is part of its line, as in asmconv; the text
// editor would take it for a line break, so in pane lines it stands as
// kParagraphStandIn and turns back on the way out. U+2028 needs no stand-in.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/text_encoding.hpp"
#include "fileio/status.hpp"

namespace frontend {

inline constexpr std::size_t kLargestFile = 64u << 20;

// U+10FFFD, a private-use character, as UTF-16.
inline constexpr std::u16string_view kParagraphStandIn = u"\U0010FFFD";

// How a file was written: its encoding, its line end, and whether its last
// line had one. New files: UTF-8, LF, a final line end.
struct FileFormat {
  engine::Encoding encoding = engine::Encoding::utf8;
  std::string line_end = "\n";
  bool final_line_end = true;
};

struct TextFile {
  std::vector<std::u16string> lines;  // U+2029 as kParagraphStandIn
  FileFormat format;
};

struct ReadResult {
  // Why the file was not read: the system's errno (EISDIR for a folder), or
  // Refusal::not_regular, too_large or not_text.
  fileio::Status status;
  TextFile file;  // when status is ok
};

// Reads the file at path. With accept_binary, a file that does not look like
// text is read all the same.
// `forced`: the 8-bit code page to read a file without a byte order mark in.
ReadResult read_text_file(const std::string& path, bool accept_binary,
                          std::optional<engine::Encoding> forced = std::nullopt);

// The lines of a file's bytes, and the form they came in.
TextFile text_from_bytes(std::string_view bytes, std::optional<engine::Encoding> forced = std::nullopt);
bool looks_like_text(std::string_view bytes);

// The window's sentence for a file that was refused or could not be read,
// naming it: "Cannot read NAME: REASON.", "NAME is a folder, not a file.", ...
std::string describe_problem(const fileio::Status& status);

// The bytes of a file holding these lines in this form.
std::string file_bytes(const std::vector<std::u16string>& lines, const FileFormat& format);

// The name a converted pane proposes on its first save: the other pane's file
// with the other notation's extension (prog.z80 -> prog.asm, prog.asm ->
// prog.z80). Never the other pane's file itself: prog.asm in the Z80 pane
// proposes prog-8080.asm. Empty when the other pane has no file.
std::string converted_name(const std::string& other_file, bool to_8080);

}  // namespace frontend
