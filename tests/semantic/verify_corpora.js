// Every line of the judge's corpora proves: asmconv --verify translates each
// corpus and must find no unproven line. Prints each corpus's summary.
//
// Usage: node verify_corpora.js ASMCONV
"use strict";

const { spawnSync } = require("child_process");
const { corpus } = require("./corpus.js");

const RUNS = [
  ["z80", ["--to-8080"]],
  ["8080", ["--to-z80"]],
  ["z80 written", ["--to-8080"]],
  ["8080 written", ["--to-z80"]],
  ["z80 jr", ["--to-8080", "--jr-as-jump"]],
];

let failed = false;
for (const [name, options] of RUNS) {
  const lines = corpus(name).map((e) => e.line);
  const run = spawnSync(process.argv[2], [...options, "--verify", "-", "-o", "/dev/null"],
                        { input: lines.join("\n") + "\n", maxBuffer: 1 << 26 });
  const report = run.stderr.toString().trimEnd();
  console.log(`${name}: ${report.split("\n").pop()}`);
  if (run.status !== 0) {
    console.log(report.split("\n").slice(0, -1).map((l) => `  ${l}`).join("\n"));
    failed = true;
  }
}
process.exit(failed ? 1 : 0);
