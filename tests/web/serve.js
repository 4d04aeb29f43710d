// A static server for build-web/ on 127.0.0.1 (a browser loads WebAssembly
// only over http), for the browser test and the benchmark.
'use strict';
const fs = require('fs');
const http = require('http');
const path = require('path');

const types = { '.html': 'text/html; charset=utf-8', '.css': 'text/css', '.js': 'text/javascript',
                '.wasm': 'application/wasm', '.png': 'image/png' };

// Resolves to {url, close()}.
function serve(root) {
  const base = path.resolve(root);
  const server = http.createServer((req, res) => {
    const name = decodeURIComponent(new URL(req.url, 'http://x').pathname);
    const file = path.join(base, name === '/' ? 'index.html' : name);
    if (!file.startsWith(base + path.sep)) {
      res.writeHead(403).end();
      return;
    }
    fs.readFile(file, (err, data) => {
      if (err) {
        res.writeHead(404).end();
        return;
      }
      res.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' }).end(data);
    });
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve({
    url: `http://127.0.0.1:${server.address().port}/`,
    close: () => server.close(),
  })));
}

// Debian's Chromium, headless, as CI runs it (as root, without a display).
async function launch(puppeteer, profile) {
  return puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    userDataDir: profile,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
}

module.exports = { serve, launch };
