#!/usr/bin/env bash
# Shows that eps-export.exe under Wine and eps-export on Linux write
# byte-identical files: converts every examples/*.bmp with both, in both
# source modes, and compares. Builds the native and win32 presets unless
# NATIVE_BUILD / WIN32_BUILD name existing build directories.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs="$(nproc)"; if [ "$jobs" -gt 2 ]; then jobs=2; fi

native="${NATIVE_BUILD:-}"
win32="${WIN32_BUILD:-}"
if [ -z "$native" ]; then
  cmake --preset native >/dev/null
  cmake --build --preset native -j "$jobs" --target eps-export
  native=build/native
fi
if [ -z "$win32" ]; then
  cmake --preset win32 >/dev/null
  cmake --build --preset win32 -j "$jobs" --target eps-export
  win32=build/win32
fi

work="$(mktemp -d)"
WINEPREFIX="$work/wineprefix"
export WINEPREFIX WINEDEBUG=-all WINEARCH=win32 WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
wineboot --init >/dev/null 2>&1
wineserver -w

cp examples/*.bmp "$work/"
mkdir "$work/linux" "$work/wine" "$work/linux-pointers" "$work/wine-pointers"
native_tool="$(cd "$native" && pwd)/eps-export"
wine_tool="$(cd "$win32" && pwd)/eps-export.exe"
(
  cd "$work"
  # Relative names: Wine maps them through its current directory.
  "$native_tool" -o linux ./*.bmp
  "$native_tool" --pointers -o linux-pointers ./*.bmp
  wine "$wine_tool" -o wine ./*.bmp
  wine "$wine_tool" --pointers -o wine-pointers ./*.bmp
)

status=0
for eps in "$work"/linux/*.eps; do
  name="$(basename "$eps")"
  same=1
  for other in wine linux-pointers wine-pointers; do
    if ! cmp -s "$eps" "$work/$other/$name"; then
      echo "DIFFERENT: $name (linux vs $other)"
      same=0
      status=1
    fi
  done
  [ "$same" -eq 0 ] || echo "identical: $name ($(wc -c <"$eps") bytes, linux = wine, both modes)"
done
exit "$status"
