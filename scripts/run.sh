#!/usr/bin/env bash
# Installs what is missing, builds the Windows programs and starts one under
# Wine: the window program (ostrivane.exe) when an X display is there,
# otherwise the console front end (its help unless arguments are given).
# Wine runs in the sandbox prefix build/windows/demo-prefix (no z: drive, no
# links to the host's home), with the programs and the help file installed in
# its C:\Ostrivane, so settings and undo records stay inside the sandbox.
# WINEPREFIX set: that prefix is used instead, with the programs where the
# build put them.
set -euo pipefail
root=$(cd "$(dirname "$(readlink -f "$0")")/.." && pwd)
cd "$root"

bash scripts/setup.sh

cmake --preset windows >/dev/null
cmake --build --preset windows --target ostrivane-cli ostrivane

program=ostrivane-cli.exe
args=("$@")
if [[ -n ${DISPLAY:-} ]]; then
  program=ostrivane.exe
else
  cat >&2 <<'MSG'
No X display (DISPLAY is not set), so the window program cannot open here.
Starting the console front end instead. To see the window, run this script
from a desktop session; to get pictures of every page without a display, run
  bash scripts/screenshots.sh
MSG
  (( ${#args[@]} )) || args=(--help)
fi

if [[ -n ${WINEPREFIX:-} ]]; then
  export WINEDEBUG=${WINEDEBUG:--all}
  exec wine "build/windows/$program" "${args[@]}"
fi

prefix=build/windows/demo-prefix
scripts/wine-prefix.sh "$prefix"
install_dir="$prefix/drive_c/Ostrivane"
mkdir -p "$install_dir"
cp build/windows/ostrivane.exe build/windows/ostrivane-cli.exe build/windows/Ostrivane.chm "$install_dir/"
exec scripts/wine-run.sh "$prefix" "C:\\Ostrivane\\$program" "${args[@]}"
