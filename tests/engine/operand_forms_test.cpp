// Everyday operand forms: expressions that start with "(", blanks around
// commas, the accumulator written out, names that hold i/ix/iy, commas after
// the mnemonic. Nothing silently wrong, nothing needlessly marked, and a marked
// statement shown as typed.
#include <gtest/gtest.h>

#include "test_text.hpp"

namespace engine {
namespace {

using Case = testing::RuleCase;
void z80(std::span<const Case> cases) { testing::check_rules(translate_z80_to_8080, cases); }
void i8080(std::span<const Case> cases) { testing::check_rules(translate_8080_to_z80, cases); }

const Case kMemoryOperands[] = {
    {u"⇥ld⇥hl,(TOP-BOT)/2", u"⇥lxi⇥h,(TOP-BOT)/2", 13},  // an expression, not memory
    {u"⇥ld⇥a,(N)-1", u"⇥mvi⇥a,(N)-1", 21},
    {u"⇥ld⇥de,(N)+1", u"⇥lxi⇥d,(N)+1", 12},
    {u"⇥ld⇥sp,(a)*(b)", u"⇥lxi⇥sp,(a)*(b)", 8},
    {u"⇥ld⇥bc,(N)", u"; cannot convert:⇥ld⇥bc,(N)", 9},
    {u"⇥ld⇥hl, ( buf )", u"⇥lhld buf", 6},              // blanks inside and around
    {u"⇥ld⇥( buf ),a", u"⇥sta buf", 20},
    {u"⇥ld⇥hl,((a+b)*2)", u"⇥lhld (a+b)*2", 6},
    {u"⇥ld⇥(x),abc", u"; cannot convert:⇥ld⇥(x),abc", 0},  // no register after the address
    {u"⇥ld⇥b,(x)", u"; cannot convert:⇥ld⇥b,(x)", 21},    // no load of b from memory
    {u"⇥in⇥a,((p+1))", u"⇥in⇥(p+1)", 72},
    {u"⇥in⇥a,(p)+1", u"; cannot convert:⇥in⇥a,(p)+1", 0},
    {u"⇥out⇥((p)),a", u"⇥out⇥(p)", 78},
    {u"⇥ld⇥sp,hl_top", u"⇥lxi⇥sp,hl_top", 8},            // whole words: no name is cut
    {u"⇥ex⇥de,hlx", u"; cannot convert:⇥ex⇥de,hlx", 0},
    {u"⇥add⇥hl,bcount", u"; cannot convert:⇥add⇥hl,bcount", 32},
    {u"⇥and⇥b,c", u"; cannot convert:⇥and⇥b,c", 51},     // two operands, no accumulator: no such form
    {u"⇥inc⇥hlx", u"; cannot convert:⇥inc⇥hlx", 0},
    {u"⇥dec⇥hl,(bhl", u"; cannot convert:⇥dec⇥hl,(bhl", 0},  // one operand only
    {u"⇥ex⇥(sp),hl,x", u"; cannot convert:⇥ex⇥(sp),hl,x", 0},
    {u"⇥push⇥bcd", u"; cannot convert:⇥push⇥bcd", 0},
    {u"⇥ld⇥a,ommon(hl)", u"⇥mvi⇥a,ommon(hl)", 21},
};
TEST(OperandForms, MemoryOperandIsWhollyEnclosed) { z80(kMemoryOperands); }

const Case kBlanksAroundCommas[] = {
    {u"⇥jp⇥nz , loop", u"⇥⇥jnz loop", 27},
    {u"⇥call⇥z , x", u"⇥⇥cz x", 61},
    {u"⇥jp,⇥nz,x", u"⇥jnz x", 27},                       // a comma after the mnemonic goes with it
    {u"⇥ld,⇥a,b", u"⇥mov,a,b", 21},
    {u"⇥ld ,a,b", u"⇥mov,a,b", 21},                      // the blank before it goes too
    {u"⇥add,a,b", u"⇥add,b", 32},                        // a register, not an immediate
    {u"⇥sub ,(hl)", u"⇥sub,m", 33},
    {u"⇥and,a,n", u"⇥ani,n", 51},
    {u"⇥add⇥a , b", u"⇥add⇥b", 32},
    {u"⇥ld⇥(hl) ,a", u"⇥mov⇥m,a", 18},
    {u"⇥ex⇥de , hl", u"⇥xchg", 22},
    {u"⇥out⇥(N) ,a", u"⇥out⇥N", 78},
    {u"⇥ld⇥a ,b", u"⇥mov⇥a,b", 21},
    {u"⇥cp⇥' , '", u"⇥cpi⇥' , '", 58},                  // quoted blanks stay
    {u"⇥db⇥1 , 2", u"⇥db⇥1 , 2", 1},                     // data lines keep theirs
    {u"⇥call⇥x , y", u"⇥call⇥x , y", 62},                // as does what a rule lets through
};
TEST(OperandForms, BlanksAroundCommas) { z80(kBlanksAroundCommas); }

const Case kAccumulatorWrittenOut[] = {
    {u"⇥sub⇥a,'0'", u"⇥sui⇥'0'", 33},
    {u"⇥sub⇥a, b", u"⇥sub⇥b", 33},
    {u"⇥and⇥a,0fh", u"⇥ani⇥0fh", 51},
    {u"⇥AND⇥A , B", u"⇥ana⇥B", 51},
    {u"⇥xor⇥a,(hl)", u"⇥xra⇥m", 52},
    {u"⇥or⇥a,c", u"⇥ora⇥c", 53},
    {u"⇥cp⇥a,b", u"⇥cmp⇥b", 58},
    {u"⇥cp⇥A,10", u"⇥cpi⇥10", 58},
    {u"⇥cp (hl⇥; x", u"⇥cpi (hl⇥; x", 58},              // a tab is no ")": not "cmp m"
    {u"⇥xor⇥a", u"⇥xra⇥a", 52},                          // the one operand stays
    {u"⇥sbc⇥a,(hl)", u"⇥sbb⇥m", 34},
};
TEST(OperandForms, AccumulatorWrittenOut) { z80(kAccumulatorWrittenOut); }

const Case kIndexRegisterWords[] = {
    {u"⇥ld⇥hl,pi+1", u"⇥lxi⇥h,pi+1", 13},
    {u"⇥ld⇥de,H_KEYI+1", u"⇥lxi⇥d,H_KEYI+1", 12},
    {u"⇥ld⇥sp,USERIY+2", u"⇥lxi⇥sp,USERIY+2", 8},
    {u"⇥db⇥'Hi, there'", u"⇥db⇥'Hi, there'", 1},
    {u"⇥defm⇥'ix+'", u"⇥db⇥'ix+'", 85},
    {u"⇥ld⇥a,'i'", u"⇥mvi⇥a,'i'", 21},
    {u"⇥ld⇥a,ixh", u"; cannot convert:⇥ld⇥a,ixh", 0},
    {u"⇥add⇥a,IXL", u"; cannot convert:⇥add⇥a,IXL", 0},
    {u"⇥ld⇥iyl,b", u"; cannot convert:⇥ld⇥iyl,b", 0},
    {u"⇥ld⇥a,(ix+2)", u"; cannot convert:⇥ld⇥a,(ix+2)", 0},
    {u"⇥ld⇥i,a", u"; cannot convert:⇥ld⇥i,a", 0},
    {u"⇥jp⇥(iy)", u"; cannot convert:⇥jp⇥(iy)", 0},
    {u"⇥ld⇥a,i", u"; cannot convert:⇥ld⇥a,i", 21},
};
TEST(OperandForms, IndexRegistersAreWholeWords) {
  z80(kIndexRegisterWords);
  EXPECT_EQ(translate_z80_to_8080(u"\tld\ta,ixh").outcome.decision, Decision::index_register);
}

const Case kMarkedAsTyped[] = {
    {u"⇥ld⇥a,b : inc hl", u"⇥mov⇥a,b : inx h", 0},  // two statements, each translated
    {u"⇥ld⇥(hl),c \\ inc hl", u"; cannot convert:⇥ld⇥(hl),c \\ inc hl", 18},
    {u"⇥ld⇥(hl), i", u"; cannot convert:⇥ld⇥(hl), i", 21},
    {u"⇥sbc⇥hl, de", u"; cannot convert:⇥sbc⇥hl, de", 30},
    {u"⇥ld⇥r , (hl)", u"; cannot convert:⇥ld⇥r , (hl)", 0},
    {u"x:ld⇥a,(iy+1)", u"x:; cannot convert:ld⇥a,(iy+1)", 0},  // no blank is added after a glued label
    {u"⇥jp⇥x , y! exx", u"; cannot convert:⇥jp⇥x , y! exx", 0},
};
TEST(OperandForms, MarkedStatementShownAsTyped) { z80(kMarkedAsTyped); }

const Case kCommaAfterMnemonic8080[] = {
    {u"⇥mvi,a,(N)", u"⇥ld,a,0+(N)", 10},                // the "0+" guard as after a tab
    {u"⇥lxi,b ,buf", u"⇥ld,bc,buf", 13},
    {u"⇥mvi, m, 5", u"⇥ld, (hl), 5", 10},
    {u"⇥mov⇥a ,b", u"⇥ld⇥a,b", 6},                      // blanks before the comma go
    {u"⇥mvi⇥m ,N", u"⇥ld⇥(hl),N", 10},
    {u"⇥mvi⇥d,num", u"⇥ld⇥d,num", 10},                   // "m," inside a name is no register
    {u"⇥lxi⇥h,(x)+1", u"⇥ld⇥hl,0+(x)+1", 13},
    {u"⇥ldax⇥bx", u";Cannot convert:⇥ldax⇥bx", 0},       // whole words
    {u"⇥mov⇥a,mem", u";Cannot convert:⇥mov⇥a,mem", 0},
    {u"⇥cpi⇥' ,'", u"⇥cp⇥' ,'", 5},
    {u"⇥cpi⇥(N)+1", u"⇥cp⇥0+(N)+1", 5},                // an immediate is never read as memory
    {u"⇥adi⇥(N)", u"⇥add a,⇥0+(N)", 26},
    {u"⇥ani⇥ (N)", u"⇥and⇥ 0+(N)", 24},
};
TEST(OperandForms, I8080CommasAndWholeWords) { i8080(kCommaAfterMnemonic8080); }

}  // namespace
}  // namespace engine
