// Options::keep_layout: a line as typed, what it becomes with the option.
#include <gtest/gtest.h>

#include "test_text.hpp"

namespace engine {
namespace {

using testing::show;
using testing::tabs;

struct Case {
  std::u16string_view in, out;
};

const Case kFromZ80[] = {
    {u"⇥ld⇥(TXTLMT),hl⇥; IN 'TXTLMT'", u"⇥shld⇥TXTLMT⇥; IN 'TXTLMT'"},  // default: "⇥shld TXTLMT; IN ..."
    {u"⇥PUSH⇥HL", u"⇥PUSH⇥H"},
    {u"⇥LD⇥A,016H", u"⇥MVI⇥A,016H"},
    {u"⇥JP⇥Z,DONE", u"⇥JZ⇥DONE"},
    {u"start:⇥ld⇥a,b ; c", u"start:⇥mov⇥a,b ; c"},           // one tab after the label, as typed
    {u"  ld  a,(hl)  ; c", u"  mov a,m  ; c"},                  // spaces: the operand column stays
    {u"     ld⇥(x),hl", u"     shld⇥x"},                        // a mnemonic past the tab stop keeps one tab
    {u"⇥CP⇥'a'", u"⇥CPI⇥'a'"},                                  // quoted text does not count as lower case
    {u"⇥LD⇥HL,Psx", u"⇥lxi⇥h,Psx"},                             // a name: as typed
    {u"⇥ex⇥de,hl⇥⇥; swap", u"⇥xchg⇥⇥; swap"},
    {u"⇥RST⇥38H", u"⇥RST⇥7"},
    {u"⇥DEFB⇥1,2", u"⇥DB⇥1,2"},
    {u"⇥DEFB⇥A,b", u"⇥db⇥A,b"},                                 // data: names, as typed
    {u"⇥ld a,b:inc hl", u"⇥mov a,b:inx h"},
    {u"x⇥db 1", u"x⇥db 1"},                                     // let through: as typed
    {u"x⇥equ⇥5", u"x⇥equ⇥5"},
    {u"L:⇥ld⇥a,(ix+1)", u"L:⇥; cannot convert:⇥ld⇥a,(ix+1)"},   // marked: as without the option
    {u"start:⇥⇥; entry", u"start:⇥⇥⇥; entry"},                 // label only: as without the option
};

const Case kFrom8080[] = {
    {u"⇥shld⇥TXTLMT⇥; IN 'TXTLMT'", u"⇥ld⇥(TXTLMT),hl⇥; IN 'TXTLMT'"},
    {u"⇥PUSH⇥H", u"⇥PUSH⇥HL"},                                  // default: "⇥PUSH⇥hl"
    {u"⇥MVI⇥A,016H", u"⇥LD⇥A,016H"},
    {u"LOOP:⇥JZ⇥DONE", u"LOOP:⇥JP⇥Z,DONE"},                     // default: "LOOP:⇥⇥jp z,⇥DONE"
    {u"⇥RZ", u"⇥RET⇥Z"},                                        // no operand typed: a tab, as before the mnemonic
    {u"⇥PCHL", u"⇥JP⇥(HL)"},
    {u"  PCHL", u"  JP (HL)"},
    {u"⇥MOV⇥A,M", u"⇥LD⇥A,(HL)"},
    {u"MOV  A,E", u"LD   A,E"},                                 // column 1
    {u"⇥Lxi⇥h,BCx", u"⇥ld⇥hl,BCx"},                             // a name: as typed
    {u"⇥mov a,b", u"⇥ld  a,b"},
    {u"⇥xchg! shld info! xchg", u"⇥ex⇥de,hl! ld   (info),hl! ex de,hl"},
    {u"LOOP:⇥ret ; back", u"LOOP:⇥ret ; back"},                 // let through: as typed
    {u"x⇥db⇥'a',0", u"x⇥db⇥'a',0"},
    {u"L:⇥xra⇥b⇥⇥; c", u"L:⇥xor⇥b⇥⇥; c"},
};

void check(Translation (*translate)(std::u16string_view, const Options&), std::span<const Case> cases) {
  for (const Case& c : cases) {
    EXPECT_EQ(show(translate(tabs(c.in), {.keep_layout = true}).text), show(tabs(c.out))) << show(tabs(c.in));
  }
}

TEST(KeepLayout, FromZ80) { check(translate_z80_to_8080, kFromZ80); }
TEST(KeepLayout, From8080) { check(translate_8080_to_z80, kFrom8080); }

}  // namespace
}  // namespace engine
