#!/usr/bin/env bash
# Installs what is missing, builds the Windows programs and starts one under
# Wine: the wizard (ostrivane.exe) when it is built and a display is there,
# otherwise the console front end (its help unless arguments are given).
# Wine runs in the sandbox prefix build/windows/demo-prefix (no z: drive, no
# links to the host's home) unless WINEPREFIX names another one.
set -euo pipefail
root=$(cd "$(dirname "$(readlink -f "$0")")/.." && pwd)
cd "$root"

bash scripts/setup.sh

targets=(ostrivane-cli)
[[ -f src/app/win32/main.cpp ]] && targets+=(ostrivane)
cmake --preset windows >/dev/null
cmake --build --preset windows --target "${targets[@]}"

exe=build/windows/ostrivane-cli.exe
args=("$@")
if [[ -f build/windows/ostrivane.exe && -n ${DISPLAY:-} ]]; then
  exe=build/windows/ostrivane.exe
elif (( ${#args[@]} == 0 )); then
  args=(--help)
fi

if [[ -n ${WINEPREFIX:-} ]]; then
  export WINEDEBUG=${WINEDEBUG:--all}
  exec wine "$exe" "${args[@]}"
fi
exec scripts/wine-run.sh build/windows/demo-prefix "$exe" "${args[@]}"
