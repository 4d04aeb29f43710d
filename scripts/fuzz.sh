#!/usr/bin/env bash
# Runs every libFuzzer target for a bounded time from its checked-in seeds.
# Usage: scripts/fuzz.sh [seconds per target [seed]]   (after: scripts/build.sh fuzz)
# Seed 0 (the default) draws a new one each run: that is how new faults are
# hunted. scripts/test gives a fixed seed, so that its run repeats what passed
# before (a slower machine runs a shorter stretch of the same inputs) and a
# landing is never refused for an old fault a random run happened upon.
# The translation targets get a dictionary of the rule literals.
# New inputs go to a scratch folder; the seed corpus is not changed. A failing
# input is left in build-fuzz/ under the name the fuzzer prints.
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
seed=${2:-0}
status=0
dicts=$(mktemp -d)
build-fuzz/tests/fuzz/make_dictionary z80 > "$dicts/fuzz_z80_to_8080.dict"
build-fuzz/tests/fuzz/make_dictionary 8080 > "$dicts/fuzz_8080_to_z80.dict"
for target in fuzz_z80_to_8080 fuzz_8080_to_z80 fuzz_stream fuzz_line_reader fuzz_tapegen; do
  scratch=$(mktemp -d)
  log="$scratch.log"
  dict=()
  [ -f "$dicts/$target.dict" ] && dict=("-dict=$dicts/$target.dict")
  (cd build-fuzz && "tests/fuzz/$target" "$scratch" "../tests/fuzz/corpus/$target" "${dict[@]}" \
      -max_total_time="$seconds" -seed="$seed" -max_len=4096 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1) > "$log" 2>&1
  code=$?
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)
  if [ $code -eq 0 ]; then
    echo "$target: ${seconds}s, $runs inputs, clean"
  else
    echo "$target: FAILED (exit $code)"
    grep -E -A2 'property failed|ERROR|SUMMARY|Test unit written' "$log" | head -30
    status=1
  fi
  rm -rf "$scratch" "$log"
done
rm -rf "$dicts"
exit $status
