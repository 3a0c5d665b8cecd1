#!/usr/bin/env bash
# Builds the fuzz preset and runs each fuzzer for a bounded time (FUZZ_SECONDS,
# 60 by default), one after the other, seeded from fuzz/corpus and
# fuzz/crashers. New corpus entries go to a temporary folder, never into the
# repository. Any crash, leak, timeout or failed check fails the stage; the
# input that caused it is kept and its path printed.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}

fuzzers=(create_picture sample_scan)
if [ -f tools/bmp_reader.cpp ]; then fuzzers+=(bmp_reader); fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)" --target "${fuzzers[@]/%/_fuzzer}"

work=$(mktemp -d)
keep=0
trap '[ $keep = 1 ] || rm -rf "$work"' EXIT
for f in "${fuzzers[@]}"; do
  mkdir -p "$work/$f"
  seeds=(fuzz/corpus/$f)
  if [ -d fuzz/crashers/$f ]; then seeds+=(fuzz/crashers/$f); fi
  log="$work/$f.log"
  echo "--- $f: ${seconds}s"
  if ! build/fuzz/fuzz/${f}_fuzzer -max_total_time="$seconds" -max_len=4096 -timeout=10 \
      -print_final_stats=1 -artifact_prefix="$work/$f-" "$work/$f" "${seeds[@]}" >"$log" 2>&1; then
    tail -n 40 "$log"
    keep=1
    echo "$f failed; the input and the log are kept in $work" >&2
    exit 1
  fi
  grep -E '^#[0-9]+[[:space:]]+DONE' "$log" || tail -n 3 "$log"
done
