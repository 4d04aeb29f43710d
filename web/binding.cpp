// The engine for the web page, through embind: the same reading, translating
// and writing as asmconv (engine/line_reader.hpp, engine/text_encoding.hpp,
// engine/pipeline.hpp), on whole texts held by the page.
//
// The page holds a pane as text whose lines are separated by "\n" alone;
// what a file had besides (its encoding, its line end, whether its last line
// was ended) is kept apart and given back on saving:
//   open(bytes)                          -> {text, encoding, lineEnd, lastLineEnded, replaced}
//   translate(toZ80, text, options)      -> {text, marked (Uint8Array, 1 per line), outcomes ("\n" between lines)}
//   save(text, encoding, lineEnd, lastLineEnded) -> Uint8Array
// open() then save() gives back the bytes of the file (a file that is not
// UTF-8 is 8-bit text in the code page its letters suggest; ill-formed UTF-16
// aside, which the engine reads as U+FFFD), and save() of a translation gives
// the bytes asmconv writes for the file.
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "engine/line_reader.hpp"
#include "engine/macro_names.hpp"
#include "engine/pipeline.hpp"
#include "engine/text_encoding.hpp"
#include "engine/utf.hpp"

namespace {

using emscripten::val;

// The page's options, by their JavaScript names: one line per option.
engine::Options options_from(const val& o) {
  engine::Options options;
  const auto flag = [&](const char* name, bool& field) {
    if (o.hasOwnProperty(name)) field = o[name].as<bool>();
  };
  flag("jrAsJump", options.jr_as_jump);
  flag("keepLayout", options.keep_layout);
  return options;
}

// 8-bit code pages go by the names asmconv's --encoding reads ("cp1251" ...).
const char* encoding_key(engine::Encoding e) {
  switch (e) {
    case engine::Encoding::utf8_bom: return "utf8-bom";
    case engine::Encoding::utf16le: return "utf16le";
    case engine::Encoding::utf16be: return "utf16be";
    case engine::Encoding::utf8: return "utf8";
    default: return engine::encoding_short_name(e);
  }
}

engine::Encoding encoding_from(const std::string& key) {
  if (key == "utf8-bom") return engine::Encoding::utf8_bom;
  if (key == "utf16le") return engine::Encoding::utf16le;
  if (key == "utf16be") return engine::Encoding::utf16be;
  return engine::encoding_by_name(key).value_or(engine::Encoding::utf8);
}

bool is_utf16(engine::Encoding e) { return e == engine::Encoding::utf16le || e == engine::Encoding::utf16be; }

val open_file(const std::string& bytes) {
  engine::Encoding encoding = engine::detect_encoding(bytes);
  std::string_view body = std::string_view(bytes).substr(engine::byte_order_mark(encoding).size());
  std::string utf8;
  if (is_utf16(encoding)) {
    engine::Utf16Decoder decoder(encoding == engine::Encoding::utf16be);
    decoder.decode(body, utf8);
    decoder.finish(utf8);
    body = utf8;
  } else if (encoding == engine::Encoding::utf8 && !engine::is_utf8(body)) {
    // 8-bit text (Cyrillic comments): its code page guessed, as the window does.
    encoding = engine::guess_single_byte(body);
    engine::decode_single_byte(encoding, body, utf8);
    body = utf8;
  }
  // The line end asmconv writes: the first one (a zero byte, or none, gives LF).
  std::string line_end = "\n";
  for (std::size_t i = 0; i < body.size(); ++i) {
    const char c = body[i];
    if (c == '\r') line_end = i + 1 < body.size() && body[i + 1] == '\n' ? "\r\n" : "\r";
    if (c == '\r' || c == '\n' || c == '\0') break;
  }
  std::string text;
  text.reserve(body.size());
  bool first = true;
  const engine::LineEnds ends = engine::for_each_line(body, [&](std::u16string_view line) {
    if (!first) text += '\n';
    first = false;
    engine::append_utf8(text, line);
  });
  val result = val::object();
  result.set("text", text);
  result.set("encoding", std::string(encoding_key(encoding)));
  result.set("lineEnd", line_end);
  result.set("lastLineEnded", ends.ends_with_line_end);
  // Ill-formed bytes became U+FFFD: saving gives other bytes than were read.
  const std::string_view raw = std::string_view(bytes).substr(engine::byte_order_mark(encoding).size());
  std::string again;
  if (is_utf16(encoding)) engine::append_utf16_bytes(again, utf8, encoding == engine::Encoding::utf16be);
  else if (engine::is_single_byte(encoding)) engine::encode_single_byte(encoding, utf8, again);
  else again = engine::utf16_to_utf8(engine::utf8_to_utf16(raw));
  result.set("replaced", again != raw);
  return result;
}

val translate(bool to_z80, const std::string& text, const val& options_object) {
  engine::Options options = options_from(options_object);
  // The macros the text defines: their calls go through as typed, as in asmconv.
  engine::MacroNames macros;
  macros.learn_text(text);
  if (!macros.empty()) options.macros = &macros;
  const engine::Direction direction = to_z80 ? engine::Direction::i8080_to_z80 : engine::Direction::z80_to_8080;
  std::string out, outcomes;
  out.reserve(text.size() + text.size() / 4);
  std::vector<unsigned char> marked;
  for (std::size_t begin = 0;;) {
    const std::size_t end = std::min(text.find('\n', begin), text.size());
    const engine::LineInfo info =
        engine::translate_utf8_line(direction, std::string_view(text).substr(begin, end - begin), options, out);
    marked.push_back(engine::is_not_convertible(info.outcome) ? 1 : 0);
    outcomes += engine::describe(info.outcome);
    if (end == text.size()) break;
    out += '\n';
    outcomes += '\n';
    begin = end + 1;
  }
  val result = val::object();
  result.set("text", out);
  result.set("marked", val(emscripten::typed_memory_view(marked.size(), marked.data())).call<val>("slice"));
  result.set("outcomes", outcomes);
  return result;
}

val save_file(const std::string& text, const std::string& encoding_key_name, const std::string& line_end,
              bool last_line_ended) {
  const engine::Encoding encoding = encoding_from(encoding_key_name);
  std::string utf8;
  utf8.reserve(text.size() + text.size() / 16 + 2);
  for (const char c : text) {
    if (c == '\n') utf8 += line_end;
    else utf8 += c;
  }
  if (last_line_ended) utf8 += line_end;
  std::string bytes(engine::byte_order_mark(encoding));
  if (is_utf16(encoding)) engine::append_utf16_bytes(bytes, utf8, encoding == engine::Encoding::utf16be);
  else if (engine::is_single_byte(encoding)) engine::encode_single_byte(encoding, utf8, bytes);
  else bytes += utf8;
  return val(emscripten::typed_memory_view(bytes.size(), reinterpret_cast<const unsigned char*>(bytes.data())))
      .call<val>("slice");
}

}  // namespace

EMSCRIPTEN_BINDINGS(z80tools) {
  emscripten::function("open", &open_file);
  emscripten::function("translate", &translate);
  emscripten::function("save", &save_file);
}
