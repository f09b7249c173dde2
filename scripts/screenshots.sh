#!/usr/bin/env bash
# Takes a screenshot of every page of the window program and of its two
# dialogs, under Xvfb in a private Wine prefix, as PNG files.
# Usage: scripts/screenshots.sh [OUT_DIR]   (default: screenshots/)
#        SHOT_TARGETS="Front MoveTrees" scripts/screenshots.sh   (only those)
#        SHOT_DPI=144 scripts/screenshots.sh   (the display at 144 DPI)
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
dpi=${SHOT_DPI:-96}
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
wineserver -w
scale() { echo $(( $1 * dpi / 96 )); }

width=1024 height=768
targets=(Intro1 Intro2 Intro3 Front MoveTrees MoveConfirm MoveGiven SwitchDrives
         MapOnly Targets Drives Review Finished Report Cancelled Undo ProgressDialog ConfirmChangeDialog)
# SHOT_TARGETS="Front MoveTrees" takes only those.
[[ -n ${SHOT_TARGETS:-} ]] && read -ra targets <<<"$SHOT_TARGETS"

shoot() {
  local target=$1 geometry
  wine "C:\\Ostrivane\\ostrivane.exe" "--screenshot-page=$target" >/dev/null 2>&1 &
  local pid=$!
  sleep "${SHOT_DELAY:-4}"
  case $target in
    ConfirmChangeDialog) w=$(scale 640) h=$(scale 360) ;;
    ProgressDialog) w=$(scale 420) h=$(scale 200) ;;
    *) w=$(scale 488) h=$(scale 435) ;;  # with the strip under the button row
  esac
  geometry="${w}x${h}+$(( (width - w) / 2 ))+$(( (height - h) / 2 ))"
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
