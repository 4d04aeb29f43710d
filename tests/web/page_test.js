// The web page in Debian's Chromium, driven as a user would: a source opened
// by the file picker, ">" or "<" pressed, the other pane compared with what
// asmconv writes for the same file, F8 from the top and Shift+F8 back, a save
// compared byte for byte, the conversion undone. A row per file, spelling,
// direction and way of opening (file picker or drop).
// Usage: node page_test.js BUILD_WEB_DIR ASMCONV [--screenshot PNG]
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const { execFileSync } = require('child_process');
const puppeteer = require('puppeteer-core');
const { serve, launch } = require('./serve');

const [buildWeb, asmconv, flag, screenshot] = process.argv.slice(2);
if (!buildWeb || !asmconv) {
  console.error('usage: node page_test.js BUILD_WEB_DIR ASMCONV [--screenshot PNG]');
  process.exit(2);
}
const data = path.join(__dirname, '..', 'data');
const utf16le = (s) => Buffer.concat([Buffer.from([0xff, 0xfe]), Buffer.from(s, 'utf16le')]);
const bom = (s) => Buffer.concat([Buffer.from([0xef, 0xbb, 0xbf]), Buffer.from(s)]);

// file, how it is spelled, the button, asmconv's options, how it is opened.
const rows = [
  ['bios.z80', 'as is', (s) => Buffer.from(s), '#to-8080', ['--to-8080'], 'picker'],
  ['bios.z80', 'UTF-16 LE, CR LF', (s) => utf16le(s.replace(/\n/g, '\r\n')), '#to-8080', ['--to-8080'], 'picker'],
  ['monitor.z80', 'as is', (s) => Buffer.from(s), '#to-8080', ['--to-8080', '--jr-as-jump'], 'picker'],
  ['bios.8080', 'as is', (s) => Buffer.from(s), '#to-z80', ['--to-z80'], 'picker'],
  ['bios.8080', 'as is', (s) => Buffer.from(s), '#to-z80', ['--to-z80', '--keep-layout'], 'picker'],
  ['tasm.8080', 'UTF-8 with mark, lone CR', (s) => bom(s.replace(/\n/g, '\r')), '#to-z80', ['--to-z80'], 'drop'],
];

// The text of a file as a pane shows it: no mark, lines joined by "\n", no
// line end after the last.
function asPane(bytes) {
  let s;
  if (bytes[0] === 0xff && bytes[1] === 0xfe) s = bytes.subarray(2).toString('utf16le');
  else s = bytes.toString('utf8').replace(/^\uFEFF/, '');
  return s.replace(/\r\n|\r/g, '\n').replace(/\n$/, '');
}

async function waitForFile(file) {
  for (let i = 0; i < 200; ++i) {
    if (fs.existsSync(file)) return fs.readFileSync(file);
    await new Promise((r) => setTimeout(r, 50));
  }
  throw new Error(`no download ${file}`);
}

