#!/usr/bin/env bash
# Installs everything the build, the tests and the main job need on a fresh
# Debian bookworm machine. Run as root.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
dpkg --add-architecture i386
apt-get update -qq
apt-get install -y -qq --no-install-recommends \
  build-essential cmake ninja-build pkg-config git ca-certificates \
  googletest libgtest-dev libbenchmark-dev \
  clang libclang-rt-14-dev libfuzzer-14-dev \
  g++-mingw-w64-i686 binutils-mingw-w64-i686 wine wine32:i386 \
  ghostscript imagemagick netpbm python3 python3-pil hyperfine >/dev/null
