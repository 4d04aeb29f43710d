// The Z80 -> 8080 chain, family by family. Each case is a whole line and the
// rule that must decide it (0: no rule, the line is marked at the end).
#include <gtest/gtest.h>

#include "test_text.hpp"

namespace engine {
namespace {

using Case = testing::RuleCase;

void check(std::span<const Case> cases) { testing::check_rules(translate_z80_to_8080, cases); }

const Case kData[] = {
    {u"⇥db⇥1,2,3", u"⇥db⇥1,2,3", 1},
    {u"⇥DW⇥label", u"⇥DW⇥label", 2},
    {u"⇥ds⇥10", u"⇥ds⇥10", 3},
    {u"⇥db⇥1, 2", u"⇥db⇥1, 2", 1},               // data keeps its blanks
    {u"⇥db⇥'a, b'", u"⇥db⇥'a, b'", 1},
    {u"⇥db⇥';'", u"⇥db⇥';'", 1},                 // cut at ";", the rest comes back as the comment
    {u"⇥db", u"; cannot convert:⇥db", 0},
};
TEST(Z80To8080, DataDirectives) { check(kData); }

const Case k16BitLoads[] = {
    {u"⇥ld⇥sp,hl", u"⇥sphl", 4},
    {u"⇥LD⇥SP,HL", u"⇥sphl", 4},
    {u"⇥ld⇥sp, hl 47241 ", u"⇥sphl 47241 ", 4},  // what follows is kept for the assembler to refuse, never dropped
    {u"⇥ld⇥(buf+2),hl ⇥", u"⇥shld buf+2", 5},
    {u"⇥ld⇥hl,(buf)", u"⇥lhld buf", 6},
    {u"⇥LD⇥HL,(Buf)", u"⇥lhld Buf", 6},
    {u"⇥ld⇥hl, (buf)", u"⇥lhld buf", 6},
    {u"⇥ld⇥sp,(buf)", u"; cannot convert:⇥ld⇥sp,(buf)", 7},
    {u"⇥ld⇥sp, (buf)", u"; cannot convert:⇥ld⇥sp, (buf)", 7},  // marked as typed
    {u"⇥ld⇥sp,1000h", u"⇥lxi⇥sp,1000h", 8},
    {u"⇥ld⇥bc,(buf)", u"; cannot convert:⇥ld⇥bc,(buf)", 9},
    {u"⇥ld⇥bc,1234", u"⇥lxi⇥b,1234", 10},
    {u"⇥ld⇥de,(buf)", u"; cannot convert:⇥ld⇥de,(buf)", 11},
    {u"⇥LD⇥DE,Tab", u"⇥lxi⇥d,Tab", 12},
    {u"⇥ld⇥hl,0", u"⇥lxi⇥h,0", 13},
    {u"loop:⇥ld⇥(buf),hl⇥; x", u"loop:⇥⇥shld buf; x", 5},
};
TEST(Z80To8080, SixteenBitLoads) { check(k16BitLoads); }

const Case k8BitLoads[] = {
    {u"⇥ld⇥(bc),a", u"⇥stax⇥b", 14},
    {u"⇥ld⇥(de),a", u"⇥stax⇥d", 15},
    {u"⇥ld⇥a,(bc)", u"⇥ldax⇥b", 16},
    {u"⇥ld⇥a, (de)", u"⇥ldax⇥d", 17},
    {u"⇥ld⇥a,(buf)", u"⇥lda buf", 19},
    {u"⇥ld⇥a, (5ch)", u"⇥lda 5ch", 19},
    {u"⇥ld⇥(buf),a", u"⇥sta buf", 20},
    {u"⇥ld⇥(hl),a", u"⇥mov⇥m,a", 18},
    {u"⇥ld⇥(hl),b ⇥", u"⇥mov⇥m,b ⇥", 18},
    {u"⇥ld⇥(hl), b", u"⇥mov⇥m,b", 18},
    {u"⇥ld⇥(hl), c", u"⇥mov⇥m,c", 18},
    {u"⇥ld⇥(hl),label", u"⇥mvi⇥m,label", 18},
    {u"⇥ld⇥(hl),c+1", u"⇥mvi⇥m,c+1", 18},
    {u"⇥ld⇥(hl),5", u"⇥mvi⇥m,5", 21},
    {u"⇥ld⇥a,(hl)", u"⇥mov⇥a,m", 21},
    {u"⇥ld⇥b,c", u"⇥mov⇥b,c", 21},
    {u"⇥ld⇥a, b", u"⇥mov⇥a,b", 21},
    {u"⇥LD⇥B,C", u"⇥mov⇥B,C", 21},
    {u"⇥ld⇥b,12", u"⇥mvi⇥b,12", 21},
    {u"⇥ld⇥a,field", u"⇥mvi⇥a,field", 21},
    {u"⇥ld⇥a,', '", u"⇥mvi⇥a,', '", 21},         // blanks inside quotes stay
    {u"⇥ld⇥a,r", u"; cannot convert:⇥ld⇥a,r", 21},
    {u"⇥ld⇥a,i", u"; cannot convert:⇥ld⇥a,i", 21},
    {u"⇥ld⇥r,(hl)", u"; cannot convert:⇥ld⇥r,(hl)", 0},  // marked as typed, not as rule 21 left it
    {u",ld a,b", u",mov a,b", 21},               // a leading comma is a separator, not the operand comma
    {u"⇥ldir", u"; cannot convert:⇥ldir", 79},
    {u"⇥ldi", u"; cannot convert:⇥ldi", 79},
    {u"⇥lddr", u"; cannot convert:⇥lddr", 79},
};
TEST(Z80To8080, EightBitLoads) { check(k8BitLoads); }

const Case kExchanges[] = {
    {u"⇥ex⇥de,hl", u"⇥xchg", 22},
    {u"⇥ex⇥de,hl  ", u"⇥xchg  ", 22},
    {u"⇥EX⇥DE,HL", u"⇥xchg", 22},
    {u"⇥ex⇥de, hl", u"⇥xchg", 22},
    {u"⇥ex⇥(sp),hl", u"⇥xthl", 23},
    {u"⇥ex⇥(sp),hl 5", u"⇥xthl 5", 23},
    {u"⇥ex⇥af,af'", u"; cannot convert:⇥ex⇥af,af'", 24},
    {u"⇥exx", u"; cannot convert:⇥exx", 25},
};
TEST(Z80To8080, Exchanges) { check(kExchanges); }

const Case kJumps[] = {
    {u"⇥jp⇥(hl)", u"⇥pchl⇥", 26},
    {u"⇥jp⇥nz,loop", u"⇥⇥jnz loop", 27},
    {u"⇥JP⇥Z,Loop", u"⇥⇥jz Loop", 27},
    {u"⇥jp⇥nc,x", u"⇥⇥jnc x", 27},
    {u"⇥jp⇥c,x", u"⇥⇥jc x", 27},
    {u"⇥jp⇥po,x", u"⇥⇥jpo x", 27},
    {u"⇥jp⇥pe,x", u"⇥⇥jpe x", 27},
    {u"⇥jp⇥p,x", u"⇥⇥jp x", 27},
    {u"⇥jp⇥m,x", u"⇥⇥jm x", 27},
    {u"⇥jp⇥nz,jptab", u"⇥⇥jnz jptab", 27},       // only the mnemonic goes
    {u"⇥jp  nz,x", u"⇥  jnz x", 27},             // any number of blanks after jp
    {u"⇥jp⇥next", u"⇥jmp⇥next", 28},
    {u"⇥jp⇥start", u"⇥jmp⇥start", 28},
    {u"⇥jr⇥loop", u"; cannot convert:⇥jr⇥loop", 59},
    {u"⇥djnz⇥loop", u"; cannot convert:⇥djnz⇥loop", 60},
    {u"⇥div⇥3", u"; cannot convert:⇥div⇥3", 0},   // "div" is no "di"
};
TEST(Z80To8080, Jumps) { check(kJumps); }

const Case kArithmetic[] = {
    {u"⇥add⇥hl,bc", u"⇥dad⇥b", 29},
    {u"⇥add⇥hl,de", u"⇥dad⇥d", 29},
    {u"⇥add⇥hl,hl", u"⇥dad⇥h", 29},
    {u"⇥add⇥hl,sp", u"⇥dad⇥sp", 29},
    {u"⇥add⇥hl, bc", u"⇥dad⇥b", 29},
    {u"⇥adc⇥hl,de", u"; cannot convert:⇥adc⇥hl,de", 30},
    {u"⇥sbc⇥hl,bc", u"; cannot convert:⇥sbc⇥hl,bc", 30},
    {u"⇥adc⇥a,b", u"⇥adc⇥b", 31},
    {u"⇥adc⇥a,(hl)", u"⇥adc⇥m", 31},
    {u"⇥adc⇥a,5", u"⇥aci⇥5", 31},
    {u"⇥adc⇥a,lo", u"⇥aci⇥lo", 31},              // two letters are no register
    {u"⇥adc⇥a,b ⇥", u"⇥adc⇥b ⇥", 31},
    {u"⇥add⇥a,7fh", u"⇥adi⇥7fh", 32},
    {u"⇥add⇥a, b", u"⇥add⇥b", 32},
    {u"⇥add", u"⇥adi", 32},                      // the rule text reads no operand as an immediate one: the assembler then says what is missing
    {u"⇥sub⇥b", u"⇥sub⇥b", 33},
    {u"⇥sub⇥(hl)", u"⇥sub⇥m", 33},
    {u"⇥sub⇥10", u"⇥sui⇥10", 33},
    {u"⇥sub⇥a,b", u"⇥sub⇥b", 33},                // the accumulator written out
    {u"⇥sub", u"⇥sui", 33},
    {u"⇥subttl⇥x", u"⇥subttl⇥x", 84},             // a mnemonic is a whole word: no "suittl"
    {u"⇥sbc⇥a,d", u"⇥sbb⇥d", 34},
    {u"⇥sbc⇥a,1", u"⇥sbi⇥1", 34},
    {u"⇥neg", u"; cannot convert:⇥neg", 46},
};
TEST(Z80To8080, Arithmetic) { check(kArithmetic); }

const Case kIncrements[] = {
    {u"⇥inc⇥DE", u"⇥inx⇥d", 38},
    {u" INC SP", u" inx sp", 38},
    {u" inc hl", u" inx h", 38},
    {u" dec bc", u" dcx b", 39},
    {u" inc h", u" inr h", 40},
    {u" inc (hl)", u" inr m", 40},
    {u" dec (HL)", u" dcr m", 41},
    {u" dec a", u" dcr a", 41},
    {u" inc ix", u"; cannot convert: inc ix", 0},
};
TEST(Z80To8080, Increments) { check(kIncrements); }

const Case kControlAndFlags[] = {
    {u" di", u" di", 35},
    {u" ei", u" ei", 36},
    {u" nop", u" nop", 37},
    {u" daa", u" daa", 42},
    {u" CPL", u" cma", 43},
    {u" SCF", u" stc", 44},
    {u" ccf", u" cmc", 45},
    {u" halt", u" hlt", 88},
    {u" im 1", u"; cannot convert: im 1", 0},
};
TEST(Z80To8080, ControlAndFlags) { check(kControlAndFlags); }

const Case kRotates[] = {
    {u" rlca", u" rlc", 47},
    {u" RRCA", u" rrc", 47},
    {u" rla", u" ral", 47},
    {u" rra ", u" rar ", 47},
    {u" rld", u"; cannot convert: rld", 48},
    {u" rrd", u"; cannot convert: rrd", 49},
    {u" rlc a", u"; cannot convert: rlc a", 50},
    {u" rr (hl)", u"; cannot convert: rr (hl)", 50},
    {u" call rla_x", u" call rla_x", 62},        // rotates only as the mnemonic
    {u" call array", u" call array", 62},
    {u" sla a", u"; cannot convert: sla a", 81},
    {u" sra b", u"; cannot convert: sra b", 82},
    {u" srl c", u"; cannot convert: srl c", 83},
};
TEST(Z80To8080, RotatesAndShifts) { check(kRotates); }

const Case kLogic[] = {
    {u" and (hl)", u" ana m", 51},
    {u" AND 0FH", u" ani 0FH", 51},
    {u" and terra", u" ani terra", 51},
    {u" and bh", u" ani bh", 51},
    {u" and b", u" ana b", 51},
    {u" and,b", u" ana,b", 51},                  // a comma after the mnemonic is no part of the operand
    {u" and a + 1", u" ana a + 1", 51},          // word variant: "A"
    {u" and", u" ani", 51},
    {u" xor a", u" xra a", 52},
    {u" or 80h", u" ori 80h", 53},
    {u" or,b", u" ora,b", 53},                   // the offset of 3 skips the comma
    {u" or ", u" ori ", 53},
    {u" org 100h", u" org 100h", 84},             // not "orig 100h"
    {u" CP (HL)", u" cmp m", 58},
    {u" cp 10", u" cpi 10", 58},
    {u" cp a + 1", u" cpi a + 1", 58},           // whole variant: "A + 1"
    {u" cp⇥b⇥", u" cmp⇥b⇥", 58},
    {u" cp b+1", u" cpi b+1", 58},
    {u" cp ", u" cpi ", 58},
    {u"⇥cp⇥';'", u"⇥cpi⇥';'", 58},
    {u" cpi", u"; cannot convert: cpi", 54},
    {u" cpir", u"; cannot convert: cpir", 55},
    {u" cpd", u"; cannot convert: cpd", 56},
    {u" cpdr", u"; cannot convert: cpdr", 57},
};
TEST(Z80To8080, LogicAndCompare) { check(kLogic); }

const Case kCallsAndReturns[] = {
    {u" call nz,sub1", u"  cnz sub1", 61},
    {u" CALL NZ,Sub", u"  cnz Sub", 61},
    {u" call p,x", u"  cp x", 61},
    {u" call nz,recall", u"  cnz recall", 61},   // only the mnemonic goes
    {u" call  z,loop", u"   cz loop", 61},
    {u" call print", u" call print", 62},
    {u" call p, x", u"  cp x", 61},              // blanks after a comma go for a rewrite...
    {u" call x, y", u" call x, y", 62},          // ...and stay where the line is let through
    {u" ret z", u"  rz", 63},
    {u" ret pe", u"  rpe", 63},
    {u" ret nz", u"  rnz", 63},
    {u" ret c", u"  rc", 63},
    {u" ret p", u"  rp", 63},
    {u" RET M", u"  rm", 63},
    {u" ret  z", u"   rz", 63},
    {u" ret e", u" ret e", 66},                  // no condition: "ret" stays
    {u" reti", u"; cannot convert: reti", 64},
    {u" retn", u"; cannot convert: retn", 65},
    {u" ret", u" ret", 66},
    {u" retx", u"; cannot convert: retx", 0},
    {u" rst 38h", u" rst 7", 67},
    {u" rst 8", u" rst 1", 67},
};
TEST(Z80To8080, CallsAndReturns) { check(kCallsAndReturns); }

const Case kStackAndPorts[] = {
    {u" push af", u" push psw", 68},
    {u" push b", u" push b", 68},
    {u" PUSH BC", u" PUSH b", 68},
    {u" pop hl", u" pop h", 69},
    {u" push ix", u"; cannot convert: push ix", 0},
    {u" pop iy", u"; cannot convert: pop iy", 0},
    {u" ini", u"; cannot convert: ini", 70},
    {u" indr", u"; cannot convert: indr", 70},
    {u" in a,(c)", u"; cannot convert: in a,(c)", 71},
    {u" in b,(c)", u"; cannot convert: in b,(c)", 71},
    {u"⇥in⇥a,(c)", u"; cannot convert:⇥in⇥a,(c)", 71},
    {u" in a,(0feh)", u" in 0feh", 72},
    {u"⇥in⇥a, (12h)", u"⇥in⇥12h", 72},
    {u" IN A,(PORT)", u" IN PORT", 72},
    {u" outi", u"; cannot convert: outi", 73},
    {u" otir", u"; cannot convert: otir", 74},
    {u" outd", u"; cannot convert: outd", 75},
    {u" otdr", u"; cannot convert: otdr", 76},
    {u" out (c),a", u"; cannot convert: out (c),a", 77},
    {u"⇥out⇥(c),a", u"; cannot convert:⇥out⇥(c),a", 77},
    {u" out (0feh),a", u" out 0feh", 78},
    {u"⇥out⇥(12h), a", u"⇥out⇥12h", 78},
    {u" bit 7,a", u"; cannot convert: bit 7,a", 80},
    {u" set 0,(hl)", u"; cannot convert: set 0,(hl)", 80},
    {u" res 1, b", u"; cannot convert: res 1, b", 80},
};
TEST(Z80To8080, StackPortsAndBits) { check(kStackAndPorts); }

}  // namespace
}  // namespace engine
