// The assembler as judge: translates each corpus with asmconv, assembles every
// source line with its CPU and its translation with the other, and classifies
// the line. Fails on any line whose translation assembles to different bytes,
// and on any change of the counts against expected_summary.json (run with
// --update to record an intended change).
//
// The assembler does not know every dialect form: a corpus line may name the
// spelling it is assembled in (corpus.js), and a comma right after the
// mnemonic ("mvi,a,5") is read as a blank, as the assemblers that allow it do.
// Relative jumps translated with --jr-as-jump grow by a byte by design: that
// corpus compares the decoded jump (condition and target), not the bytes.
//
// Usage: node judge.js ASMCONV [--update] [--verbose]
"use strict";

const fs = require("fs");
const path = require("path");
const { spawnSync } = require("child_process");
const ASM = require("asm80/asm.js");
const Monolith = require("asm80/monolith.js");
const { corpus, header } = require("./corpus.js");

const CLASSES = ["same bytes", "different bytes", "translation does not assemble",
                 "marked, with an equivalent", "marked, no equivalent", "source invalid"];

// Opcodes a Z80 has and an 8080 lacks (prefixes, relative jumps, exchanges).
const Z80_ONLY = new Set([0x08, 0x10, 0x18, 0x20, 0x28, 0x30, 0x38, 0xcb, 0xd9, 0xdd, 0xed, 0xfd]);

// Operand counts of the 8080 mnemonics. In 8080 mode the assembler ignores
// surplus operands ("ret z" assembles as "ret") and takes any rst operand modulo
// 8, so a line it accepts is checked against these before its bytes count.
const I8080_OPERANDS = (() => {
  const counts = {};
  const set = (n, list) => list.split(" ").forEach((m) => { counts[m] = n; });
  set(0, "xchg xthl sphl pchl daa rlc rrc ral rar cma cmc stc ret ei di hlt nop " +
         "rnz rz rnc rc rpo rpe rp rm");
  set(1, "add adc sub sbb ana xra ora cmp inr dcr inx dcx dad push pop ldax stax lda sta lhld shld " +
         "adi aci sui sbi ani xri ori cpi jmp jnz jz jnc jc jpo jpe jp jm call cnz cz cnc cc cpo cpe " +
         "cp cm rst in out");
  set(2, "mov mvi lxi");
  return counts;
})();

// The mnemonic and operands of a line: no label in column 1, no comment.
function parse(line) {
  let code = "";
  let quote = null;
  for (const ch of line) {
    if (quote) {
      if (ch === quote) quote = null;
    } else if (ch === "'" || ch === '"') {
      quote = ch;
    } else if (ch === ";") {
      break;
    }
    code += ch;
  }
  if (/^\S/.test(code)) code = code.replace(/^\S+/, "");
  const m = code.trim().match(/^(\S+)\s*(.*)$/);
  if (!m) return null;
  const ops = [];
  let current = "";
  quote = null;
  for (const ch of m[2]) {
    if (quote) {
      if (ch === quote) quote = null;
    } else if (ch === "'" || ch === '"') {
      quote = ch;
    } else if (ch === ",") {
      ops.push(current.trim());
      current = "";
      continue;
    }
    current += ch;
  }
  if (current.trim() !== "" || ops.length > 0) ops.push(current.trim());
  return { mnemonic: m[1].toLowerCase(), ops };
}

function strict8080(line) {
  const p = parse(line);
  if (!p || !(p.mnemonic in I8080_OPERANDS)) return true;
  if (p.ops.length !== I8080_OPERANDS[p.mnemonic]) return false;
  return p.mnemonic !== "rst" || /^[0-7]$/.test(p.ops[0]);
}

// A comma right after the mnemonic separates like a blank.
function readable(line) {
  return line.replace(/^(\S*\s+[A-Za-z.]+),/, "$1 ");
}

function assemble(line, cpu) {
  line = readable(line);
  if (cpu === "I8080" && !strict8080(line)) return null;
  const log = console.log;
  console.log = () => {};  // the assembler prints its errors
  let result;
  try {
    result = ASM.compile(header() + line + "\n", Monolith[cpu]);
  } catch (e) {
    return null;
  } finally {
    console.log = log;
  }
  if (result[0]) return null;
  const bytes = [];
  for (const l of result[1][0]) if (l.lens) bytes.push(...l.lens);
  return bytes;
}

