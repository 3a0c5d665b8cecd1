#!/usr/bin/env bash
# The whole test run: installs what it needs (Debian, as root), then runs every
# suite. Each stage stops the run when it fails.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${SKIP_SETUP:-0}" != 1 ]; then bash scripts/setup-debian.sh; fi
for stage in test-native test-win32 test-sanitize test-fuzz; do
  if [ -f "scripts/$stage.sh" ]; then
    echo "=== $stage"
    bash "scripts/$stage.sh"
  fi
done
echo "=== all suites passed"
