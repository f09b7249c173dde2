#!/usr/bin/env bash
# Takes a screenshot of every page of the window program and of its two
# dialogs, under Xvfb in a private Wine prefix, as PNG files.
# Usage: scripts/screenshots.sh [OUT_DIR]   (default: screenshots/)
#        SHOT_TARGETS="Front MoveTrees" scripts/screenshots.sh   (only those)
#        scripts/screenshots.sh --readme   (only the front page, optimised into
#                                           docs/screenshot-front.png for the README)
# Needs the windows build (cmake --preset windows && cmake --build --preset windows),
# xvfb and imagemagick.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
if [[ ${1:-} == --readme ]]; then
  shots=$(mktemp -d)
  SHOT_TARGETS=Front "$0" "$shots"
  # A 64-colour palette keeps the flat window sharp at a fraction of the size.
  convert "$shots/Front.png" -strip -colors 64 -define png:compression-level=9 "PNG8:$root/docs/screenshot-front.png"
  rm -rf "$shots"
  echo "$root/docs/screenshot-front.png"
  exit 0
fi
out=$(realpath -m "${1:-$root/screenshots}")
exe="$root/build/windows/ostrivane.exe"
prefix="$root/build/windows/screenshot-prefix"
[[ -f $exe ]] || { echo "build the windows preset first: $exe is missing" >&2; exit 1; }
command -v import >/dev/null || { echo "imagemagick (import) is needed" >&2; exit 1; }

"$root/scripts/wine-prefix.sh" "$prefix"
export WINEPREFIX="$prefix" WINEDEBUG=-all
# The program folder holds the settings file: start from a clean one.
program="$prefix/drive_c/Ostrivane"
rm -rf "$program"
mkdir -p "$program" "$out"
cp "$exe" "$program/"
# Without a window manager under Xvfb, Wine draws the frames and captions itself.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d Y /f >/dev/null 2>&1
wineserver -w

width=1024 height=768
targets=(Intro1 Intro2 Intro3 Front MoveTrees MoveConfirm MoveGiven SwitchDrives
         MapOnly Targets Drives Finished Cancelled Undo ProgressDialog ConfirmChangeDialog)
# SHOT_TARGETS="Front MoveTrees" takes only those.
[[ -n ${SHOT_TARGETS:-} ]] && read -ra targets <<<"$SHOT_TARGETS"

shoot() {
  local target=$1 geometry
  wine "C:\\Ostrivane\\ostrivane.exe" "--screenshot-page=$target" >/dev/null 2>&1 &
  local pid=$!
  sleep "${SHOT_DELAY:-4}"
  case $target in
    ConfirmChangeDialog) geometry="640x300+$(( (width - 640) / 2 ))+$(( (height - 300) / 2 ))" ;;
    ProgressDialog) geometry="420x200+$(( (width - 420) / 2 ))+$(( (height - 200) / 2 ))" ;;
    *) geometry="488x403+$(( (width - 488) / 2 ))+$(( (height - 403) / 2 ))" ;;
  esac
  import -window root -crop "$geometry" +repage "$out/$target.png"
  kill "$pid" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  echo "$out/$target.png"
}

if [[ -z ${OSTRIVANE_IN_XVFB:-} ]]; then
  exec env OSTRIVANE_IN_XVFB=1 xvfb-run -a -s "-screen 0 ${width}x${height}x24" "$0" "$@"
fi
for t in "${targets[@]}"; do shoot "$t"; done
