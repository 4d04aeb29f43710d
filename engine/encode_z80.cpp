#include "engine/encode_z80.hpp"

#include "engine/encode_table.hpp"

namespace engine {
namespace {

using namespace encoding;

// Operand kinds with the bit position their code goes to.
constexpr Spec R3{Kind::r, 3}, R0{Kind::r, 0};  // b c d e h l a
constexpr Spec M{Kind::m};                      // (hl) (ix+d) (iy+d)
constexpr Spec RR{Kind::rr, 4};                 // bc de hl sp
constexpr Spec QQ{Kind::qq, 4};                 // bc de hl af
constexpr Spec HL{Kind::hl};                    // hl ix iy
constexpr Spec JHL{Kind::jhl};                  // (hl) (ix) (iy)
constexpr Spec CC{Kind::cc, 3}, CC4{Kind::cc4, 3};
constexpr Spec BIT{Kind::bit, 3}, RST{Kind::rst};
constexpr Spec N{Kind::byte}, NN{Kind::word}, E{Kind::relative};
constexpr Spec MNN{Kind::mem_word}, PORT{Kind::port};
constexpr Spec A{Kind::literal, 0, u"a"}, I{Kind::literal, 0, u"i"}, R{Kind::literal, 0, u"r"};
constexpr Spec BC_{Kind::literal, 0, u"(bc)"}, DE_{Kind::literal, 0, u"(de)"}, C_{Kind::literal, 0, u"(c)"};
constexpr Spec SP_{Kind::literal, 0, u"(sp)"}, SP{Kind::literal, 0, u"sp"};
constexpr Spec DE{Kind::literal, 0, u"de"}, HL_ONLY{Kind::literal, 0, u"hl"};
constexpr Spec AF{Kind::literal, 0, u"af"}, AF_{Kind::literal, 0, u"af'"};
constexpr Spec V0{Kind::value, 0, {}, 0}, V1{Kind::value, 0, {}, 1}, V2{Kind::value, 0, {}, 2};
constexpr Spec _{};

// One row per instruction form, by group. The 8-bit arithmetic and logic
// instructions also read with and without "a," ("sub a,b", "add b"), as most
// assemblers take them.
constexpr Row kRows[] = {
    // 8-bit loads
    {u"ld", R3, R0, main_page, 0x40},
    {u"ld", R3, N, main_page, 0x06},
    {u"ld", R3, M, main_page, 0x46},
    {u"ld", M, R0, main_page, 0x70},
    {u"ld", M, N, main_page, 0x36},
    {u"ld", A, BC_, main_page, 0x0A},
    {u"ld", A, DE_, main_page, 0x1A},
    {u"ld", A, MNN, main_page, 0x3A},
    {u"ld", BC_, A, main_page, 0x02},
    {u"ld", DE_, A, main_page, 0x12},
    {u"ld", MNN, A, main_page, 0x32},
    {u"ld", A, I, ed_page, 0x57},
    {u"ld", A, R, ed_page, 0x5F},
    {u"ld", I, A, ed_page, 0x47},
    {u"ld", R, A, ed_page, 0x4F},
    // 16-bit loads
    {u"ld", RR, NN, main_page, 0x01},
    {u"ld", HL, MNN, main_page, 0x2A},
    {u"ld", RR, MNN, ed_page, 0x4B},
    {u"ld", MNN, HL, main_page, 0x22},
    {u"ld", MNN, RR, ed_page, 0x43},
    {u"ld", SP, HL, main_page, 0xF9},
    {u"push", QQ, _, main_page, 0xC5},
    {u"pop", QQ, _, main_page, 0xC1},
    // exchanges, block transfer and search
    {u"ex", DE, HL_ONLY, main_page, 0xEB},
    {u"ex", AF, AF_, main_page, 0x08},
    {u"exx", _, _, main_page, 0xD9},
    {u"ex", SP_, HL, main_page, 0xE3},
    {u"ldi", _, _, ed_page, 0xA0},
    {u"ldir", _, _, ed_page, 0xB0},
    {u"ldd", _, _, ed_page, 0xA8},
    {u"lddr", _, _, ed_page, 0xB8},
    {u"cpi", _, _, ed_page, 0xA1},
    {u"cpir", _, _, ed_page, 0xB1},
    {u"cpd", _, _, ed_page, 0xA9},
    {u"cpdr", _, _, ed_page, 0xB9},
    // 8-bit arithmetic and logic
    {u"add", A, R0, main_page, 0x80},
    {u"add", A, N, main_page, 0xC6},
    {u"add", A, M, main_page, 0x86},
    {u"add", R0, _, main_page, 0x80},
    {u"add", N, _, main_page, 0xC6},
    {u"add", M, _, main_page, 0x86},
    {u"adc", A, R0, main_page, 0x88},
    {u"adc", A, N, main_page, 0xCE},
    {u"adc", A, M, main_page, 0x8E},
    {u"adc", R0, _, main_page, 0x88},
    {u"adc", N, _, main_page, 0xCE},
    {u"adc", M, _, main_page, 0x8E},
    {u"sub", R0, _, main_page, 0x90},
    {u"sub", N, _, main_page, 0xD6},
    {u"sub", M, _, main_page, 0x96},
    {u"sub", A, R0, main_page, 0x90},
    {u"sub", A, N, main_page, 0xD6},
    {u"sub", A, M, main_page, 0x96},
    {u"sbc", A, R0, main_page, 0x98},
    {u"sbc", A, N, main_page, 0xDE},
    {u"sbc", A, M, main_page, 0x9E},
    {u"sbc", R0, _, main_page, 0x98},
    {u"sbc", N, _, main_page, 0xDE},
    {u"sbc", M, _, main_page, 0x9E},
    {u"and", R0, _, main_page, 0xA0},
    {u"and", N, _, main_page, 0xE6},
    {u"and", M, _, main_page, 0xA6},
    {u"and", A, R0, main_page, 0xA0},
    {u"and", A, N, main_page, 0xE6},
    {u"and", A, M, main_page, 0xA6},
    {u"xor", R0, _, main_page, 0xA8},
    {u"xor", N, _, main_page, 0xEE},
    {u"xor", M, _, main_page, 0xAE},
    {u"xor", A, R0, main_page, 0xA8},
    {u"xor", A, N, main_page, 0xEE},
    {u"xor", A, M, main_page, 0xAE},
    {u"or", R0, _, main_page, 0xB0},
    {u"or", N, _, main_page, 0xF6},
    {u"or", M, _, main_page, 0xB6},
    {u"or", A, R0, main_page, 0xB0},
    {u"or", A, N, main_page, 0xF6},
    {u"or", A, M, main_page, 0xB6},
    {u"cp", R0, _, main_page, 0xB8},
    {u"cp", N, _, main_page, 0xFE},
    {u"cp", M, _, main_page, 0xBE},
    {u"cp", A, R0, main_page, 0xB8},
    {u"cp", A, N, main_page, 0xFE},
    {u"cp", A, M, main_page, 0xBE},
    {u"inc", R3, _, main_page, 0x04},
    {u"inc", M, _, main_page, 0x34},
    {u"dec", R3, _, main_page, 0x05},
    {u"dec", M, _, main_page, 0x35},
    // general purpose and control
    {u"daa", _, _, main_page, 0x27},
    {u"cpl", _, _, main_page, 0x2F},
    {u"neg", _, _, ed_page, 0x44},
    {u"ccf", _, _, main_page, 0x3F},
    {u"scf", _, _, main_page, 0x37},
    {u"nop", _, _, main_page, 0x00},
    {u"halt", _, _, main_page, 0x76},
    {u"di", _, _, main_page, 0xF3},
    {u"ei", _, _, main_page, 0xFB},
    {u"im", V0, _, ed_page, 0x46},
    {u"im", V1, _, ed_page, 0x56},
    {u"im", V2, _, ed_page, 0x5E},
    // 16-bit arithmetic
    {u"add", HL, RR, main_page, 0x09},
    {u"adc", HL_ONLY, RR, ed_page, 0x4A},
    {u"sbc", HL_ONLY, RR, ed_page, 0x42},
    {u"inc", RR, _, main_page, 0x03},
    {u"dec", RR, _, main_page, 0x0B},
    // rotates and shifts
    {u"rlca", _, _, main_page, 0x07},
    {u"rla", _, _, main_page, 0x17},
    {u"rrca", _, _, main_page, 0x0F},
    {u"rra", _, _, main_page, 0x1F},
    {u"rlc", R0, _, cb_page, 0x00},
    {u"rlc", M, _, cb_page, 0x06},
    {u"rrc", R0, _, cb_page, 0x08},
    {u"rrc", M, _, cb_page, 0x0E},
    {u"rl", R0, _, cb_page, 0x10},
    {u"rl", M, _, cb_page, 0x16},
    {u"rr", R0, _, cb_page, 0x18},
    {u"rr", M, _, cb_page, 0x1E},
    {u"sla", R0, _, cb_page, 0x20},
    {u"sla", M, _, cb_page, 0x26},
    {u"sra", R0, _, cb_page, 0x28},
    {u"sra", M, _, cb_page, 0x2E},
    {u"srl", R0, _, cb_page, 0x38},
    {u"srl", M, _, cb_page, 0x3E},
    {u"rld", _, _, ed_page, 0x6F},
    {u"rrd", _, _, ed_page, 0x67},
    // bits
    {u"bit", BIT, R0, cb_page, 0x40},
    {u"bit", BIT, M, cb_page, 0x46},
    {u"set", BIT, R0, cb_page, 0xC0},
    {u"set", BIT, M, cb_page, 0xC6},
    {u"res", BIT, R0, cb_page, 0x80},
    {u"res", BIT, M, cb_page, 0x86},
    // jumps, calls and returns
    {u"jp", NN, _, main_page, 0xC3},
    {u"jp", CC, NN, main_page, 0xC2},
    {u"jp", JHL, _, main_page, 0xE9},
    {u"jr", E, _, main_page, 0x18},
    {u"jr", CC4, E, main_page, 0x20},
    {u"djnz", E, _, main_page, 0x10},
    {u"call", NN, _, main_page, 0xCD},
    {u"call", CC, NN, main_page, 0xC4},
    {u"ret", _, _, main_page, 0xC9},
    {u"ret", CC, _, main_page, 0xC0},
    {u"reti", _, _, ed_page, 0x4D},
    {u"retn", _, _, ed_page, 0x45},
    {u"rst", RST, _, main_page, 0xC7},
    // input and output
    {u"in", A, PORT, main_page, 0xDB},
    {u"in", R3, C_, ed_page, 0x40},
    {u"ini", _, _, ed_page, 0xA2},
    {u"inir", _, _, ed_page, 0xB2},
    {u"ind", _, _, ed_page, 0xAA},
    {u"indr", _, _, ed_page, 0xBA},
    {u"out", PORT, A, main_page, 0xD3},
    {u"out", C_, R3, ed_page, 0x41},
    {u"outi", _, _, ed_page, 0xA3},
    {u"otir", _, _, ed_page, 0xB3},
    {u"outd", _, _, ed_page, 0xAB},
    {u"otdr", _, _, ed_page, 0xBB},
};

const Table& table() {
  static const Table t(Notation::z80, kRows);
  return t;
}

}  // namespace

bool encode_z80(std::u16string_view statement, MachineCode& code, std::string& why, const EncodeOptions& options) {
  StatementParts parts;
  return table().encode_statement(statement, parts, code, why, options);
}

bool encode_z80(std::u16string_view statement, StatementParts& parts, MachineCode& code, std::string& why,
                const EncodeOptions& options) {
  return table().encode_statement(statement, parts, code, why, options);
}

bool is_z80_mnemonic(std::u16string_view word) { return table().knows(word); }

}  // namespace engine
