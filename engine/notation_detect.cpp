#include "engine/notation_detect.hpp"

#include <algorithm>
#include <array>

#include "engine/source_line.hpp"

namespace engine {
namespace {

// Lower case, sorted, for a binary search.
constexpr std::array<std::u16string_view, 38> kZ80Only = {
    u"and", u"bit", u"ccf", u"cpdr", u"cpir", u"cpl", u"dec", u"djnz", u"ex", u"exx",
    u"halt", u"im", u"inc", u"indr", u"inir", u"jr", u"ld", u"ldd", u"lddr", u"ldi",
    u"ldir", u"neg", u"or", u"otdr", u"otir", u"res", u"reti", u"retn", u"rl", u"rld",
    u"rr", u"rrd", u"sbc", u"scf", u"set", u"sla", u"sra", u"srl",
};
constexpr std::array<std::u16string_view, 56> k8080Only = {
    u"aci",  u"adi",  u"ana",  u"ani",  u"cc",   u"cm",   u"cma",  u"cmc",  u"cmp",  u"cnc",  u"cnz",
    u"cpe",  u"cpo",  u"cz",   u"dad",  u"dcr",  u"dcx",  u"hlt",  u"inr",  u"inx",  u"jc",   u"jm",
    u"jmp",  u"jnc",  u"jnz",  u"jpe",  u"jpo",  u"jz",   u"lda",  u"ldax", u"lhld", u"lxi",  u"mov",
    u"mvi",  u"ora",  u"ori",  u"pchl", u"ral",  u"rar",  u"rc",   u"rm",   u"rnc",  u"rnz",  u"rp",
    u"rpe",  u"rpo",  u"rz",   u"sbb",  u"sbi",  u"shld", u"sphl", u"sta",  u"stax", u"stc",  u"sui",
    u"xchg",
};

template <std::size_t N>
bool has(const std::array<std::u16string_view, N>& words, std::u16string_view word) {
  return std::binary_search(words.begin(), words.end(), word);
}

}  // namespace

void NotationCount::add_line(std::u16string_view line) {
  SourceLine parsed;
  parse_line(line, LineRules{}, parsed);
  if (parsed.kind != SourceLine::Kind::code) return;
  for (const Statement& s : parsed.statements) {
    const std::u16string_view typed = first_word(s.typed);
    if (typed.size() > 4) continue;
    char16_t buffer[4];
    for (std::size_t i = 0; i < typed.size(); ++i) {
      const char16_t c = typed[i];
      buffer[i] = c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
    }
    const std::u16string_view word(buffer, typed.size());
    if (has(kZ80Only, word)) ++z80;
    if (has(k8080Only, word)) ++i8080;
  }
}

std::optional<Notation> NotationCount::notation() const {
  if (z80 > 2 * i8080) return Notation::z80;
  if (i8080 > 2 * z80) return Notation::i8080;
  return std::nullopt;
}

}  // namespace engine
