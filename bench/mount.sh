#!/usr/bin/env bash
# qor mount against qor extract and the FUSE mounts people use for zip files
# (fuse-zip, and archivemount with a time limit), on the trees of the scale
# benchmark: for each N the time to mount, `find | wc -l`, `du -s` and
# `cp -r MOUNT/. DIR`, and the mount process's peak memory; then one 1 GB
# file read through the mount against `qor cat`.
#
#   bench/mount.sh [--sizes "60000 1000000"] [--limit SECONDS] [--out DIR]
#
# Needs the release build, the trees of bench/scale.sh (it makes them if
# missing) and cmake/install-deps.sh bench (fuse3, fuse-zip, archivemount).
# Each command runs once, with the archive in the page cache; copies go to
# the memory file system. Output is Markdown tables.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
sizes="60000 1000000"
limit=600
out=/dev/shm/qor-mount-out
source "$root/bench/common.sh"
options="sizes limit out"
usage='[--sizes "N..."] [--limit SECONDS] [--out DIR]'
parse_options "$@"
qor="$root/build/release/bin/qor"
work="$root/build/release/scale"
point="$work/mnt"
require_programs fuse-zip archivemount fusermount3 /usr/bin/time
# The trees and archives come from the scale benchmark's preparation.
for n in $sizes; do
  [ -f "$work/n$n/done" ] || bash "$root/bench/scale.sh" --sizes "$n" --runs 1 --big-mb 1 >/dev/null
done
[ -f "$work/big1024/done" ] || bash "$root/bench/scale.sh" --sizes "" --runs 1 >/dev/null
mkdir -p "$point"

unmount() { fusermount3 -u "$point" 2>/dev/null || fusermount -u "$point" 2>/dev/null || true; }
trap unmount EXIT

# Seconds a command takes, or "> LIMIT s" when it does not end in time.
seconds() {
  local start end
  start=$(date +%s.%N)
  if ! timeout "$limit" "$@" >/dev/null 2>&1; then echo "> $limit s"; return; fi
  end=$(date +%s.%N)
  python3 -c "print(f'{$end - $start:.2f} s')"
}

# The peak resident memory of the process serving the mount.
peak() { awk '/VmHWM/ { printf "%.0f MB", $2 / 1024 }' "/proc/$(pgrep -n -x "$1")/status" 2>/dev/null || echo "?"; }

# mount NAME COMMAND...: one row of the table for a mount program.
mount_row() {
  local name=$1 process=$2
  shift 2
  cat "${@: -2:1}" >/dev/null  # the archive, into the page cache
  local t_mount t_find t_du t_cp memory
  t_mount=$(seconds "$@")
  if [ "${t_mount:0:1}" = ">" ] || ! mountpoint -q "$point"; then
    unmount
    echo "| $n | $name | $t_mount | | | | |"
    return
  fi
  t_find=$(seconds sh -c "find '$point' | wc -l")
  t_du=$(seconds du -s "$point")
  rm -rf "$out" && mkdir -p "$out"
  t_cp=$(seconds cp -r "$point/." "$out")
  memory=$(peak "$process")
  unmount
  rm -rf "$out"
  echo "| $n | $name | $t_mount | $t_find | $t_du | $t_cp | $memory |"
}

echo "| entries | program | mount | \`find \| wc -l\` | \`du -s\` | \`cp -r\` (or extract) | peak memory |"
echo "|---:|---|---:|---:|---:|---:|---:|"
for n in $sizes; do
  dir="$work/n$n"
  mount_row "\`qor mount\`" qor "$qor" mount "$dir/a.arc" "$point"
  mount_row "fuse-zip" fuse-zip fuse-zip -r "$dir/a.zip" "$point"
  mount_row "archivemount" archivemount archivemount -o readonly "$dir/a.zip" "$point"
  rm -rf "$out" && mkdir -p "$out"
  echo "| $n | \`qor extract\` | | | | $(seconds "$qor" extract -C "$out" "$dir/a.arc") | |"
  rm -rf "$out"
done

echo
echo "| one 1,024 MB file | time |"
echo "|---|---:|"
big="$work/big1024/a.arc"
cat "$big" >/dev/null
"$qor" mount "$big" "$point"
echo "| \`cat\` through \`qor mount\`, first read | $(seconds cat "$point/big.txt") |"
echo "| \`cat\` through \`qor mount\`, again | $(seconds cat "$point/big.txt") |"
echo "| peak memory of the mount | $(peak qor) |"
unmount
echo "| \`qor cat\` | $(seconds "$qor" cat "$big" big.txt) |"
