#include "engine/encode_8080.hpp"

#include "engine/encode_table.hpp"

namespace engine {
namespace {

using namespace encoding;

// Operand kinds with the bit position their code goes to.
constexpr Spec R3{Kind::r8, 3}, R0{Kind::r8, 0};  // b c d e h l m a
constexpr Spec RP{Kind::rp, 4};                   // b d h sp
constexpr Spec RS{Kind::rp_stack, 4};             // b d h psw
constexpr Spec BD{Kind::rp_bd, 4};                // b d
constexpr Spec N{Kind::byte}, NN{Kind::word};
constexpr Spec RST{Kind::rst8, 3};
constexpr Spec _{};

// One row per instruction form; "*" in a mnemonic is a condition (nz z nc c po
// pe p m), its code in bits 3-5.
constexpr Row kRows[] = {
    {u"mov", R3, R0, main_page, 0x40},  // mov m,m is hlt: refused
    {u"mvi", R3, N, main_page, 0x06},
    {u"lxi", RP, NN, main_page, 0x01},
    {u"lda", NN, _, main_page, 0x3A},
    {u"sta", NN, _, main_page, 0x32},
    {u"lhld", NN, _, main_page, 0x2A},
    {u"shld", NN, _, main_page, 0x22},
    {u"ldax", BD, _, main_page, 0x0A},
    {u"stax", BD, _, main_page, 0x02},
    {u"xchg", _, _, main_page, 0xEB},
    {u"add", R0, _, main_page, 0x80},
    {u"adc", R0, _, main_page, 0x88},
    {u"sub", R0, _, main_page, 0x90},
    {u"sbb", R0, _, main_page, 0x98},
    {u"ana", R0, _, main_page, 0xA0},
    {u"xra", R0, _, main_page, 0xA8},
    {u"ora", R0, _, main_page, 0xB0},
    {u"cmp", R0, _, main_page, 0xB8},
    {u"adi", N, _, main_page, 0xC6},
    {u"aci", N, _, main_page, 0xCE},
    {u"sui", N, _, main_page, 0xD6},
    {u"sbi", N, _, main_page, 0xDE},
    {u"ani", N, _, main_page, 0xE6},
    {u"xri", N, _, main_page, 0xEE},
    {u"ori", N, _, main_page, 0xF6},
    {u"cpi", N, _, main_page, 0xFE},
    {u"inr", R3, _, main_page, 0x04},
    {u"dcr", R3, _, main_page, 0x05},
    {u"inx", RP, _, main_page, 0x03},
    {u"dcx", RP, _, main_page, 0x0B},
    {u"dad", RP, _, main_page, 0x09},
    {u"daa", _, _, main_page, 0x27},
    {u"rlc", _, _, main_page, 0x07},
    {u"rrc", _, _, main_page, 0x0F},
    {u"ral", _, _, main_page, 0x17},
    {u"rar", _, _, main_page, 0x1F},
    {u"cma", _, _, main_page, 0x2F},
    {u"cmc", _, _, main_page, 0x3F},
    {u"stc", _, _, main_page, 0x37},
    {u"jmp", NN, _, main_page, 0xC3},
    {u"j*", NN, _, main_page, 0xC2},
    {u"call", NN, _, main_page, 0xCD},
    {u"c*", NN, _, main_page, 0xC4},
    {u"ret", _, _, main_page, 0xC9},
    {u"r*", _, _, main_page, 0xC0},
    {u"rst", RST, _, main_page, 0xC7},
    {u"pchl", _, _, main_page, 0xE9},
    {u"push", RS, _, main_page, 0xC5},
    {u"pop", RS, _, main_page, 0xC1},
    {u"xthl", _, _, main_page, 0xE3},
    {u"sphl", _, _, main_page, 0xF9},
    {u"in", N, _, main_page, 0xDB},
    {u"out", N, _, main_page, 0xD3},
    {u"ei", _, _, main_page, 0xFB},
    {u"di", _, _, main_page, 0xF3},
    {u"hlt", _, _, main_page, 0x76},
    {u"nop", _, _, main_page, 0x00},
};

const Table& table() {
  static const Table t(Notation::i8080, kRows);
  return t;
}

}  // namespace

bool encode_8080(std::u16string_view statement, MachineCode& code, std::string& why, const EncodeOptions& options) {
  StatementParts parts;
  return table().encode_statement(statement, parts, code, why, options);
}

bool encode_8080(std::u16string_view statement, StatementParts& parts, MachineCode& code, std::string& why,
                const EncodeOptions& options) {
  return table().encode_statement(statement, parts, code, why, options);
}

bool is_8080_mnemonic(std::u16string_view word) { return table().knows(word); }

}  // namespace engine
