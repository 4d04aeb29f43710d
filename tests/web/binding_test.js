// The web page's engine (build-web/engine.js) against asmconv: every source in
// tests/data, in both directions, in every line end and encoding the engine
// reads, Z80 -> 8080 with and without --jr-as-jump, both directions with
// --keep-layout. A row fails when open, translate and save give other bytes
// than asmconv writes for the same file.
// Usage: node binding_test.js BUILD_WEB_DIR ASMCONV
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const { execFileSync } = require('child_process');

const [buildWeb, asmconv] = process.argv.slice(2);
if (!buildWeb || !asmconv) {
  console.error('usage: node binding_test.js BUILD_WEB_DIR ASMCONV');
  process.exit(2);
}
const dataDir = path.join(__dirname, '..', 'data');

// How a file's bytes are spelled: [name, bytes of its text].
const utf16 = (text, bigEndian) => {
  const b = Buffer.from(text, 'utf16le');
  if (bigEndian) b.swap16();
  return b;
};
const variants = [
  ['as is', (t) => Buffer.from(t)],
  ['CR LF', (t) => Buffer.from(t.replace(/\n/g, '\r\n'))],
  ['lone CR', (t) => Buffer.from(t.replace(/\n/g, '\r'))],
  ['no last line end', (t) => Buffer.from(t.replace(/\n+$/, ''))],
  ['zero bytes as line ends', (t) => Buffer.from(t.replace(/\n/g, '\0'))],
  ['UTF-8 with mark', (t) => Buffer.concat([Buffer.from([0xef, 0xbb, 0xbf]), Buffer.from(t)])],
  ['UTF-16 LE, CR LF', (t) => Buffer.concat([Buffer.from([0xff, 0xfe]), utf16(t.replace(/\n/g, '\r\n'), false)])],
  ['UTF-16 BE', (t) => Buffer.concat([Buffer.from([0xfe, 0xff]), utf16(t, true)])],
];
// Small texts for what the sample files lack.
const extra = [
  ['empty', ''],
  ['one line end', '\n'],
  ['mixed line ends', '\tld a,b\r\n\tjr nz,x\n\tmov a,b\rx:\tnop\n'],
  ['non-ASCII', '\tld a,\'\u00e9\'\t; caf\u00e9 \u{1f600}\n\tdb "\u2028"\n'],
];

const failures = [];
let rows = 0;
const tmp = fs.mkdtempSync(path.join(os.tmpdir(), 'binding-test-'));

require(path.resolve(buildWeb, 'engine.js'))({ wasmBinary: fs.readFileSync(path.join(buildWeb, 'engine.wasm')) })
  .then((engine) => {
    const sources = fs.readdirSync(dataDir).filter((f) => /\.(z80|8080|asm)$/.test(f)).sort()
      .map((f) => [f, fs.readFileSync(path.join(dataDir, f), 'utf8')]).concat(extra);
    // Every spelling of every source as a file; asmconv translates them all
    // in one run per direction and option (-d: one output file each).
    const inputs = [];
    sources.forEach(([name, text], i) => variants.forEach(([variant, spell], j) => {
      const file = path.join(tmp, `${i}_${j}.src`);
      const bytes = spell(text);
      fs.writeFileSync(file, bytes);
      inputs.push({ name, variant, file, bytes });
    }));
    const runs = [['--to-8080', false, false, 'asm', false], ['--to-8080', false, true, 'asm', false],
                  ['--to-z80', true, false, 'z80', false], ['--to-8080', false, false, 'asm', true],
                  ['--to-z80', true, false, 'z80', true]];
    for (const [direction, toZ80, jr, extension, layout] of runs) {
      const args = [direction, ...(jr ? ['--jr-as-jump'] : []), ...(layout ? ['--keep-layout'] : [])];
      const out = fs.mkdtempSync(path.join(tmp, 'out-'));
      execFileSync(asmconv, ['-j', '1', ...args, '-d', out, ...inputs.map((x) => x.file)]);
      for (const { name, variant, file, bytes } of inputs) {
        ++rows;
        const expected = fs.readFileSync(path.join(out, path.basename(file).replace(/\.src$/, `.${extension}`)));
        const opened = engine.open(bytes);
        const translated = engine.translate(toZ80, opened.text, { jrAsJump: jr, keepLayout: layout });
        const saved = Buffer.from(engine.save(translated.text, opened.encoding, opened.lineEnd, opened.lastLineEnded));
        const lines = opened.text.split('\n').length;
        const row = `${name}, ${variant}, asmconv ${args.join(' ')}`;
        if (!saved.equals(expected)) failures.push(`${row}: other bytes than asmconv`);
        if (translated.marked.length !== lines || translated.outcomes.split('\n').length !== lines) {
          failures.push(`${row}: ${translated.marked.length} marks for ${lines} lines`);
        }
        if (opened.replaced) failures.push(`${row}: well-formed text reported as replaced`);
      }
    }
    // Ill-formed UTF-16 is read as asmconv reads it and says so; bytes that
    // are not UTF-8 are 8-bit text and come back as they were.
    for (const [name, bytes] of [['lone surrogate', Buffer.from([0xff, 0xfe, 0x00, 0xd8, 0x41, 0x00])]]) {
      ++rows;
      if (!engine.open(bytes).replaced) failures.push(`${name}: not reported as replaced`);
    }
    for (const [name, bytes] of [['stray byte', Buffer.from('\tld a,b ; \xcf\xf0\xe8\xe2\xe5\xf2\xff\n', 'latin1')]]) {
      ++rows;
      const o = engine.open(bytes);
      const back = Buffer.from(engine.save(o.text, o.encoding, o.lineEnd, o.lastLineEnded));
      if (o.replaced || !back.equals(bytes)) failures.push(`${name}: not read and written back byte for byte`);
    }
    fs.rmSync(tmp, { recursive: true, force: true });
    for (const f of failures) console.error(`FAIL ${f}`);
    console.log(`${rows - failures.length} of ${rows} rows pass`);
    process.exit(failures.length ? 1 : 0);
  })
  .catch((e) => {
    console.error(e);
    process.exit(1);
  });