// The statements of a line separated by ":" (outside quotes; not "::" or
// ":="), each assembled on its own, the bytes one after another.
function assembleStatements(line, cpu) {
  const code = line.replace(/;.*$/, (c) => (/['"]/.test(line.slice(0, line.indexOf(c))) ? c : ""));
  const pieces = [];
  let current = "";
  let quote = null;
  for (let i = 0; i < code.length; i++) {
    const ch = code[i];
    if (quote) {
      if (ch === quote) quote = null;
    } else if ((ch === "'" || ch === '"') && !/af$/i.test(current)) {
      quote = ch;
    } else if (ch === ":" && code[i + 1] !== ":" && code[i + 1] !== "=" && code[i - 1] !== ":" && !/^\S+$/.test(current)) {
      pieces.push(current);
      current = "";
      continue;
    }
    current += ch;
  }
  pieces.push(current);
  const bytes = [];
  for (const [k, piece] of pieces.entries()) {
    // A statement in column 1 (no label glued to it) is read as one: the
    // assembler wants it indented.
    const b = assemble(k > 0 || /^[^\s:]+(\s|$)/.test(piece) ? " " + piece : piece, cpu);
    if (b === null) return null;
    bytes.push(...b);
  }
  return bytes;
}

// ds emits no bytes here: its operand is compared instead.
function same(line, out, source, target) {
  const a = parse(line);
  const b = parse(out);
  if (a && ["ds", "defs"].includes(a.mnemonic)) {
    return b && b.mnemonic === "ds" && JSON.stringify(a.ops) === JSON.stringify(b.ops);
  }
  return JSON.stringify(target) === JSON.stringify(source);
}

// The condition and target of an absolute or relative jump assembled at 0.
function decodedJump(bytes) {
  const relative = { 0x18: "", 0x20: "nz", 0x28: "z", 0x30: "nc", 0x38: "c" };
  const absolute = { 0xc3: "", 0xc2: "nz", 0xca: "z", 0xd2: "nc", 0xda: "c" };
  if (bytes.length === 2 && bytes[0] in relative) {
    return `${relative[bytes[0]]} ${(2 + ((bytes[1] << 24) >> 24)) & 0xffff}`;
  }
  if (bytes.length === 3 && bytes[0] in absolute) return `${absolute[bytes[0]]} ${bytes[1] | (bytes[2] << 8)}`;
  return null;
}

function translate(asmconv, direction, lines, options = []) {
  const run = spawnSync(asmconv, [direction, ...options], { input: lines.join("\n") + "\n", maxBuffer: 1 << 28 });
  if (run.status !== 0) throw new Error(`asmconv ${direction} failed: ${run.stderr}`);
  const out = run.stdout.toString("utf8").split("\n");
  out.pop();
  if (out.length !== lines.length) throw new Error(`asmconv gave ${out.length} lines for ${lines.length}`);
  return out;
}

function judge(asmconv, name, options = []) {
  const z80 = name.startsWith("z80");
  const jumps = options.includes("--jr-as-jump");
  const entries = corpus(name);
  const translations = translate(asmconv, z80 ? "--to-8080" : "--to-z80", entries.map((e) => e.line), options);
  const counts = Object.fromEntries(CLASSES.map((c) => [c, 0]));
  const examples = Object.fromEntries(CLASSES.map((c) => [c, []]));
  entries.forEach((entry, i) => {
    const out = translations[i];
    const assembler = entry.statements ? assembleStatements : assemble;
    const source = assembler(entry.canonical, z80 ? "Z80" : "I8080");
    let cls;
    if (source === null) {
      cls = "source invalid";
    } else if (out.includes(z80 ? "; cannot convert:" : ";Cannot convert:")) {
      const equivalent = !z80 || entry.data || (source.length > 0 && !Z80_ONLY.has(source[0]));
      cls = equivalent ? "marked, with an equivalent" : "marked, no equivalent";
    } else {
      const target = assembler(out, z80 ? "I8080" : "Z80");
      if (target === null) cls = "translation does not assemble";
      else if (jumps) cls = decodedJump(source) !== null && decodedJump(source) === decodedJump(target) ? "same bytes" : "different bytes";
      else cls = same(entry.line, out, source, target) ? "same bytes" : "different bytes";
    }
    counts[cls]++;
    examples[cls].push(`${JSON.stringify(entry.line)} -> ${JSON.stringify(out)}`);
  });
  return { lines: entries.length, counts, examples };
}

function main() {
  const args = process.argv.slice(2);
  const asmconv = args.find((a) => !a.startsWith("--"));
  const summaryPath = path.join(__dirname, "expected_summary.json");
  const results = {
    "Z80 -> 8080": judge(asmconv, "z80"),
    "8080 -> Z80": judge(asmconv, "8080"),
    "Z80 -> 8080, written forms": judge(asmconv, "z80 written"),
    "8080 -> Z80, written forms": judge(asmconv, "8080 written"),
    "Z80 -> 8080, jr as jump": judge(asmconv, "z80 jr", ["--jr-as-jump"]),
    "Z80 -> 8080, listings": judge(asmconv, "z80 listings"),
    "8080 -> Z80, listings": judge(asmconv, "8080 listings"),
  };

  const summary = {};
  for (const [direction, r] of Object.entries(results)) {
    console.log(`${direction}: ${r.lines} lines`);
    for (const c of CLASSES) console.log(`  ${c.padEnd(32)}${String(r.counts[c]).padStart(6)}`);
  }
  for (const [direction, r] of Object.entries(results)) summary[direction] = r.counts;

  let failed = false;
  for (const [direction, r] of Object.entries(results)) {
    const show = args.includes("--verbose") ? CLASSES : ["different bytes"];
    for (const c of show) {
      if (r.examples[c].length === 0) continue;
      console.log(`\n${direction}, ${c}:`);
      for (const e of r.examples[c]) console.log(`  ${e}`);
    }
    if (r.counts["different bytes"] > 0) failed = true;
    if ((direction.includes("written") || direction.includes("listings")) && r.counts["translation does not assemble"] > 0) {
      failed = true;
    }
  }
  if (args.includes("--update")) {
    fs.writeFileSync(summaryPath, JSON.stringify(summary, null, 2) + "\n");
    console.log(`\nwrote ${summaryPath}`);
  } else {
    const expected = JSON.parse(fs.readFileSync(summaryPath, "utf8"));
    if (JSON.stringify(expected) !== JSON.stringify(summary)) {
      console.log(`\nThe counts differ from ${summaryPath}:\n${JSON.stringify(expected, null, 2)}`);
      console.log("If the change is intended, run judge.js with --update and commit the file.");
      failed = true;
    }
  }
  process.exit(failed ? 1 : 0);
}

main();
