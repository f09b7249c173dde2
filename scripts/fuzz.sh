#!/usr/bin/env bash
# Builds the fuzz preset and runs every libFuzzer target for a bounded time:
#   scripts/fuzz.sh [SECONDS_PER_TARGET]   (default 30)
# Each target starts from its seeds in fuzz/corpus/<target>/ and keeps what it
# finds in build/fuzz/corpus/<target>/ for the next run. A crash, a failed
# property, a leak, a sanitizer report or an input that runs longer than
# FUZZ_INPUT_TIMEOUT seconds (default 10) fails the target; the input is kept
# in build/fuzz/findings/. Prints one line per target and a total; exits
# non-zero when any target failed.
set -euo pipefail
root=$(cd "$(dirname "$(readlink -f "$0")")/.." && pwd)
cd "$root"

seconds=${1:-30}
input_timeout=${FUZZ_INPUT_TIMEOUT:-10}
if ! [[ $seconds =~ ^[0-9]+$ ]] || (( seconds == 0 )); then
  echo "usage: $0 [SECONDS_PER_TARGET]" >&2
  exit 2
fi

bash scripts/setup.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

build=build/fuzz
mkdir -p "$build/findings" "$build/logs"
mapfile -t targets < "$build/fuzz-targets.txt"
if (( ${#targets[@]} == 0 )); then
  echo "fuzz: no targets built"
  exit 1
fi

passed=0 failed=0
for t in "${targets[@]}"; do
  work="$build/corpus/$t"
  log="$build/logs/$t.log"
  mkdir -p "$work"
  rm -f "$build/findings/$t"-*
  # Leaks are looked for after every input; an input over the per-input
  # limit counts as a hang. The outer limit catches a fuzzer that never
  # stops by itself.
  rc=0
  ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1} \
    timeout --kill-after=10 $((seconds * 2 + 120)) \
    "$build/fuzz_$t" -max_total_time="$seconds" -timeout="$input_timeout" -detect_leaks=1 \
      -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$build/findings/$t-" \
      "$work" "fuzz/corpus/$t" >"$log" 2>&1 || rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
  units=$(find "$work" -type f | wc -l)
  finding=$(find "$build/findings" -name "$t-*" -type f | head -n 1)
  if (( rc == 0 )) && [[ -z $finding ]]; then
    echo "fuzz_target $t: passed, ${runs:-?} inputs in ${seconds} s (${speed:-?}/s), corpus $units"
    passed=$((passed + 1))
  else
    kind=$(grep -m1 -oE 'ERROR: (libFuzzer|AddressSanitizer|LeakSanitizer): [^ ]+( [^ ]+)?|runtime error: .*|property failed: .*' "$log" || true)
    echo "fuzz_target $t: FAILED (exit $rc) ${kind:-see $log}; input: ${finding:-none}; log: $log"
    failed=$((failed + 1))
  fi
done
echo "fuzz: $passed passed, $failed failed"
(( failed == 0 ))
