// The two corpora the assembler judges: every documented Z80 instruction form
// and every 8080 instruction form, with numeric and symbolic operands, each in
// the spellings people use. Deterministic: the same lines every run.
"use strict";

// Symbols every line may use, defined before each line is assembled. The names
// hold register and mnemonic letters on purpose.
const SYMBOLS = {
  words: { buf: 0x1234, hlsave: 0x2345, lxitab: 0x3456, jpdata: 0x4567, recall: 0x0158, bcnt: 0x0a0b,
           top: 0x2000, bot: 0x1000, useriy: 0x3000, h_keyi: 0x4000 },
  bytes: { port: 0x12, mval: 0x34, cnt: 0x56, pi: 0x03, fix: 0x21, vec: 0x18 },
  target: 0x40, // for relative jumps, in reach of address 0
};

function header() {
  const lines = [];
  for (const [name, value] of Object.entries({ ...SYMBOLS.words, ...SYMBOLS.bytes })) {
    lines.push(`${name} equ 0${value.toString(16)}h`);
  }
  lines.push(`rtarget equ 0${SYMBOLS.target.toString(16)}h`);
  return lines.join("\n") + "\n";
}

// Operands: [numeric, symbolic].
const N = ["12h", "cnt"];
const N2 = ["7", "mval"];
const NN = ["1234h", "buf"];
const NN2 = ["2345h", "lxitab"];
const NN3 = ["4567h", "jpdata"];
const NN4 = ["0158h", "recall"];
const PORT = ["12h", "port"];
const D = ["5", "cnt"];
const E = ["40h", "rtarget"];

const R = ["a", "b", "c", "d", "e", "h", "l"];
const CC = ["nz", "z", "nc", "c", "po", "pe", "p", "m"];

function pick(operand, style) { return operand[style % 2]; }

// Each form is a function of the operand style (0 numeric, 1 symbolic) that
// returns [mnemonic, operands, isData].
function z80Forms() {
  const f = [];
  const add = (mn, ops, data = false) => f.push((s) => [mn, typeof ops === "function" ? ops(s) : ops, data]);
  for (const r of R) for (const r2 of R) add("ld", `${r},${r2}`);
  for (const r of R) {
    add("ld", (s) => `${r},${pick(N, s)}`);
    add("ld", `${r},(hl)`);
    add("ld", `(hl),${r}`);
    add("ld", (s) => `${r},(ix+${pick(D, s)})`);
    add("ld", (s) => `(iy+${pick(D, s)}),${r}`);
  }
  add("ld", (s) => `(hl),${pick(N, s)}`);
  add("ld", (s) => `(ix+${pick(D, s)}),${pick(N, s)}`);
  for (const t of ["a,(bc)", "a,(de)", "(bc),a", "(de),a", "a,i", "a,r", "i,a", "r,a"]) add("ld", t);
  add("ld", (s) => `a,(${pick(NN, s)})`);
  add("ld", (s) => `(${pick(NN, s)}),a`);
  for (const dd of ["bc", "de", "hl", "sp", "ix", "iy"]) {
    add("ld", (s) => `${dd},${pick(NN2, s)}`);
    add("ld", (s) => `${dd},(${pick(NN, s)})`);
    add("ld", (s) => `(${pick(NN, s)}),${dd}`);
  }
  for (const t of ["sp,hl", "sp,ix", "sp,iy"]) add("ld", t);
  for (const q of ["bc", "de", "hl", "af", "ix", "iy"]) {
    add("push", q);
    add("pop", q);
  }
  for (const t of ["de,hl", "af,af'", "(sp),hl", "(sp),ix", "(sp),iy"]) add("ex", t);
  for (const mn of ["exx", "ldi", "ldir", "ldd", "lddr", "cpi", "cpir", "cpd", "cpdr", "daa", "cpl", "neg",
                    "ccf", "scf", "nop", "halt", "di", "ei", "rlca", "rla", "rrca", "rra", "rld", "rrd",
                    "reti", "retn", "ret", "ini", "inir", "ind", "indr", "outi", "otir", "outd", "otdr"]) {
    add(mn, "");
  }
  for (const mn of ["add", "adc", "sbc"]) {
    for (const r of R) add(mn, `a,${r}`);
    add(mn, (s) => `a,${pick(N, s)}`);
    add(mn, "a,(hl)");
    add(mn, (s) => `a,(ix+${pick(D, s)})`);
  }
  for (const mn of ["sub", "and", "or", "xor", "cp"]) {
    for (const r of R) add(mn, r);
    add(mn, (s) => pick(N, s));
    add(mn, "(hl)");
    add(mn, (s) => `(iy+${pick(D, s)})`);
  }
  for (const mn of ["inc", "dec"]) {
    for (const r of R) add(mn, r);
    for (const t of ["(hl)", "bc", "de", "hl", "sp", "ix", "iy"]) add(mn, t);
    add(mn, (s) => `(ix+${pick(D, s)})`);
  }
  for (const im of ["0", "1", "2"]) add("im", im);
  for (const ss of ["bc", "de", "hl", "sp"]) {
    add("add", `hl,${ss}`);
    add("adc", `hl,${ss}`);
    add("sbc", `hl,${ss}`);
  }
  for (const pp of ["bc", "de", "ix", "sp"]) add("add", `ix,${pp}`);
  for (const mn of ["rlc", "rl", "rrc", "rr", "sla", "sra", "srl"]) {
    for (const r of R) add(mn, r);
    add(mn, "(hl)");
    add(mn, (s) => `(ix+${pick(D, s)})`);
  }
  for (const mn of ["bit", "set", "res"]) {
    for (const b of ["0", "7"]) {
      for (const r of R) add(mn, `${b},${r}`);
      add(mn, `${b},(hl)`);
      add(mn, (s) => `${b},(iy+${pick(D, s)})`);
    }
  }
  add("jp", (s) => pick(NN3, s));
  for (const cc of CC) {
    add("jp", (s) => `${cc},${pick(NN3, s)}`);
    add("call", (s) => `${cc},${pick(NN4, s)}`);
    add("ret", cc);
  }
  add("jr", (s) => pick(E, s));
  for (const cc of ["nz", "z", "nc", "c"]) add("jr", (s) => `${cc},${pick(E, s)}`);
  add("djnz", (s) => pick(E, s));
  for (const t of ["(hl)", "(ix)", "(iy)"]) add("jp", t);
  add("call", (s) => pick(NN4, s));
  for (const p of ["0", "08h", "10h", "18h", "20h", "28h", "30h", "38h"]) add("rst", p);
  add("in", (s) => `a,(${pick(PORT, s)})`);
  add("out", (s) => `(${pick(PORT, s)}),a`);
  for (const r of R) {
    add("in", `${r},(c)`);
    add("out", `(c),${r}`);
  }
  add("db", (s) => `${pick(N, s)},${pick(N2, s)}`, true);
  add("dw", (s) => `${pick(NN, s)},${pick(NN2, s)}`, true);
  add("ds", "4", true);
  add("defb", (s) => `${pick(N, s)},${pick(N2, s)}`, true);
  add("defw", (s) => pick(NN, s), true);
  add("defs", "4", true);
  return f;
}

