#!/usr/bin/env bash
# Installs what is missing, builds both presets and the packages (signed
# with a throwaway certificate), and runs every test: the native unit tests
# (ASan + UBSan), then the Windows tests (the packages' among them) under
# Wine in the private prefix build/windows/wineprefix, then the checks of
# the packages' signatures and manifests, then each fuzz target for
# FUZZ_SECONDS (default 20) seconds. Exits non-zero if anything fails.
set -euo pipefail
root=$(cd "$(dirname "$(readlink -f "$0")")/.." && pwd)
cd "$root"

bash scripts/setup.sh

cmake --preset native >/dev/null
cmake --build --preset native
cmake --preset windows >/dev/null
cmake --build --preset windows
# The packages too: the Windows tests install the MSI and unpack the zip.
# They are signed as a release is, with a self-signed code-signing
# certificate made here for this run and removed at its end.
signing=$(mktemp -d)
trap 'rm -rf "$signing"' EXIT
sign_password=$(openssl rand -hex 16)
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Ostrivane test signing/O=Ostrivane developers" \
  -addext extendedKeyUsage=codeSigning -addext keyUsage=digitalSignature \
  -keyout "$signing/key.pem" -out "$signing/cert.pem" 2>/dev/null
pw=$sign_password openssl pkcs12 -export -inkey "$signing/key.pem" -in "$signing/cert.pem" \
  -out "$signing/test.pfx" -passout env:pw
OSTRIVANE_SIGN_PFX="$signing/test.pfx" OSTRIVANE_SIGN_PASSWORD=$sign_password \
  cmake --build --preset windows --target package

logs=build/test-logs
mkdir -p "$logs"
status=0

echo "=== native tests ==="
ctest --preset native 2>&1 | tee "$logs/native.log" || status=1

echo "=== Windows tests (Wine) ==="
# Window tests need an X display; console ones do not mind having one.
xvfb-run -a scripts/wine-ctest.sh build/windows/wineprefix 2>&1 | tee "$logs/windows.log" || status=1

echo "=== package checks (signatures, manifests) ==="
# Debian's interpreter: setup.sh gave it python3-yaml.
python=$(command -v /usr/bin/python3 || command -v python3)
"$python" scripts/check-packages.py build/windows "$signing/cert.pem" 2>&1 | tee "$logs/packages.log" || status=1

echo "=== fleet examples (playbook syntax and lint) ==="
{
  examples_pass=0 examples_fail=0
  for playbook in examples/ansible/*.yml; do
    if ansible-playbook -i localhost, --syntax-check "$playbook" >"$logs/playbook.out" 2>&1 &&
       ansible-lint --offline --nocolor "$playbook" >>"$logs/playbook.out" 2>&1; then
      echo "playbook $playbook: passed"; examples_pass=$((examples_pass + 1))
    else
      cat "$logs/playbook.out"; echo "playbook $playbook: FAILED"; examples_fail=$((examples_fail + 1))
    fi
  done
  echo "examples: $examples_pass passed, $examples_fail failed"
} 2>&1 | tee "$logs/examples.log"

echo "=== fuzz targets (${FUZZ_SECONDS:=20} s each) ==="
bash scripts/fuzz.sh "$FUZZ_SECONDS" 2>&1 | tee "$logs/fuzz.log" || status=1

# One line per suite and a closing total, from ctest's own summaries.
total_pass=0 total_fail=0 total_skip=0
for suite in native windows; do
  log="$logs/$suite.log"
  line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1 || true)
  if [[ -z $line ]]; then
    echo "$suite: no ctest summary (no tests ran?)"
    status=1
    continue
  fi
  failed=$(sed -E 's/.* ([0-9]+) tests? failed out of.*/\1/' <<<"$line")
  all=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
  # ctest counts a skipped case among the passed ones.
  skipped=$(grep -cE '^\s+[0-9]+ - .* \(Skipped\)$' "$log" || true)
  passed=$((all - failed - skipped))
  echo "$suite: $passed passed, $failed failed, $skipped skipped"
  total_pass=$((total_pass + passed))
  total_fail=$((total_fail + failed))
  total_skip=$((total_skip + skipped))
  (( failed == 0 )) || status=1
done
line=$(grep -E '^package checks: [0-9]+ passed, [0-9]+ failed$' "$logs/packages.log" || true)
if [[ -z $line ]]; then
  echo "packages: no summary (the checks did not run?)"
  status=1
else
  package_pass=$(sed -E 's/.*: ([0-9]+) passed.*/\1/' <<<"$line")
  package_fail=$(sed -E 's/.* ([0-9]+) failed$/\1/' <<<"$line")
  echo "packages: $package_pass passed, $package_fail failed, 0 skipped"
  total_pass=$((total_pass + package_pass))
  total_fail=$((total_fail + package_fail))
  (( package_fail == 0 )) || status=1
fi
line=$(grep -E '^examples: [0-9]+ passed, [0-9]+ failed$' "$logs/examples.log" || true)
examples_pass=$(sed -E 's/.*: ([0-9]+) passed.*/\1/' <<<"$line")
examples_fail=$(sed -E 's/.* ([0-9]+) failed$/\1/' <<<"$line")
if [[ -z $line || $examples_pass == 0 ]]; then
  echo "examples: no playbook was checked"
  examples_fail=$((${examples_fail:-0} + 1))
fi
echo "examples: ${examples_pass:-0} passed, $examples_fail failed, 0 skipped"
total_pass=$((total_pass + ${examples_pass:-0}))
total_fail=$((total_fail + examples_fail))
(( examples_fail == 0 )) || status=1
# A fuzz target passes when it ran its time without a finding.
grep -E '^fuzz_target ' "$logs/fuzz.log" || true
fuzz_pass=$(grep -cE '^fuzz_target [^ ]+: passed' "$logs/fuzz.log" || true)
fuzz_fail=$(grep -cE '^fuzz_target [^ ]+: FAILED' "$logs/fuzz.log" || true)
if ! grep -qE '^fuzz: [0-9]+ passed' "$logs/fuzz.log"; then
  echo "fuzz: no summary (the fuzz build failed?)"
  fuzz_fail=$((fuzz_fail + 1))
  status=1
fi
echo "fuzz: $fuzz_pass passed, $fuzz_fail failed, 0 skipped"
(( fuzz_fail == 0 )) || status=1
total_pass=$((total_pass + fuzz_pass))
total_fail=$((total_fail + fuzz_fail))
echo "total: $total_pass passed, $total_fail failed, $total_skip skipped"
exit "$status"
