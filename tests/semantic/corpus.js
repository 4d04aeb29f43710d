// The two corpora the assembler judges: every documented Z80 instruction form
// and every 8080 instruction form, with numeric and symbolic operands, each in
// the spellings people use. Deterministic: the same lines every run.
"use strict";

// Symbols every line may use, defined before each line is assembled. The names
// hold register and mnemonic letters on purpose.
const SYMBOLS = {
  words: { buf: 0x1234, hlsave: 0x2345, lxitab: 0x3456, jpdata: 0x4567, recall: 0x0158, bcnt: 0x0a0b },
  bytes: { port: 0x12, mval: 0x34, cnt: 0x56 },
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

// [{line, data}] for "z80" or "8080".
function corpus(cpu) {
  const forms = cpu === "z80" ? z80Forms() : i8080Forms();
  const out = [];
  forms.forEach((form, i) => {
    SPELLINGS.forEach((spell, k) => {
      const [mn, ops, data] = form((i + k) % 2);
      out.push({ line: spell(mn, ops).replace(/\t$/, ""), data });
    });
  });
  return out;
}

module.exports = { corpus, header };
