#include "engine/verify.hpp"

#include <array>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

#include "engine/dialect.hpp"
#include "engine/encode_8080.hpp"
#include "engine/encode_z80.hpp"
#include "engine/proof_memory.hpp"
#include "engine/source_line.hpp"
#include "engine/text.hpp"
#include "engine/utf.hpp"

namespace engine {
namespace {

struct Side {
  Notation notation;
  bool (*encode)(std::u16string_view, StatementParts&, MachineCode&, std::string&, const EncodeOptions&);
};

constexpr Side kZ80{Notation::z80, encode_z80};
constexpr Side k8080{Notation::i8080, encode_8080};

template <typename Char>
std::size_t occurrences(std::basic_string_view<Char> text, std::basic_string_view<Char> part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != text.npos; at = text.find(part, at + part.size())) ++n;
  return n;
}

// In 8080 source a "!" in a comment may start a statement: the text after it
// is one when the 8080 steps rewrite it or let it through, as the pipeline
// decides. The source's parse asks the pipeline and notes each answer; the
// translation, whose comments are the source's but for the statements
// rewritten, is read with the same answers in the same order.
struct CommentReading {
  const Options& options;
  std::vector<bool>& answers;
  std::size_t next = 0;
};
bool source_statement(const void* context, std::u16string_view text) {
  const auto& reading = *static_cast<const CommentReading*>(context);
  const bool taken = takes_statement(Direction::i8080_to_z80, text, reading.options);
  reading.answers.push_back(taken);
  return taken;
}
bool translation_statement(const void* context, std::u16string_view) {
  auto& reading = *static_cast<CommentReading*>(const_cast<void*>(context));
  return reading.next < reading.answers.size() && reading.answers[reading.next++];
}

// With `comments` (8080 -> Z80), statements after a "!" in a comment count as
// described above: the source asks, the translation is told.
void parse(std::u16string_view line, const Side& side, bool source, CommentReading* comments, SourceLine& out) {
  const auto starts = source ? source_statement : translation_statement;
  parse_line(line, LineRules{side.notation, kStatementSeparators, comments != nullptr, starts, comments}, out);
}

// The statement of a line that is one statement, maybe with a comment, as
// most lines are: the line starts with a tab, space or comma (no label in
// column 1), its code holds no statement separator, no colon (no indented
// label) and no quote, and where a comment may hold statements, its comment
// holds no "!". parse_line makes such a line one statement of kind `code`: the
// text before the comment. Empty for any other line, and for a blank one.
template <typename Char>
std::basic_string_view<Char> lone_statement(std::basic_string_view<Char> line, bool statements_in_comment) {
  // What ends a statement or starts a comment or quote.
  static constexpr auto kStops = [] {
    std::array<bool, 256> t{};
    for (char16_t c : std::u16string_view(u";!:'\"")) t[c] = true;
    return t;
  }();
  const auto stops = [](Char c) {
    const auto u = static_cast<std::make_unsigned_t<Char>>(c);
    return (sizeof(Char) == 1 || u < 256) && kStops[u & 0xFF];
  };
  if (line.empty() || !is_separator(static_cast<std::make_unsigned_t<Char>>(line.front()))) return {};
  std::size_t end = 0;
  if constexpr (sizeof(Char) == 1) {  // bytes: eight at a time up to the block that holds a stop
    constexpr std::uint64_t ones = 0x0101010101010101ull, highs = 0x8080808080808080ull;
    const auto holds = [](std::uint64_t v, char c) {
      const std::uint64_t x = v ^ (ones * static_cast<unsigned char>(c));
      return (x - ones) & ~x & highs;
    };
    for (; end + 8 <= line.size(); end += 8) {
      std::uint64_t v;
      std::memcpy(&v, line.data() + end, 8);
      if (holds(v, ';') | holds(v, '!') | holds(v, ':') | holds(v, '\'') | holds(v, '"')) break;
    }
  }
  while (end < line.size() && !stops(line[end])) ++end;
  if (end < line.size()) {
    if (line[end] != Char(';')) return {};
    if (statements_in_comment && line.find(Char('!'), end) != std::basic_string_view<Char>::npos) return {};
  }
  const std::basic_string_view<Char> code = line.substr(0, end);
  for (const Char c : code) {
    const char16_t u = static_cast<std::make_unsigned_t<Char>>(c);
    if (!is_blank(u) && u != kEndOfFilePadding) return code;  // as only_blanks()
  }
  return {};
}

// A label as a name: no blanks, no colons, any case.
void append_label_name(std::u16string& name, std::u16string_view label) {
  for (char16_t c : label) {
    if (!is_blank(c) && c != u':') name += lower_char(c);
  }
}

// The text of a statement for comparing: blanks made single, trimmed, any case.
std::u16string plain(std::u16string_view statement) {
  return lower_text(trim_blanks(normalize_blanks(statement)));
}

bool is_switch_pair(std::u16string_view a, std::u16string_view b) {
  const std::u16string_view wa = first_word(a), wb = first_word(b);
  return (is_word(wa, kZ80Switch) && is_word(wb, k8080Switch)) || (is_word(wa, k8080Switch) && is_word(wb, kZ80Switch));
}

// Z80 -> 8080 with jr as jump: "jr e" reads as "jp e", "jr cc,e" as "jp cc,e".
void relative_as_absolute(MachineCode& code) {
  if (code.bytes.size() != 1 || code.operands.size() != 1 || code.operands[0].size != OperandSize::relative) return;
  const std::uint8_t op = code.bytes[0];
  if (op == 0x18) code.bytes[0] = 0xC3;
  else if (op >= 0x20 && op <= 0x38 && (op & 7) == 0) code.bytes[0] = static_cast<std::uint8_t>(0xC2 | (op & 0x18));
  else return;
  code.operands[0].size = OperandSize::word;
}

// An encoding as a reason shows it, cut short.
std::string shown(const MachineCode& code) {
  constexpr std::size_t kLongest = 120;
  std::string text = to_string(code);
  if (text.size() > kLongest) text.replace(kLongest, std::string::npos, "...");
  return text;
}

std::string utf8(std::u16string_view text) {
  std::string out;
  append_utf8(out, text);
  return out;
}

}  // namespace

