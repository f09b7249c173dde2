#!/usr/bin/env bash
# Prepares a private Wine prefix that cannot reach the host's files:
#   - no z: drive (a new prefix maps z: to the host's root);
#   - every symlink inside drive_c (the profile folders Wine links to the
#     host's home) becomes a plain empty folder, so a walk of C: stays in C:;
#   - d: maps to a plain folder inside the prefix, for moves across drives.
# Idempotent: a stamp file makes a second call return at once.
# Usage: wine-prefix.sh PREFIX_DIR
set -euo pipefail

if [[ $# -ne 1 ]]; then
  echo "usage: $0 PREFIX_DIR" >&2
  exit 2
fi
prefix=$(realpath -m "$1")
stamp="$prefix/.ostrivane-prepared"
[[ -f $stamp ]] && exit 0

# ctest may start two emulator runs at once on a fresh build folder.
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
[[ -f $stamp ]] && exit 0

export WINEPREFIX="$prefix" WINEDEBUG=-all
unset DISPLAY
echo "Preparing Wine prefix $prefix ..." >&2
wineboot -i >/dev/null 2>&1
# Let the server write the registry and exit before the folders change.
wineserver -w

rm -f "$prefix/dosdevices/z:"
while IFS= read -r -d '' link; do
  rm -f "$link"
  mkdir -p "$link"
done < <(find "$prefix/drive_c" -type l -print0)

mkdir -p "$prefix/drive_d"
ln -sfn ../drive_d "$prefix/dosdevices/d:"

touch "$stamp"
echo "Wine prefix ready: $prefix" >&2
