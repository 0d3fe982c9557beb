#!/usr/bin/env bash
# Builds and runs every test: native with sanitizers (dev), native 32-bit x86
# under qemu-i386 (linux32), the Windows build under Wine (win64), the check
# of the shipped 32-bit QOR.DLL (win32) and a short run of each fuzz target
# (fuzz). Stops at the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."
for preset in dev linux32 win64 win32 fuzz; do
  echo "=== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
echo "=== all tests passed"
