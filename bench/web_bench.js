// Times a conversion of a 10,000-line source in the web page, in Debian's
// Chromium, headless: from the press of ">" (or "<") until the next frame is
// drawn, so the engine, the panes and the marks are all counted. The source is
// the programs of tests/data repeated. Prints the first run (the engine's
// memory of translations still empty; the engine's share as the status line
// tells it) and the median of five more on the same text (whose output, the
// same again, the browser need not lay out anew), each the best of three
// fresh pages (the machine is shared).
// Usage: scripts/web && (cd tests/web && npm ci) && node bench/web_bench.js [LINES]
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const tests = path.join(__dirname, '..', 'tests');
const puppeteer = require(path.join(tests, 'web', 'node_modules', 'puppeteer-core'));
const { serve, launch } = require(path.join(tests, 'web', 'serve'));

const lines = Number(process.argv[2] || 10000);
const buildWeb = path.join(__dirname, '..', 'build-web');

function corpus(extensions) {
  const all = fs.readdirSync(path.join(tests, 'data')).filter((f) => extensions.some((e) => f.endsWith(e))).sort()
    .flatMap((f) => fs.readFileSync(path.join(tests, 'data', f), 'utf8').replace(/\n$/, '').split('\n'));
  return Array.from({ length: lines }, (_, i) => all[i % all.length]).join('\n') + '\n';
}

async function main() {
  const tmp = fs.mkdtempSync(path.join(os.tmpdir(), 'web-bench-'));
  const server = await serve(buildWeb);
  const browser = await launch(puppeteer, path.join(tmp, 'profile'));
  try {
    const results = {};
    for (let round = 0; round < 3; ++round) {
      const page = await browser.newPage();
      await page.setViewport({ width: 1280, height: 800 });
      await page.goto(server.url);
      await page.waitForFunction(() => document.getElementById('status').textContent.includes('Ready'));
      for (const [label, pane, button, extensions] of [['Z80 -> 8080', '#z80', '#to-8080', ['.z80']],
                                                       ['8080 -> Z80', '#i8080', '#to-z80', ['.8080', '.asm']]]) {
        const file = path.join(tmp, `source${pane.slice(1)}`);
        fs.writeFileSync(file, corpus(extensions));
        await (await page.$(`${pane} .picker`)).uploadFile(file);
        await page.waitForFunction((sel) => document.querySelector(`${sel} .file`).textContent.startsWith('source'),
                                   {}, pane);
        const times = [];
        let engineMs = null;
        for (let run = 0; run < 6; ++run) {
          times.push(await page.$eval(button, (b) => new Promise((done) => {
            const start = performance.now();
            b.click();
            requestAnimationFrame(() => setTimeout(() => done(performance.now() - start), 0));
          })));
          // The status line tells how long the engine took.
          if (run === 0) engineMs = Number(/translated in (\d+) ms/.exec(await page.$eval('#status', (e) => e.textContent))[1]);
        }
        const rest = times.slice(1).sort((a, b) => a - b);
        const best = results[label] || { first: Infinity, engine: Infinity, median: Infinity };
        results[label] = { first: Math.min(best.first, times[0]), engine: Math.min(best.engine, engineMs),
                           median: Math.min(best.median, rest[2]) };
      }
      await page.close();
    }
    for (const [label, r] of Object.entries(results)) {
      console.log(`${label}: ${lines} lines, first ${r.first.toFixed(0)} ms (engine ${r.engine} ms), ` +
                  `same text again ${r.median.toFixed(0)} ms`);
    }
  } finally {
    await browser.close();
    server.close();
    fs.rmSync(tmp, { recursive: true, force: true });
  }
}

main().catch((e) => {
  console.error(e);
  process.exit(1);
});
