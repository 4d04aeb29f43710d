// The engine's encoders against the assembler: every line of the judge's
// corpora (every instruction form of both processors, numeric and symbolic, in
// five spellings, and the forms people write) must encode, and its encoding,
// with the corpus symbols' values put into its operand expressions, must be
// the assembler's bytes. The 8080 corpus must reach all 244 opcodes.
//
// Usage: node encoders.js ENCODE_LINES
"use strict";

const { spawnSync } = require("child_process");
const ASM = require("asm80/asm.js");
const Monolith = require("asm80/monolith.js");
const { corpus, header } = require("./corpus.js");

const SYMBOLS = {};
for (const l of header().split("\n")) {
  const m = l.match(/^(\S+) equ 0([0-9a-f]+)h$/);
  if (m) SYMBOLS[m[1]] = parseInt(m[2], 16);
}

// The statement of a line: no label in column 1, no comment.
function statement(line) {
  let code = "";
  let quote = null;
  for (const ch of line) {
    if (quote) {
      if (ch === quote) quote = null;
    } else if ((ch === "'" && !/af$/i.test(code)) || ch === '"') {  // ex af,af' opens no quote
      quote = ch;
    } else if (ch === ";") {
      break;
    }
    code += ch;
  }
  return /^\S/.test(code) ? code.replace(/^\S+/, "") : code;
}

// The five spellings of a form differ in case and blanks only, which the
// assembler ignores outside quotes: each form is assembled once.
const assembled = new Map();
function assemble(line, cpu) {
  const code = statement(line).trim();
  const key = cpu + (/['"]/.test(code) ? line : code.toLowerCase().replace(/\s*,\s*/g, ",").replace(/\s+/g, " "));
  if (!assembled.has(key)) assembled.set(key, assembleAnew(line, cpu));
  return assembled.get(key);
}

function assembleAnew(line, cpu) {
  line = line.replace(/^(\S*\s+[A-Za-z.]+),/, "$1 ");  // a comma after the mnemonic reads as a blank
  const log = console.log;
  console.log = () => {};
  try {
    const result = ASM.compile(header() + line + "\n", Monolith[cpu]);
    if (result[0]) return null;
    const bytes = [];
    for (const l of result[1][0]) if (l.lens) bytes.push(...l.lens);
    return bytes;
  } catch (e) {
    return null;
  } finally {
    console.log = log;
  }
}

// The value of a normalised expression: decimal numbers, lower-case names of
// the corpus, "$" (the line stands at 0), + - * / and parentheses.
function evaluate(expression) {
  const js = expression.replace(/[a-z_.$@?][a-z0-9_.$@?]*/g, (name) => {
    if (name === "$") return "0";
    if (!(name in SYMBOLS)) throw new Error(`unknown name ${name}`);
    return String(SYMBOLS[name]);
  });
  if (!/^[0-9+\-*/() ]*$/.test(js)) throw new Error(`cannot evaluate ${expression}`);
  return Math.trunc(Function(`"use strict"; return (${js});`)());
}

// The bytes of an encoding as encode_lines prints it, or null for ds.
function bytesOf(text) {
  const items = [...text.matchAll(/\[(.*?) : (\w+)\]|([0-9A-F]{2})|data/g)];
  const length = items.reduce((n, m) => n + (m[3] ? 1 : m[2] === "word" ? 2 : m[1] !== undefined ? 1 : 0), 0);
  const bytes = [];
  for (const m of items) {
    if (m[3]) {
      bytes.push(parseInt(m[3], 16));
    } else if (m[1] !== undefined) {
      const [expression, size] = [m[1], m[2]];
      if (size === "count") return null;
      if (/^'.*'$/.test(expression)) {
        for (const ch of expression.slice(1, -1)) bytes.push(ch.charCodeAt(0));
        continue;
      }
      let v = evaluate(expression);
      if (size === "relative") v -= length;
      bytes.push(v & 0xff);
      if (size === "word") bytes.push((v >> 8) & 0xff);
    }
  }
  return bytes;
}

function check(tool, name) {
  const z80 = name.startsWith("z80");
  const entries = corpus(name);
  const run = spawnSync(tool, [z80 ? "z80" : "8080"], {
    input: entries.map((e) => statement(e.line)).join("\n") + "\n", maxBuffer: 1 << 26 });
  if (run.status !== 0) throw new Error(`${tool} failed: ${run.stderr}`);
  const out = run.stdout.toString().split("\n");
  const faults = [];
  const opcodes = new Set();
  let compared = 0;
  entries.forEach((e, i) => {
    const reference = assemble(e.canonical, z80 ? "Z80" : "I8080");
    if (reference === null) return;
    if (out[i].startsWith("!")) {
      faults.push(`${JSON.stringify(e.line)}: does not encode (${out[i].slice(2)})`);
      return;
    }
    let ours;
    try {
      ours = bytesOf(out[i]);
    } catch (err) {
      faults.push(`${JSON.stringify(e.line)}: ${out[i]}: ${err.message}`);
      return;
    }
    if (ours === null) return;
    ++compared;
    if (JSON.stringify(ours) !== JSON.stringify(reference)) {
      faults.push(`${JSON.stringify(e.line)}: ${out[i]} is not ${reference.map((b) => b.toString(16)).join(" ")}`);
    }
    if (!e.data && ours.length > 0) opcodes.add(ours[0]);
  });
  console.log(`${name}: ${entries.length} lines, ${compared} compared, ${faults.length} faults, ${opcodes.size} first bytes`);
  for (const f of faults) console.log(`  ${f}`);
  return { faults: faults.length, opcodes: opcodes.size };
}

function main() {
  const tool = process.argv[2];
  let failed = false;
  for (const name of ["z80", "8080", "z80 written", "8080 written"]) {
    const r = check(tool, name);
    if (r.faults > 0) failed = true;
    if (name === "8080" && r.opcodes !== 244) {
      console.log(`  the 8080 corpus reaches ${r.opcodes} opcodes, not 244`);
      failed = true;
    }
  }
  process.exit(failed ? 1 : 0);
}

main();
