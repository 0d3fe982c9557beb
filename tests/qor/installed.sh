#!/bin/sh
# The installed qor runs from any folder, under any prefix: install the
# build into a fresh prefix, then list and test the sample archive from the
# root folder with only the prefix's bin/ on the path.
#   installed.sh BUILD_DIR SAMPLE_ARCHIVE
set -eu
build=$1 sample=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
cd /
expected=$("$build/bin/qor" ls -R "$sample")
listed=$(env -i PATH="$prefix/bin" qor ls -R "$sample")
[ "$listed" = "$expected" ] || { echo "installed qor listed: $listed" >&2; exit 1; }
env -i PATH="$prefix/bin" qor test "$sample"
[ -f "$prefix/include/qor/qor.h" ] || { echo "the headers are not installed" >&2; exit 1; }