function i8080Forms() {
  const f = [];
  const add = (mn, ops, data = false) => f.push((s) => [mn, typeof ops === "function" ? ops(s) : ops, data]);
  const R8 = [...R, "m"];
  for (const r of R8) for (const r2 of R8) if (!(r === "m" && r2 === "m")) add("mov", `${r},${r2}`);
  for (const r of R8) {
    add("mvi", (s) => `${r},${pick(N, s)}`);
    for (const mn of ["add", "adc", "sub", "sbb", "ana", "xra", "ora", "cmp", "inr", "dcr"]) add(mn, r);
  }
  for (const rp of ["b", "d", "h", "sp"]) {
    add("lxi", (s) => `${rp},${pick(NN2, s)}`);
    for (const mn of ["inx", "dcx", "dad"]) add(mn, rp);
  }
  for (const rp of ["b", "d", "h", "psw"]) {
    add("push", rp);
    add("pop", rp);
  }
  for (const rp of ["b", "d"]) {
    add("ldax", rp);
    add("stax", rp);
  }
  for (const mn of ["lda", "sta", "lhld", "shld"]) add(mn, (s) => pick(NN, s));
  for (const mn of ["adi", "aci", "sui", "sbi", "ani", "xri", "ori", "cpi"]) add(mn, (s) => pick(N, s));
  for (const mn of ["xchg", "xthl", "sphl", "pchl", "daa", "rlc", "rrc", "ral", "rar", "cma", "cmc", "stc",
                    "ret", "ei", "di", "hlt", "nop"]) {
    add(mn, "");
  }
  add("jmp", (s) => pick(NN3, s));
  add("call", (s) => pick(NN4, s));
  for (const cc of CC) {
    add(`j${cc}`, (s) => pick(NN3, s));
    add(`c${cc}`, (s) => pick(NN4, s));
    add(`r${cc}`, "");
  }
  for (let n = 0; n < 8; ++n) add("rst", String(n));
  add("in", (s) => pick(PORT, s));
  add("out", (s) => pick(PORT, s));
  add("db", (s) => `${pick(N, s)},${pick(N2, s)}`, true);
  add("dw", (s) => `${pick(NN, s)},${pick(NN2, s)}`, true);
  add("ds", "4", true);
  return f;
}

