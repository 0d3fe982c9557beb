#!/usr/bin/env bash
# The first of the README's two commands: installs what the native release
# build needs (only what is missing), builds the library and the host program
# qor with the sample archive (packed from samples/ by qor itself), then lists
# the sample and tests every file in it, as a user would.
set -euo pipefail
cd "$(dirname "$0")/.."
bash cmake/install-deps.sh release
cmake --preset release >/dev/null
cmake --build --preset release
build/release/bin/qor ls -R -l build/release/sample.arc
build/release/bin/qor test build/release/sample.arc
