#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and running need.
# Does nothing (and asks no package server) when all of them are there.
set -euo pipefail

# Build tools and libraries: no recommended extras needed.
plain=(
  cmake ninja-build make g++
  zlib1g-dev libgtest-dev googletest libgmock-dev libbenchmark-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix libz-mingw-w64-dev
  xauth imagemagick fp-utils
  # Packaging: wixl builds the Windows Installer package, msitools' msiinfo
  # reads its product code for the winget manifest, osslsigncode signs
  # (Authenticode) and verifies, openssl makes the tests' throwaway
  # certificate, python3-yaml reads the manifests back in the package checks.
  wixl msitools osslsigncode openssl python3 python3-yaml
  # The fleet examples: ansible-playbook checks the playbook's syntax (the
  # package brings the ansible.windows collection its modules come from) and
  # ansible-lint its style.
  ansible ansible-lint
  # The fuzz preset: clang, and the compiler runtimes that hold libFuzzer and
  # the sanitizers (clang alone does not bring them).
  clang libclang-rt-dev
)
# Wine and the X server keep their recommendations: Wine's fonts and X
# libraries come that way, and windows render without them badly or not at all.
full=(wine wine64 xvfb)

missing() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -qx 'install ok installed' || echo "$p"
  done
}
mapfile -t need_plain < <(missing "${plain[@]}")
mapfile -t need_full < <(missing "${full[@]}")
if (( ${#need_plain[@]} + ${#need_full[@]} == 0 )); then
  exit 0
fi

if [[ $(id -u) -eq 0 ]]; then
  as_root=(env DEBIAN_FRONTEND=noninteractive)
else
  as_root=(sudo env DEBIAN_FRONTEND=noninteractive)
fi
echo "Installing: ${need_plain[*]} ${need_full[*]}" >&2
"${as_root[@]}" apt-get update -qq
if (( ${#need_plain[@]} )); then
  "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${need_plain[@]}"
fi
if (( ${#need_full[@]} )); then
  "${as_root[@]}" apt-get install -y -qq "${need_full[@]}"
fi
