#!/usr/bin/env bash
# Prints how fast asmconv translates a 1 000 000-line source in each direction
# (whole process, single-threaded, best of three) and how long the window takes
# to convert and show a 200 000-line pane. Not a test: nothing fails.
# Usage: bench/speed.sh   (after scripts/build.sh default)
set -euo pipefail
cd "$(dirname "$0")/.."
asmconv=build/cli/asmconv
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A mixed source: realistic programs repeated to a million lines.
awk -v n=1000000 '{ line[NR] = $0 } END { for (i = 0; i < n; i++) print line[i % NR + 1] }' \
    tests/data/monitor.z80 tests/data/bios.z80 > "$work/mixed.z80"
awk -v n=1000000 '{ line[NR] = $0 } END { for (i = 0; i < n; i++) print line[i % NR + 1] }' \
    tests/data/copy.asm tests/data/ccp.asm > "$work/mixed.asm"
# The worst case for the engine's memory of statements: no statement twice.
awk 'BEGIN { split("ld\ta,%d|ld\thl,%d|ld\t(ix+%d),a|jp\tnz,l%d|call\tl%d|add\ta,%d|cp\t%d|ld\ta,(l%d)|ld\t(l%d),hl|and\t%d|jr\tz,l%d|db\t%d,1|out\t(%d),a|ld\tde,l%d+1|sub\t%d", t, "|");
             for (i = 0; i < 1000000; i++) printf("\t" t[i % 15 + 1] "\n", i) }' > "$work/distinct.z80"
awk 'BEGIN { split("mvi\ta,%d|lxi\th,%d|jnz\tl%d|call\tl%d|adi\t%d|cpi\t%d|lda\tl%d|shld\tl%d|ani\t%d|db\t%d,1|out\t%d|lxi\td,l%d+1|jmp\tl%d|sui\t%d|mvi\tm,%d", t, "|");
             for (i = 0; i < 1000000; i++) printf("\t" t[i % 15 + 1] "\n", i) }' > "$work/distinct.asm"

best_ms() {  # best of three wall-clock runs of "$@", in milliseconds
  local best=""
  for _ in 1 2 3; do
    local start end
    start=$(date +%s%N)
    "$@" > /dev/null
    end=$(date +%s%N)
    local ms=$(( (end - start) / 1000000 ))
    if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
  done
  echo "$best"
}

report() {  # name, direction, file
  local ms
  ms=$(best_ms "$asmconv" "$2" "$3")
  awk -v name="$1" -v ms="$ms" 'BEGIN { printf("%-36s %6d ms  %5.1f M lines/s\n", name, ms, 1000 / (ms > 0 ? ms : 1)) }'
}

report "Z80 -> 8080, mixed source" --to-8080 "$work/mixed.z80"
report "8080 -> Z80, mixed source" --to-z80 "$work/mixed.asm"
report "Z80 -> 8080, no statement twice" --to-8080 "$work/distinct.z80"
report "8080 -> Z80, no statement twice" --to-z80 "$work/distinct.asm"
if [ -x build/bench/window_bench ]; then
  QT_QPA_PLATFORM=offscreen build/bench/window_bench 2> /dev/null
fi