async function main() {
  const tmp = fs.mkdtempSync(path.join(os.tmpdir(), 'page-test-'));
  const server = await serve(buildWeb);
  const browser = await launch(puppeteer, path.join(tmp, 'profile'));
  const failures = [];
  try {
    const page = await browser.newPage();
    page.on('pageerror', (e) => failures.push(`page error: ${e.message}`));
    await page.setViewport({ width: 1280, height: 800 });
    await page.goto(server.url);
    await page.waitForFunction(() => document.getElementById('status').textContent.includes('Ready'),
                               { timeout: 30000 });
    const cdp = await page.createCDPSession();
    let number = 0;
    for (const [name, spelling, spell, button, args, how] of rows) {
      const row = `${name}, ${spelling}, ${args.join(' ')}, ${how}`;
      const dir = path.join(tmp, `row${number++}`);
      fs.mkdirSync(dir);
      const input = path.join(dir, name);
      fs.writeFileSync(input, spell(fs.readFileSync(path.join(data, name), 'utf8')));
      const expected = execFileSync(asmconv, [...args, input]);
      let marked = [];
      try {
        execFileSync(asmconv, [...args, '--check', input], { stdio: ['ignore', 'ignore', 'pipe'] });
      } catch (e) {
        marked = e.stderr.toString().split('\n').filter((l) => l.includes(': cannot convert: '))
          .map((l) => Number(l.slice(input.length + 1).split(':')[0]));
      }
      const [from, to] = button === '#to-8080' ? ['#z80', '#i8080'] : ['#i8080', '#z80'];

      if (how === 'picker') {
        await (await page.$(`${from} .picker`)).uploadFile(input);
      } else {
        // A file dropped on the pane, as a file manager drops it.
        await page.$eval(`${from} textarea`, (t, bytes, file) => {
          const data = new DataTransfer();
          data.items.add(new File([new Uint8Array(bytes)], file));
          for (const type of ['dragenter', 'dragover', 'drop']) {
            t.dispatchEvent(new DragEvent(type, { dataTransfer: data, bubbles: true, cancelable: true }));
          }
        }, [...fs.readFileSync(input)], name);
      }
      await page.waitForFunction((sel, f) => document.querySelector(`${sel} .file`).textContent.startsWith(f),
                                 {}, from, name);
      const before = await page.$eval(`${to} textarea`, (t) => t.value);
      await page.$eval('#jr-as-jump', (box, on) => { if (box.checked !== on) box.click(); },
                       args.includes('--jr-as-jump'));
      await page.$eval('#keep-layout', (box, on) => { if (box.checked !== on) box.click(); },
                       args.includes('--keep-layout'));
      await page.click(button);
      const shown = await page.$eval(`${to} textarea`, (t) => t.value);
      if (shown !== asPane(expected)) failures.push(`${row}: the pane differs from asmconv`);

      const bands = await page.$$eval(`${to} .marks div`, (d) => d.length);
      if (bands !== marked.length) failures.push(`${row}: ${bands} tinted lines, asmconv marks ${marked.length}`);
      const status = await page.$eval('#status', (s) => s.textContent);
      if (!status.includes(`${marked.length} cannot convert`)) failures.push(`${row}: status "${status}"`);

      // F8 from the first line goes to the first marked line after it.
      await page.$eval(`${to} textarea`, (t) => { t.focus(); t.setSelectionRange(0, 0); });
      await page.keyboard.press('F8');
      const caret = await page.$eval(`${to} textarea`, (t) => t.value.slice(0, t.selectionStart).split('\n').length);
      const want = marked.find((l) => l > 1) || marked[0] || 1;
      if (caret !== want) failures.push(`${row}: F8 went to line ${caret}, the first marked line is ${want}`);
      if (marked.length && !(await page.$eval('#status', (s) => s.textContent)).includes(`line ${want}: cannot convert`)) {
        failures.push(`${row}: the status does not tell why line ${want} is marked`);
      }
      // Shift+F8 goes back to the marked line before, around the top.
      await page.keyboard.down('Shift');
      await page.keyboard.press('F8');
      await page.keyboard.up('Shift');
      const back = await page.$eval(`${to} textarea`, (t) => t.value.slice(0, t.selectionStart).split('\n').length);
      const before8 = marked.length ? marked[(marked.indexOf(want) + marked.length - 1) % marked.length] : 1;
      if (back !== before8) failures.push(`${row}: Shift+F8 went to line ${back}, not ${before8}`);

      await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: dir });
      await page.click(`${to} .save`);
      const savedName = name.replace(/\.[^.]*$/, to === '#z80' ? '.z80' : '.asm');
      const saved = await waitForFile(path.join(dir, savedName));
      if (!saved.equals(expected)) failures.push(`${row}: the saved ${savedName} differs from asmconv`);

      if (screenshot && flag === '--screenshot' && number === 1) {
        await page.$eval('#z80 textarea', (t) => { t.focus(); t.setSelectionRange(0, 0); });
        await page.keyboard.press('F8');
        await page.screenshot({ path: screenshot });
      }

      await page.click('#undo');
      if ((await page.$eval(`${to} textarea`, (t) => t.value)) !== before) {
        failures.push(`${row}: Undo did not bring back the pane as it was`);
      }
    }
  } finally {
    await browser.close();
    server.close();
    fs.rmSync(tmp, { recursive: true, force: true });
  }
  for (const f of failures) console.error(`FAIL ${f}`);
  console.log(`${rows.length} rows, ${failures.length} failures`);
  process.exit(failures.length ? 1 : 0);
}

main().catch((e) => {
  console.error(e);
  process.exit(1);
});
