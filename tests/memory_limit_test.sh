#!/bin/sh
# Exports under a 64 MiB address space. For each depth a square bitmap about
# 10% below the largest that fits must export to a file of the exact size, and
# one about 10% above must return ResultOutOfMemory (111) without a file and
# without crashing. (On this kind of machine the largest squares that fit
# were measured as 5333, 4921, 4497, 2940 and 2596 pixels wide.)
#   memory_limit_test.sh PATH/TO/memory_limit_host
set -u
host=$1
limit_kib=65536
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
failures=0
passes=0

# The file's size: header (grey 444 or colour 486 bytes plus three times the
# digits of the width and height), the hex samples with one LF per 72
# characters, and the 39-byte trailer.
expected_size() {  # chars-per-pixel side
  chars=$1 side=$2
  digits=$(( ${#side} * 2 ))
  if [ "$chars" = 2 ]; then header=$((444 + 3 * digits)); else header=$((486 + 3 * digits)); fi
  text=$((side * side * chars))
  echo $((header + text + text / 72 + 39))
}

run() {  # depth side
  out="$folder/out.eps"
  rm -f "$out"
  result=$( (ulimit -v $limit_kib && exec "$host" "$1" "$2" "$2" "$out") )
  status=$?
  if [ $status -ne 0 ]; then result="exit status $status"; fi
}

check() {  # name depth chars fitting-side too-large-side
  name=$1 depth=$2 chars=$3 fits=$4 large=$5
  run "$depth" "$fits"
  size=$(stat -c %s "$out" 2>/dev/null || echo none)
  want=$(expected_size "$chars" "$fits")
  if [ "$result" = 0 ] && [ "$size" = "$want" ]; then
    echo "ok: $name ${fits}x$fits exports ($size bytes)"
    passes=$((passes + 1))
  else
    echo "FAIL: $name ${fits}x$fits gave $result, file size $size, expected 0 and $want"
    failures=$((failures + 1))
  fi
  run "$depth" "$large"
  if [ "$result" = 111 ] && [ ! -e "$out" ]; then
    echo "ok: $name ${large}x$large is out of memory, no file"
    passes=$((passes + 1))
  else
    left=no
    if [ -e "$out" ]; then left=yes; fi
    echo "FAIL: $name ${large}x$large gave $result (file left: $left), expected 111 and no file"
    failures=$((failures + 1))
  fi
}

check "1-bit grey" 1 2 4800 5900
check "4-bit grey" 4 2 4450 5400
check "8-bit grey" 8 2 4050 4950
check "8-bit colour" 8c 6 2650 3250
check "24-bit" 24 6 2350 2850

echo "$passes passed, $failures failed"
[ $failures -eq 0 ]
