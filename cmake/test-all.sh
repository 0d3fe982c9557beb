#!/usr/bin/env bash
# The second of the README's two commands: installs what is missing, then
# builds every preset and runs every test: native with sanitizers (dev),
# native with ThreadSanitizer (tsan), native 32-bit x86 (linux32), the 64-bit Windows build under 64-bit Wine
# (win64), the shipped 32-bit QOR.DLL under 32-bit Wine (win32), a short run
# of each fuzz target (fuzz) and the release build with its benchmarks. Last
# it makes both Windows downloads and checks what they hold. Stops at the
# first failure.
set -euo pipefail
cd "$(dirname "$0")/.."
bash cmake/install-deps.sh
for preset in dev tsan linux32 win64 win32 fuzz release; do
  echo "=== $preset"
  start=$SECONDS
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  if [ "$preset" != release ]; then
    ctest --preset "$preset"
  fi
  echo "=== $preset: $((SECONDS - start)) s"
done
for preset in win32 win64; do
  echo "=== download of $preset"
  rm -rf build/"$preset"/package
  cpack --preset "$preset"
  python3 tools/checks/check_package.py build/"$preset"/package/QOR-*.zip build/"$preset"/bin
done
echo "=== all tests passed"
