#!/usr/bin/env bash
# Cross-builds the win32 preset (the 32-bit plug-in DLL and the whole test
# suite) and runs its tests under Wine, in a Wine prefix of its own that is
# removed afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."

WINEPREFIX="$(mktemp -d)"
BOOT_LOG="$(mktemp)"
export WINEPREFIX WINEDEBUG=-all WINEARCH=win32
# No offer to install Mono or Gecko while the prefix is made.
export WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX" "$BOOT_LOG"
}
trap cleanup EXIT

if ! wineboot --init >"$BOOT_LOG" 2>&1; then
  cat "$BOOT_LOG" >&2
  echo "test-win32: could not create a 32-bit Wine prefix (are wine and wine32 installed?)" >&2
  exit 1
fi
wineserver -w

cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$(nproc)"

# Keep one server and Wine's background services running for the whole test
# run. Started here, with their output away from any pipe: otherwise the first
# test program would start them, they would inherit its output pipe, and CTest
# would wait on that pipe until its timeout.
wineserver -p
wine cmd /c exit >/dev/null 2>&1
ctest --preset win32
