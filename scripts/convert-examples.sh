#!/usr/bin/env bash
# The main job: builds the native preset, converts every examples/*.bmp with
# eps-export into out/examples/*.eps, and renders each EPS with Ghostscript to
# a PNG preview out/examples/*.png, scaled up (SCALE device pixels per point,
# default 4) so that the small samples can be seen.
set -euo pipefail
cd "$(dirname "$0")/.."
scale="${SCALE:-4}"
jobs="$(nproc)"; if [ "$jobs" -gt 2 ]; then jobs=2; fi

cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs" --target eps-export

tool=build/native/eps-export
out=out/examples
mkdir -p "$out"
shopt -s nullglob
samples=(examples/*.bmp)
if [ "${#samples[@]}" -eq 0 ]; then
  echo "no examples/*.bmp to convert" >&2
  exit 1
fi

"$tool" -o "$out" "${samples[@]}"

for bmp in "${samples[@]}"; do
  name="$(basename "${bmp%.*}")"
  # No interpolation: each pixel becomes a scale x scale block.
  gs -q -dSAFER -dBATCH -dNOPAUSE -dEPSCrop -dNOINTERPOLATE -r$((72 * scale)) \
     -sDEVICE=png16m -sOutputFile="$out/$name.png" "$out/$name.eps"
  echo "$bmp -> $out/$name.eps -> $out/$name.png"
done
