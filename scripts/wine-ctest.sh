#!/usr/bin/env bash
# Runs the Windows tests (ctest's windows preset) against one Wine prefix
# kept warm for the whole run. Meant to run under `xvfb-run -a`, so the
# prefix's desktop lives on that display.
# Usage: wine-ctest.sh PREFIX_DIR [CTEST_ARGS...]
set -euo pipefail
here=$(dirname "$(readlink -f "$0")")
prefix=$(realpath -m "$1")
shift

"$here/wine-prefix.sh" "$prefix"
export WINEPREFIX="$prefix" WINEDEBUG=-all

# e: on another file system (memory), so that a move onto it is a copy and
# delete across volumes, as between two disks, and can be stopped part way.
# Made on every run: /dev/shm is emptied when the machine restarts.
shm=/dev/shm
if [[ -d $shm && -w $shm ]]; then
  second="$shm/ostrivane-e-$(printf '%s' "$prefix" | md5sum | cut -c1-12)"
  mkdir -p "$second"
  ln -sfn "$second" "$prefix/dosdevices/e:"
fi

stop_server() { wineserver -k >/dev/null 2>&1 || true; }
# A server left from an interrupted run would make `wineserver -p` fail.
stop_server
wineserver -w >/dev/null 2>&1 || true
trap stop_server EXIT
# A persistent server makes each test process start in milliseconds. Its
# output goes to a file so it holds no pipe of ctest's open. The same goes
# for the system processes (services, devices, desktop) that the first Wine
# program starts and that then live as long as the server: wineboot starts
# them here, away from ctest's pipes, or ctest would wait on them forever.
log="$prefix.log"
if ! wineserver -p >"$log" 2>&1 </dev/null; then
  echo "wineserver -p failed for $prefix:" >&2
  cat "$log" >&2
  exit 1
fi
"$here/wine-run.sh" "$prefix" wineboot >>"$log" 2>&1 </dev/null
# A test that crashes ends with its exception code instead of waiting on
# the crash dialog, which nobody answers under Xvfb.
"$here/wine-run.sh" "$prefix" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
  >>"$log" 2>&1 </dev/null

# A test that fails is run once more before it counts as failed: once in
# about a dozen runs a Windows test process has died under Wine with a page
# fault that no later run repeated. A fault of ours fails both times.
ctest --preset windows --repeat until-pass:2 "$@"