// The forms people write that the forms above miss: expressions that start
// with "(", blanks on both sides of commas, the accumulator written out, names
// that hold i/ix/iy, commas after the mnemonic, restart numbers in every
// spelling. A form may carry the spelling the assembler reads it in, where the
// assembler does not know the one written (the meaning is the same).
function z80Written() {
  const f = [];
  const add = (mn, ops, canonical = null, data = false) => f.push((s) => [mn, pick(ops, s), data, canonical && pick(canonical, s)]);
  const both = (x) => [x, x];
  add("ld", ["hl,(top-bot)/2", "hl,(buf)+1"]);
  add("ld", ["a,(12h)-1", "a,(mval)-1"], ["a,0+(12h)-1", "a,0+(mval)-1"]);
  add("ld", ["de,(1234h)+1", "de,(buf)+1"], ["de,0+(1234h)+1", "de,0+(buf)+1"]);
  add("ld", ["bc,(10h)*2", "bc,(cnt)*2"], ["bc,0+(10h)*2", "bc,0+(cnt)*2"]);
  add("ld", ["sp,(1000h)+100h", "sp,(top)+2"], ["sp,0+(1000h)+100h", "sp,0+(top)+2"]);
  add("cp", ["(12h)+1", "(cnt)+1"], ["0+(12h)+1", "0+(cnt)+1"]);
  add("add", ["a,(12h)-1", "a,(mval)-1"], ["a,0+(12h)-1", "a,0+(mval)-1"]);
  add("ld", ["a,( 1234h )", "a,( buf )"]);
  add("ld", ["( 1234h ),a", "( buf ),a"]);
  add("ld", ["hl, ( 1234h )", "hl,( buf )"]);
  add("ld", ["(( 1234h )),hl", "((buf)),hl"]);
  add("jp", ["nz , 4567h", "nz , jpdata"]);
  add("call", ["z , 0158h", "z , recall"]);
  add("add", both("a , b"));
  add("ld", both("(hl) , a"));
  add("ld", both("b , c"));
  add("ld", ["hl , 1234h", "hl , buf"]);
  add("ld", ["(1234h) , hl", "(buf) , hl"]);
  add("ld", ["a , (1234h)", "a , (buf)"]);
  add("ex", both("de , hl"));
  add("out", ["(12h) , a", "(port) , a"]);
  add("in", ["a , (12h)", "a , (port)"]);
  add("adc", ["a , 5", "a , cnt"]);
  add("sbc", both("a , (hl)"));
  for (const mn of ["sub", "and", "xor", "or", "cp"]) {
    add(mn, both("a,b"), both("b"));
    add(mn, ["a,12h", "a,cnt"], ["12h", "cnt"]);
    add(mn, both("a,(hl)"), both("(hl)"));
    add(mn, both("a , c"), both("c"));
  }
  add("cp", both("a,'0'"), both("'0'"));
  add("ld", ["hl,pi+1", "hl,h_keyi+1"]);
  add("ld", ["sp,useriy+2", "de,useriy"]);
  add("ld", ["a,fix", "a,pi"]);
  add("cp", ["'i'", "fix"]);
  add("db", both("'Hi, there', 0"), null, true);
  add("db", both("'ix+', 'i,'"), null, true);
  add("ld,", both("a,b"));
  for (const mn of ["add,", "adc,", "sbc,"]) {  // the assembler wants "a," with these
    add(mn, both("a,b"), both("a,b"));
    add(mn, ["a,12h", "a,cnt"], ["a,12h", "a,cnt"]);
  }
  for (const mn of ["sub,", "and,", "xor,", "or,", "cp,"]) {
    add(mn, both("a,b"), both("b"));
    add(mn, ["a,12h", "a,cnt"], ["12h", "cnt"]);
  }
  add("sub", both(", (hl)"), both("(hl)"));
  add("jp,", ["nz,4567h", "z,jpdata"]);
  for (const p of ["38h", "0x38", "$38", "56", "0038h", "00111000b", "%00111000", "70o"]) add("rst", both(p));
  add("rst", both("#38"), both("38h"));
  add("rst", both("#8"), both("8"));
  return f;
}

function i8080Written() {
  const f = [];
  const add = (mn, ops, canonical = null, data = false) => f.push((s) => [mn, pick(ops, s), data, canonical && pick(canonical, s)]);
  const both = (x) => [x, x];
  add("mvi,", ["a,(12h)", "a,(mval)"]);
  add("lxi,", ["b ,1234h", "b ,buf"]);
  add("mvi,", both(" m, 5"));
  add("mov", both("a ,b"));
  add("mov", both("a , m"));
  add("mvi", ["m ,12h", "m ,cnt"]);
  add("lxi", ["h ,1234h", "h , buf"]);
  add("mvi", ["a,(12h)-1", "a,(mval)-1"]);
  add("lxi", ["h,(top-bot)/2", "h,(buf)+1"]);
  add("lxi", ["b,(1234h)", "b,(buf)"]);
  for (const mn of ["adi", "aci", "sui", "sbi", "ani", "xri", "ori", "cpi"]) add(mn, ["(12h)", "(cnt)+1"]);
  add("lda", ["buf + 1", "( buf )"]);
  add("lhld", ["(buf)+2", "buf+2"]);
  for (const p of ["3", "03", "3h", "011b", "0b011", "3o"]) add("rst", both(p), both("3"));
  return f;
}