struct VerifierState {
  MachineCode a, b;  // the encodings of a pair of statements
  std::string why_a, why_b;
  StatementParts parts;
  ProofMemory memory;
  SourceLine s, t;   // source and translation cut into parts
  std::u16string source_labels, translation_labels;
  std::vector<bool> comment_answers;  // the source's "!"-in-comment answers, in order
  std::u16string wide_source, wide_translation;  // verify_utf8's lines as UTF-16
};

namespace {

// The proof of one pair of statements: proven, passed or unproven.
Proof prove(VerifierState& state, const Side& from, const Side& to, std::u16string_view source,
            std::u16string_view translation, const Options& options, const EncodeOptions& encode,
            std::string& reason) {
  MachineCode& a = state.a;
  MachineCode& b = state.b;
  std::string& why_a = state.why_a;
  std::string& why_b = state.why_b;
  const bool source_encodes = from.encode(source, state.parts, a, why_a, encode);
  const bool translation_encodes = to.encode(translation, state.parts, b, why_b, encode);
  if (source_encodes && translation_encodes) {
    if (options.jr_as_jump && from.notation == Notation::z80) relative_as_absolute(a);
    if (a == b) return Proof::proven;
    reason = "the source encodes as " + shown(a) + ", the translation as " + shown(b);
    return Proof::unproven;
  }
  if (source_encodes) {
    reason = "the translation does not encode: " + why_b;
    return Proof::unproven;
  }
  if (plain(source) == plain(translation)) return Proof::passed;  // carried over as typed
  if (translation_encodes) {
    reason = "the source does not encode: " + why_a;
    return Proof::unproven;
  }
  if (is_switch_pair(source, translation)) return Proof::passed;
  reason = "rewritten, and neither side encodes (" + why_a + ")";
  return Proof::unproven;
}

}  // namespace

const char* name_of(Proof proof) {
  switch (proof) {
    case Proof::proven: return "proven";
    case Proof::passed: return "passed";
    case Proof::marked: return "marked";
    case Proof::unproven: return "unproven";
  }
  return "?";
}

Verifier::Verifier() = default;
Verifier::~Verifier() = default;

LineProof verify_line(Direction direction, std::u16string_view source, std::u16string_view translation,
                      const Options& options, const EncodeOptions& encode) {
  thread_local Verifier verifier;
  return verifier.verify(direction, source, translation, options, encode);
}

LineProof Verifier::verify_utf8(Direction direction, std::string_view source, std::string_view translation,
                                const Options& options, const EncodeOptions& encode) {
  if (!state_) state_ = std::make_unique<VerifierState>();
  VerifierState& state = *state_;
  const bool to_8080 = direction == Direction::z80_to_8080;
  // A pair of lone ASCII statements is proved on its bytes (the marking is
  // ASCII, and a byte past ASCII is never a stop): most lines are such a pair,
  // and most of those are found in the memory by their shape.
  static const std::string markings[2] = {std::string(kZ80To8080Marking.begin(), kZ80To8080Marking.end()),
                                          std::string(k8080ToZ80Marking.begin(), k8080ToZ80Marking.end())};
  const std::string_view marking_bytes = markings[to_8080 ? 0 : 1];
  const std::string_view lone_source = lone_statement(source, !to_8080);
  const std::string_view lone_translation =
      lone_source.empty() ? std::string_view() : lone_statement(translation, !to_8080);
  // (A translation with no comment holds no marking.)
  if (!lone_translation.empty() && (lone_translation.size() == translation.size() ||
                                    occurrences(translation, marking_bytes) <= occurrences(source, marking_bytes))) {
    ProofMemory& memory = state.memory;
    Proof p;
    if (memory.find(direction, lone_source, lone_translation, options, encode, p)) return {p, {}};
    if (memory.shaped()) {  // ASCII: the statements as UTF-16 are the bytes widened
      std::u16string& a = state.wide_source;
      std::u16string& b = state.wide_translation;
      a.assign(lone_source.begin(), lone_source.end());
      b.assign(lone_translation.begin(), lone_translation.end());
      std::string reason;
      p = prove(state, to_8080 ? kZ80 : k8080, to_8080 ? k8080 : kZ80, a, b, options, encode, reason);
      memory.remember(p);
      return {p, std::move(reason)};
    }
  }
  std::u16string& a = state.wide_source;
  std::u16string& b = state.wide_translation;
  a.clear();
  b.clear();
  append_utf16(a, source);
  append_utf16(b, translation);
  return verify(direction, a, b, options, encode);
}

