// The 8080 -> Z80 chain, family by family. Each case is a whole line and the
// rule that must decide it (0: no rule, the line is marked at the end).
#include <gtest/gtest.h>

#include "test_text.hpp"

namespace engine {
namespace {

using Case = testing::RuleCase;

void check(std::span<const Case> cases) { testing::check_rules(translate_8080_to_z80, cases); }

const Case kDataAndCompare[] = {
    {u"⇥db⇥'a; b',0", u"⇥db⇥'a; b',0", 1},
    {u"⇥dw⇥m,b", u"⇥dw⇥m,b", 2},
    {u"⇥ds⇥10", u"⇥ds⇥10", 3},
    {u" cmp b", u" cp b", 4},
    {u" cmp m", u" cp (hl)", 4},
    {u" CMP M", u" cp (hl)", 4},
    {u" cmp mem", u" cp mem", 4},                 // only an "m" that stands alone
    {u" cmp  m ", u" cp  (hl) ", 4},
    {u" cpi 0dh", u" cp 0dh", 5},
    {u" cpi", u";Cannot convert: cpi", 0},        // a mnemonic is a whole word
    {u" cmp", u";Cannot convert: cmp", 0},
    {u" CPU 8080", u";Cannot convert: CPU 8080", 0},
};
TEST(I8080ToZ80, DataAndCompare) { check(kDataAndCompare); }

const Case kLoads[] = {
    {u" mov a,b", u" ld a,b", 6},
    {u" mov a,m", u" ld a,(hl)", 6},
    {u" mov m,e", u" ld (hl),e", 6},
    {u" MOV B,C", u" ld B,C", 6},
    {u" MOV A,M", u" ld A,(hl)", 6},
    {u" mov a , b", u" ld a, b", 6},              // blanks before the comma go
    {u"_x: mov a,b", u"_x:  ld a,b", 6},            // "_x:" is a label
    {u" ldax b", u" ld a, (bc)", 7},
    {u"⇥ldax⇥b", u"⇥ld a,⇥(bc)", 7},
    {u" ldax d", u" ld a, (de)", 8},
    {u" ldax h", u";Cannot convert: ldax h", 0},
    {u" lda buf", u" ld a,(buf)", 9},
    {u" LDA BUF", u" ld a,(BUF)", 9},
    {u" lda buf+1", u" ld a,(buf+1)", 9},
    {u" lda buf + 1", u" ld a,(buf + 1)", 9},    // the whole operand is the address
    {u" lda ", u" ld a,()", 9},
    {u" lda", u";Cannot convert: lda", 0},
    {u" mvi a,12h", u" ld a,12h", 10},
    {u" mvi m,0", u" ld (hl),0", 10},
    {u" mvi m,m", u" ld (hl),m", 10},
    {u" mvi a,(x+1)", u" ld a,0+(x+1)", 10},      // an immediate, not a memory operand
    {u" mvi b, (x)", u" ld b, 0+(x)", 10},
    {u" mvi a , 5", u" ld a, 5", 10},
    {u" stax b", u" ld (bc),a", 11},
    {u" STAX B", u" ld (bc),a", 11},
    {u" stax d", u" ld (de),a", 11},
    {u" sta buf", u" ld (buf),a", 12},
    {u" sta⇥buf ", u" ld⇥(buf),a ", 12},
    {u" lxi b,1234h", u" ld bc,1234h", 13},
    {u" LXI B,1234H", u" ld bc,1234H", 13},
    {u" lxi h,table", u" ld hl,table", 13},
    {u" lxi sp,stack", u" ld sp,stack", 13},
    {u" LXI SP,0", u" ld SP,0", 13},
    {u" lxi d,buf", u" ld de,buf", 13},
    {u" lxi h,lxitab", u" ld hl,lxitab", 13},    // only the mnemonic is renamed
    {u" lxi b ,1234h", u" ld bc,1234h", 13},      // blanks before the comma
    {u"⇥lxi⇥h⇥,tab", u"⇥ld⇥hl,tab", 13},
    {u" lxi h,(base+2)", u" ld hl,0+(base+2)", 13},
    {u" lhld ptr", u" ld hl,(ptr)", 14},
    {u" lhld table + 2", u" ld hl,(table + 2)", 14},
    {u" shld ptr", u" ld (ptr),hl", 15},
    {u" shld  ptr ", u" ld  (ptr),hl ", 15},
    {u" sphl", u" ld sp,hl", 16},
    {u" xchg", u" ex de,hl", 17},
    {u" XCHG ", u" ex de,hl ", 17},
    {u" xthl", u" ex (sp),hl", 18},
};
TEST(I8080ToZ80, LoadsStoresAndExchanges) { check(kLoads); }

const Case kArithmetic[] = {
    {u" dad b", u" add hl,bc", 19},
    {u" dad d", u" add hl,de", 19},
    {u" dad h", u" add hl,hl", 19},
    {u" dad sp", u" add hl,sp", 19},
    {u" DAD SP", u" add hl,sp", 19},
    {u" xri 1", u" xor 1", 20},
    {u" xra a", u" xor a", 21},
    {u" xra m", u" xor (hl)", 21},
    {u"_main: xra m", u"_main:  xor (hl)", 21},
    {u" ori 1", u" or 1", 22},
    {u" ora b", u" or b", 23},
    {u" ani 0fh", u" and 0fh", 24},
    {u" ana m", u" and (hl)", 25},
    {u" adi 5", u" add a, 5", 26},
    {u" ADI 12H", u" add a, 12H", 26},
    {u" add b", u" add a, b", 27},
    {u" add m", u" add a, (hl)", 27},
    {u" add mem", u";Cannot convert: add mem", 0},  // a register operand is a whole word
    {u"_x: add m", u"_x:  add a, (hl)", 27},
    {u" foo add m", u";Cannot convert: foo add m", 0},  // a mnemonic is only ever the first word
    {u" foo ' add m'", u";Cannot convert: foo ' add m'", 0},  // but not inside quotes
    {u" aci 0", u" adc a, 0", 28},
    {u" adc c", u" adc a, c", 29},
    {u" sui 1", u" sub 1", 30},
    {u" sui pursuit", u" sub pursuit", 30},
    {u" sub m", u" sub (hl)", 31},
    {u" SUB M", u" SUB (hl)", 31},
    {u" sbi 1", u" sbc a, 1", 32},                // sbc names the accumulator
    {u" sbi sbix", u" sbc a, sbix", 32},
    {u" sbb b", u" sbc a, b", 33},
    {u" SBB M", u" sbc a, (hl)", 33},
    {u" inr m", u" inc (hl)", 34},
    {u" INR A", u" inc A", 34},
    {u" dcr b", u" dec b", 35},
    {u" inx h", u" inc hl", 36},
    {u" inx sp", u" inc sp", 36},
    {u" INX SP", u" inc SP", 36},
    {u" inx b", u" inc bc", 36},
    {u" dcx d", u" dec de", 37},
    {u" DCX B", u" dec bc", 37},
};
TEST(I8080ToZ80, Arithmetic) { check(kArithmetic); }

const Case kAccumulatorAndRotates[] = {
    {u" daa", u" daa", 38},
    {u" DAA", u" DAA", 38},
    {u" cma", u" cpl", 39},
    {u" stc", u" scf", 40},
    {u" cmc", u" ccf", 41},
    {u" rlc", u" rlca", 42},
    {u" rrc", u" rrca", 43},
    {u" ral", u" rla", 44},
    {u" rar", u" rra", 45},
    {u" rlca", u";Cannot convert: rlca", 0},
    {u" PCHL", u" jp (hl)", 46},
};
TEST(I8080ToZ80, AccumulatorAndRotates) { check(kAccumulatorAndRotates); }

const Case kJumpsCallsReturns[] = {
    {u" jmp lab", u" jp lab", 47},
    {u" jmp  lab", u" jp  lab", 47},
    {u" jmp", u";Cannot convert: jmp", 0},
    {u" jnz lab", u" jp nz, lab", 48},
    {u" JNZ LAB", u" jp nz, LAB", 48},
    {u" jz lab", u" jp z, lab", 49},
    {u"⇥jz⇥lab", u"⇥jp z,⇥lab", 49},
    {u" jnc lab", u" jp nc, lab", 50},
    {u" jc lab", u" jp c, lab", 51},
    {u" jpo lab", u" jp po, lab", 52},
    {u" jpe lab", u" jp pe, lab", 53},
    {u" jm lab", u" jp m, lab", 54},
    {u" jp lab", u" jp p, lab", 55},
    {u"⇥retry⇥x", u";Cannot convert:⇥retry⇥x", 0},  // "retry" is no "ret"
    {u"⇥div⇥3", u";Cannot convert:⇥div⇥3", 0},      // "div" is no "di"
    {u" CALL X", u" CALL X", 56},
    {u" cnz sub1", u" call nz, sub1", 57},
    {u" cnz", u" call nz,", 57},
    {u" cz x", u" call z, x", 58},
    {u" cnc x", u" call nc, x", 59},
    {u" cc x", u" call c, x", 60},
    {u" cpo lab", u" call po, lab", 61},
    {u" cpe lab", u" call pe, lab", 62},
    {u" cp lab", u" call p, lab", 63},
    {u" cm lab", u" call m, lab", 64},
    {u" ret", u" ret", 65},
    {u" RET", u" RET", 65},
    {u" rnz", u" ret nz", 66},
    {u" RZ", u" ret z", 67},
    {u" rnc", u" ret nc", 68},
    {u" rc", u" ret c", 69},
    {u" rpo", u" ret po", 70},
    {u" rpe", u" ret pe", 71},
    {u" rp", u" ret p", 72},
    {u" rm", u" ret m", 73},
};
TEST(I8080ToZ80, JumpsCallsAndReturns) { check(kJumpsCallsReturns); }

const Case kStackPortsInterrupts[] = {
    {u" push b", u" push bc", 74},
    {u" push d", u" push de", 74},
    {u" push psw", u" push af", 74},
    {u" PUSH H", u" PUSH hl", 74},
    {u"_l: push b", u"_l:  push bc", 74},
    {u" _push: push b", u" _push: push bc", 74},  // the mnemonic where the pattern matched
    {u" push sp", u";Cannot convert: push sp", 0},  // no register pair of push
    {u" pop h", u" pop hl", 75},
    {u" POP B", u" POP bc", 75},
    {u" POP PSW", u" POP af", 75},
    {u" in 10h", u" in a,(10h)", 76},
    {u" IN 10H", u" IN a,(10H)", 76},
    {u" out 10h", u" out (10h),a", 77},
    {u" out 5", u" out (5),a", 77},
    {u" out  10h  ", u" out  (10h),a  ", 77},
    {u" out ", u" out (),a", 77},
    {u" DI", u" DI", 78},
    {u" EI", u" EI", 79},
    {u" display", u";Cannot convert: display", 0},
};
TEST(I8080ToZ80, StackPortsAndInterrupts) { check(kStackPortsInterrupts); }

// Z80 text in the 8080 pane is read as 8080 text.
const Case kZ80Text[] = {
    {u" cp b", u" call p, b", 63},
    {u" ret nz", u" ret nz", 65},
    {u" ld a,b", u";Cannot convert: ld a,b", 0},
    {u" in a,(10h)", u" in a,(a,(10h))", 76},
    {u" zork ix+1", u";Cannot convert: zork ix+1", 0},
};
TEST(I8080ToZ80, Z80TextIsReadAs8080) { check(kZ80Text); }

}  // namespace
}  // namespace engine
