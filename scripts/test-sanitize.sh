#!/usr/bin/env bash
# Builds the sanitize preset (clang, AddressSanitizer + UndefinedBehaviorSanitizer,
# LeakSanitizer included) and runs the whole native suite under it: any
# out-of-bounds read, leak or undefined behaviour fails the test it happens in.
set -euo pipefail
cd "$(dirname "$0")/.."
export ASAN_OPTIONS="detect_leaks=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize -j "$(nproc)"
ctest --preset sanitize -j "$(nproc)"
