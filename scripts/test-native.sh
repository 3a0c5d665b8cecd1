#!/usr/bin/env bash
# Builds the native preset and runs its suite.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset native >/dev/null
cmake --build --preset native -j "$(nproc)"
ctest --preset native -j "$(nproc)"
