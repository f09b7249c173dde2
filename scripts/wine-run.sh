#!/usr/bin/env bash
# Runs a Windows program under Wine in a private prefix, preparing the prefix
# first if needed (see wine-prefix.sh). ctest uses it as the cross-compiling
# emulator, so every Windows test runs in the sandbox, never in ~/.wine.
# Usage: wine-run.sh PREFIX_DIR PROGRAM.exe [ARGS...]
# The program starts with C:\ as its working folder: the build folder lies on
# no drive of the prefix.
set -euo pipefail

if [[ $# -lt 2 ]]; then
  echo "usage: $0 PREFIX_DIR PROGRAM.exe [ARGS...]" >&2
  exit 2
fi
prefix=$(realpath -m "$1")
shift
here=$(dirname "$(readlink -f "$0")")
"$here/wine-prefix.sh" "$prefix"

export WINEPREFIX="$prefix" WINEDEBUG=-all
if [[ -f $1 ]]; then
  set -- "$(realpath "$1")" "${@:2}"
fi
cd "$prefix/drive_c"
exec wine "$@"
