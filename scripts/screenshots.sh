#!/usr/bin/env bash
# Takes a screenshot of every page of the window program and of its two
# dialogs, under Xvfb in a private Wine prefix, as PNG files. The test
# program ostrivane-tour.exe (built with the tests) walks the window there.
# Usage: scripts/screenshots.sh [OUT_DIR]   (default: screenshots/)
#        SHOT_TARGETS="Front MoveTrees" scripts/screenshots.sh   (only those)
#        SHOT_DPI=144 scripts/screenshots.sh   (the display at 144 DPI)
#        SHOT_SCHEME=contrast scripts/screenshots.sh   (a high-contrast scheme, white on black)
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
exe="$root/build/windows/ostrivane-tour.exe"
prefix="$root/build/windows/screenshot-prefix${SHOT_SCHEME:+-$SHOT_SCHEME}"
[[ -f $exe ]] || { echo "build the windows preset with its tests first: $exe is missing" >&2; exit 1; }
command -v import >/dev/null || { echo "imagemagick (import) is needed" >&2; exit 1; }

"$root/scripts/wine-prefix.sh" "$prefix"
export WINEPREFIX="$prefix" WINEDEBUG=-all
# The tour keeps its records and settings in a temporary folder of its own.
program="$prefix/drive_c/Ostrivane"
rm -rf "$program"
mkdir -p "$program" "$out"
cp "$exe" "$program/"
# Without a window manager under Xvfb, Wine draws the frames and captions itself.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d Y /f >/dev/null 2>&1
if [[ ${SHOT_SCHEME:-} == contrast ]]; then
  # Windows turns visual styles off in high contrast; Wine's theme would
  # otherwise paint list headers in its own light colours.
  wine reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager' /v DllName /f >/dev/null 2>&1 || true
  wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager' /v ThemeActive /d 0 /f >/dev/null 2>&1
  # The system colours of a high-contrast scheme, white on black.
  while read -r name rgb; do
    wine reg add 'HKCU\Control Panel\Colors' /v "$name" /d "$rgb" /f >/dev/null 2>&1
  done <<'COLOURS'
Window 0 0 0
WindowText 255 255 255
ButtonFace 0 0 0
ButtonText 255 255 255
Hilight 26 235 255
HilightText 0 0 0
GrayText 63 242 63
HotTrackingColor 255 255 0
Menu 0 0 0
MenuText 255 255 255
COLOURS
fi
dpi=${SHOT_DPI:-96}
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
wineserver -w
scale() { echo $(( ($1 * dpi + 48) / 96 )); }  # rounded, as MulDiv does

width=1024 height=768
targets=(Intro1 Intro2 Intro3 Front MoveTrees MoveConfirm MoveGiven SwitchDrives
         MapOnly Targets Drives Review Finished Report Cancelled Undo ProgressDialog UndoProgressDialog
         ConfirmChangeDialog)
# SHOT_TARGETS="Front MoveTrees" takes only those.
[[ -n ${SHOT_TARGETS:-} ]] && read -ra targets <<<"$SHOT_TARGETS"

# The Review and Report pages' window as the program sizes it: 960x600 at
# 96 DPI, less on a smaller screen (its room less 16, never under the other
# pages' 488x435), centred; sets w and h.
list_page_size() {
  local room_w=$(( (width * 96 + dpi / 2) / dpi - 16 )) room_h=$(( (height * 96 + dpi / 2) / dpi - 16 ))
  local lw=$(( room_w < 960 ? room_w : 960 )) lh=$(( room_h < 600 ? room_h : 600 ))
  w=$(scale $(( lw > 488 ? lw : 488 ))) h=$(scale $(( lh > 435 ? lh : 435 )))
}
# WxH+X+Y of the visible top-level X window with that name, or a failure.
window_geometry() {
  command -v xwininfo >/dev/null || return 1
  local id
  for id in $(xwininfo -root -tree 2>/dev/null | awk -v name="\"$1\":" '$2 == name { print $1 }'); do
    xwininfo -id "$id" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
      /^ *Width:/ { w = $NF } /^ *Height:/ { h = $NF } /Map State:/ { viewable = ($NF == "IsViewable") }
      END { if (w > 0 && viewable) print w "x" h "+" x "+" y; else exit 1 }' && return 0
  done
  return 1
}
title=Ostrivane

shoot() {
  local target=$1 geometry
  wine "C:\\Ostrivane\\ostrivane-tour.exe" "--screenshot-page=$target" >/dev/null 2>&1 &
  local pid=$!
  sleep "${SHOT_DELAY:-4}"
  case $target in
    ConfirmChangeDialog) w=$(scale 640) h=$(scale 360) ;;
    ProgressDialog | UndoProgressDialog) w=$(scale 420) h=$(scale 200) ;;
    Review | Report) list_page_size ;;  # the window grows for its list
    *) w=$(scale 488) h=$(scale 435) ;;  # with the strip under the button row
  esac
  geometry="${w}x${h}+$(( (width - w) / 2 ))+$(( (height - h) / 2 ))"
  # The window's own rectangle where X can tell it: the program sizes it (and
  # its sizing frame) itself.
  case $target in *Dialog) ;; *) geometry=$(window_geometry "$title" || echo "$geometry") ;; esac
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
