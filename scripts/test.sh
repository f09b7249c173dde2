#!/usr/bin/env bash
# Installs what is missing, builds both presets and runs every test: the
# native unit tests (ASan + UBSan), then the Windows tests under Wine in the
# private prefix build/windows/wineprefix. Exits non-zero if anything fails.
set -euo pipefail
root=$(cd "$(dirname "$(readlink -f "$0")")/.." && pwd)
cd "$root"

bash scripts/setup.sh

cmake --preset native >/dev/null
cmake --build --preset native
cmake --preset windows >/dev/null
cmake --build --preset windows

logs=build/test-logs
mkdir -p "$logs"
status=0

echo "=== native tests ==="
ctest --preset native 2>&1 | tee "$logs/native.log" || status=1

echo "=== Windows tests (Wine) ==="
# Window tests need an X display; console ones do not mind having one.
xvfb-run -a scripts/wine-ctest.sh build/windows/wineprefix 2>&1 | tee "$logs/windows.log" || status=1

# One line per suite and a closing total, from ctest's own summaries.
total_pass=0 total_fail=0
for suite in native windows; do
  line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$logs/$suite.log" | tail -n 1 || true)
  if [[ -z $line ]]; then
    echo "$suite: no ctest summary (no tests ran?)"
    status=1
    continue
  fi
  failed=$(sed -E 's/.* ([0-9]+) tests? failed out of.*/\1/' <<<"$line")
  all=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
  passed=$((all - failed))
  echo "$suite: $passed passed, $failed failed"
  total_pass=$((total_pass + passed))
  total_fail=$((total_fail + failed))
  (( failed == 0 )) || status=1
done
echo "total: $total_pass passed, $total_fail failed"
exit "$status"