// Relative jumps, translated with --jr-as-jump.
function z80RelativeJumps() {
  const f = [];
  const add = (mn, ops) => f.push((s) => [mn, pick(ops, s), false, null]);
  add("jr", E);
  for (const cc of ["nz", "z", "nc", "c"]) add("jr", [`${cc},${E[0]}`, `${cc},${E[1]}`]);
  add("jr", ["$+5", "$-2"]);
  add("djnz", E);
  return f;
}

const capitalise = (t) => t.charAt(0).toUpperCase() + t.slice(1);

// The spellings: tabs, spaces, case, a blank after the comma, a label in column
// 1 and a trailing comment.
const SPELLINGS = [
  (mn, ops) => `\t${mn}\t${ops}`,
  (mn, ops) => `    ${mn.toUpperCase()} ${ops.toUpperCase()}`,
  (mn, ops) => `\t${capitalise(mn)}\t${ops.replace(/,/g, ", ")}`,
  (mn, ops) => `lbl:\t${mn}\t${ops}\t; comment, with ; and !`,
  (mn, ops) => `  ${mn}  ${ops.replace(/,/g, ", ")}  `,
];

// Lines as listings typed from print and other assemblers have them, judged
// as they stand (no spellings): statements in column 1, statements separated
// by ":", blanks inside a register's parentheses. [line, canonical] where the
// assembler needs another spelling of the same meaning.
const LISTINGS = {
  "z80 listings": [
    ["LD A,B"], ["RET Z"], ["RET NZ ; back"], ["RET"], ["HALT"], ["LDIR"], ["CPI"], ["JP NZ,1234H"], ["RST 38H"],
    ["CP 'M'"], ["EX DE,HL"], ["DJNZ $"], ["LD HL,(1234H)"], ["PUSH BC"],
    ["\tld a,b:inc hl"], ["\tld hl,1234h:ld a,b"], ["\tret z:ret"], ["\tinc a : dec b"], ["\tld a,(hl):inc hl"],
    ["\tdjnz $:inc a"], ["\tld (1234h),a:ld a,';'"],
    ["\tld a, ( hl )", "\tld a,(hl)"], ["\tld ( hl ),5", "\tld (hl),5"], ["\tld a,( de )", "\tld a,(de)"],
    ["\tex ( sp ),hl", "\tex (sp),hl"], ["\tjp ( hl )", "\tjp (hl)"], ["\tadd a,( hl )", "\tadd a,(hl)"],
    ["\tcp ( hl )", "\tcp (hl)"], ["\tld ( bc ),a", "\tld (bc),a"], ["\tld a,(ix + 2)", "\tld a,(ix+2)"],
  ],
  "8080 listings": [
    ["MOV  A,E"], ["CPI 'M'"], ["XCHG"], ["RRC"], ["RZ"], ["PCHL"], ["RST 7"], ["DB 0AH,0DH"], ["LXI H,1234H"],
    ["JMP 1234H"], ["ST1:LXI SP,1234H", "ST1: LXI SP,1234H"], ["MVI M,5"], ["HLT"],
    ["\tmov a,b : inx h"], ["\tmvi a,5:ret"], ["\txchg:shld 1234h:xchg"],
    ["\tjmp (1234h)"], ["\tjnz (1234h)"], ["\tcall 1234h"],
  ],
};

const FORMS = {
  "z80": z80Forms, "8080": i8080Forms, "z80 written": z80Written, "8080 written": i8080Written,
  "z80 jr": z80RelativeJumps,
};

// [{line, data, canonical}] for a corpus named in FORMS; `canonical` is the
// line as the assembler reads its meaning (the line itself if not given).
function corpus(name) {
  if (name in LISTINGS) {
    return LISTINGS[name].map(([line, canonical]) => ({ line, data: /^\s*d[bw]\b/i.test(line), canonical: canonical || line, statements: true }));
  }
  const out = [];
  FORMS[name]().forEach((form, i) => {
    SPELLINGS.forEach((spell, k) => {
      const [mn, ops, data, canonical] = form((i + k) % 2);
      const line = spell(mn, ops).replace(/\t$/, "");
      out.push({ line, data, canonical: canonical ? spell(mn.replace(/,$/, ""), canonical).replace(/\t$/, "") : line });
    });
  });
  return out;
}

module.exports = { corpus, header };