LineProof Verifier::verify(Direction direction, std::u16string_view source, std::u16string_view translation,
                           const Options& options, const EncodeOptions& encode) {
  if (!state_) state_ = std::make_unique<VerifierState>();  // made on first use: a Verifier kept in case costs nothing
  VerifierState& state = *state_;
  const bool to_8080 = direction == Direction::z80_to_8080;
  const Side& from = to_8080 ? kZ80 : k8080;
  const Side& to = to_8080 ? k8080 : kZ80;
  const std::u16string_view marking = engine::marking(direction);
  if (occurrences(translation, marking) > occurrences(source, marking)) return {Proof::marked, {}};

  const std::u16string_view lone_source = lone_statement(source, !to_8080);
  const std::u16string_view lone_translation = lone_source.empty() ? std::u16string_view()
                                                                   : lone_statement(translation, !to_8080);
  if (!lone_translation.empty()) {
    ProofMemory& memory = state.memory;
    Proof p;
    if (memory.find(direction, lone_source, lone_translation, options, encode, p)) return {p, {}};
    std::string reason;
    p = prove(state, from, to, lone_source, lone_translation, options, encode, reason);
    memory.remember(p);
    return {p, std::move(reason)};
  }

  SourceLine& s = state.s;
  SourceLine& t = state.t;
  state.comment_answers.clear();
  CommentReading comments{options, state.comment_answers};
  parse(source, from, true, to_8080 ? nullptr : &comments, s);
  parse(translation, to, false, to_8080 ? nullptr : &comments, t);
  std::u16string& source_labels = state.source_labels;
  std::u16string& translation_labels = state.translation_labels;
  source_labels.clear();
  translation_labels.clear();
  append_label_name(source_labels, s.label);
  append_label_name(source_labels, s.inner);
  append_label_name(translation_labels, t.label);
  append_label_name(translation_labels, t.inner);
  if (source_labels != translation_labels) return {Proof::unproven, "the labels differ"};
  if (s.kind != SourceLine::Kind::code || t.kind != SourceLine::Kind::code) {
    const std::u16string_view a = s.statements.empty() ? std::u16string_view() : s.statements.front().typed;
    const std::u16string_view b = t.statements.empty() ? std::u16string_view() : t.statements.front().typed;
    if (s.kind == t.kind && plain(a) == plain(b)) return {Proof::passed, {}};
    if (s.kind == SourceLine::Kind::code || t.kind == SourceLine::Kind::code) {
      // One side holds a statement, the other none: compare with an empty one.
    } else {
      return {Proof::unproven, "the translation changes the line: " + utf8(trim_blanks(b))};
    }
  }

  const std::size_t count = std::max(s.statements.size(), t.statements.size());
  bool all_proven = true, any_proven = false;
  for (std::size_t i = 0; i < count; ++i) {
    const auto statement = [&](const SourceLine& line) {
      return i < line.statements.size() && line.kind == SourceLine::Kind::code ? line.statements[i].typed
                                                                              : std::u16string_view();
    };
    const std::u16string_view a = statement(s), b = statement(t);
    if (only_blanks(a) && only_blanks(b)) continue;
    std::string reason;
    Proof p;
    if (only_blanks(a) || only_blanks(b)) {
      p = Proof::unproven;
      reason = only_blanks(a) ? "the translation adds a statement" : "the translation drops a statement";
    } else {
      p = prove(state, from, to, a, b, options, encode, reason);
    }
    if (p == Proof::unproven) {
      if (count > 1) reason = "statement " + std::to_string(i + 1) + ": " + reason;
      return {Proof::unproven, std::move(reason)};
    }
    if (p != Proof::proven) all_proven = false;
    any_proven = any_proven || p == Proof::proven;
  }
  return {all_proven && any_proven ? Proof::proven : Proof::passed, {}};
}

}  // namespace engine
