#!/usr/bin/env bash
# Prints how fast asmconv translates 1 000 000-line sources, per corpus and
# direction, in CPU time of the whole process (best of three):
#   lines/s with one thread, the ratio to copying the same file line by line
#   with one memchr per line (bench/line_copy), the time with the memory of
#   recent statements switched off (ASMCONV_MEMORY=off; "mem on/off" below 1.00
#   means the memory pays), the wall-clock speed-up of -j N over -j 1, and the
#   time of --verify over the plain translation (CPU, -j 1).
# Then how long the window takes to convert and show a 200 000-line pane.
# Not a test: nothing fails.
# Usage: bench/speed.sh [N]   (after scripts/build.sh default; N defaults to
#        the number of hardware threads)
set -euo pipefail
cd "$(dirname "$0")/.."
asmconv=build/cli/asmconv
line_copy=build/bench/line_copy
jobs=${1:-$(nproc)}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

repeat() {  # count, files... -> the files' lines repeated to count lines
  local n=$1; shift
  awk -v n="$n" '{ line[NR] = $0 } END { for (i = 0; i < n; i++) print line[i % NR + 1] }' "$@"
}

# Realistic programs repeated to a million lines.
repeat 1000000 tests/data/monitor.z80 tests/data/bios.z80 > "$work/mixed.z80"
repeat 1000000 tests/data/copy.asm tests/data/ccp.asm > "$work/mixed.asm"
# The assembler judge's corpora (every instruction form in five spellings).
if command -v node > /dev/null && [ -d tests/semantic/node_modules ]; then
  for corpus in z80:z80 8080:asm; do
    node -e 'const { corpus } = require("./tests/semantic/corpus.js");
             for (const { line } of corpus(process.argv[1])) console.log(line);' "${corpus%%:*}" \
      > "$work/judge.one"
    repeat 1000000 "$work/judge.one" > "$work/judge.${corpus##*:}"
  done
fi
# The worst case for the memory of statements: no statement twice.
awk 'BEGIN { split("ld\ta,%d|ld\thl,%d|ld\t(ix+%d),a|jp\tnz,l%d|call\tl%d|add\ta,%d|cp\t%d|ld\ta,(l%d)|ld\t(l%d),hl|and\t%d|jr\tz,l%d|db\t%d,1|out\t(%d),a|ld\tde,l%d+1|sub\t%d", t, "|");
             for (i = 0; i < 1000000; i++) printf("\t" t[i % 15 + 1] "\n", i) }' > "$work/distinct.z80"
awk 'BEGIN { split("mvi\ta,%d|lxi\th,%d|jnz\tl%d|call\tl%d|adi\t%d|cpi\t%d|lda\tl%d|shld\tl%d|ani\t%d|db\t%d,1|out\t%d|lxi\td,l%d+1|jmp\tl%d|sui\t%d|mvi\tm,%d", t, "|");
             for (i = 0; i < 1000000; i++) printf("\t" t[i % 15 + 1] "\n", i) }' > "$work/distinct.asm"

TIMEFORMAT='%U %S %R'
best() {  # cpu|wall, command... -> best of three, in milliseconds
  local what=$1; shift
  local best=""
  for _ in 1 2 3; do
    local times
    times=$( { time "$@" > /dev/null 2>&1; } 2>&1 )
    local ms
    ms=$(awk -v t="$times" -v what="$what" 'BEGIN { split(t, f, " ");
           printf("%d", 1000 * (what == "cpu" ? f[1] + f[2] : f[3])) }')
    if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
  done
  echo "$best"
}

printf '%-10s %-12s %9s %8s %10s %12s %9s\n' corpus direction "M lines/s" "x copy" "mem on/off" "-j $jobs / -j 1" \
  "verify x"
report() {  # corpus, direction flag, file
  [ -f "$3" ] || return 0
  local on off copy one many verify
  on=$(best cpu "$asmconv" -j 1 "$2" "$3")
  verify=$(best cpu "$asmconv" -j 1 --verify "$2" "$3")
  off=$(ASMCONV_MEMORY=off best cpu "$asmconv" -j 1 "$2" "$3")
  copy=$(best cpu "$line_copy" "$3")
  one=$(best wall "$asmconv" -j 1 "$2" "$3")
  many=$(best wall "$asmconv" -j "$jobs" "$2" "$3")
  awk -v c="$1" -v d="${2#--}" -v on="$on" -v off="$off" -v copy="$copy" -v one="$one" -v many="$many" \
    -v verify="$verify" \
    'function nz(x) { return x > 0 ? x : 1 }
     BEGIN { printf("%-10s %-12s %9.2f %8.1f %10.2f %12.2f %9.2f\n", c, d, 1000 / nz(on),
                    on / nz(copy), on / nz(off), one / nz(many), verify / nz(on)) }'
}

for corpus in mixed judge distinct; do
  report "$corpus" --to-8080 "$work/$corpus.z80"
  report "$corpus" --to-z80 "$work/$corpus.asm"
done
if [ -x build/bench/window_bench ]; then
  QT_QPA_PLATFORM=offscreen build/bench/window_bench 2> /dev/null
fi
