#!/usr/bin/env bash
# Bulk operations at scale, side by side with the tools people compare us
# with: for trees of N small text files in 50 folders it packs an archive
# (`qor pack`), a zip and a tar of the same files, then times in one run
#   qor extract, qor test, unzip -q, tar -x
# and prints the time per entry. Last it extracts one 1 GB entry and reports
# the peak resident memory (/usr/bin/time -v) and the rate, beside the
# in-memory decoding rate of the same entry (decoder_bench --archive).
# Then, on a copy of a real tree (`cp -rL`, by default of /usr/include), it
# times packing with `qor pack`, `qor pack --best`, `zip -r` and `tar -cz`,
# and extracting and testing each result, with sizes and ratios.
#
#   bench/scale.sh [--sizes "10000 60000 1000000"] [--runs 3] [--big-mb 1024] [--tree DIR] [--work DIR] [--out DIR]
#
# Each program runs --runs times into an empty output folder, its input read
# once before (so that no run pays for a cold cache); the fastest run counts.
#
# Needs the release build (cmake --preset release && cmake --build --preset
# release) and zip, unzip, tar, python3 and GNU time (cmake/install-deps.sh
# bench). The trees are generated once under the work folder (default
# build/release/scale) and kept there for later runs. Every program extracts
# into the output folder, by default on the memory file system (/dev/shm),
# so that the figures are the programs' own work and not the disk's
# write-back of earlier runs. Output is Markdown tables.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
sizes="10000 60000 1000000"
big_mb=1024
runs=3
tree=/usr/include
work="$root/build/release/scale"
out="/dev/shm/qor-scale-out"
[ -d /dev/shm ] || out="$work/out"
source "$root/bench/common.sh"
options="sizes runs big_mb tree work out"
usage='[--sizes "N..."] [--runs R] [--big-mb MB] [--tree DIR] [--work DIR] [--out DIR]'
parse_options "$@"

bin="$root/build/release/bin"
qor="$bin/qor"
for tool in "$qor" "$bin/decoder_bench"; do
  [ -x "$tool" ] || { echo "$0: build the release preset first ($tool is missing)" >&2; exit 1; }
done
require_programs zip unzip tar python3 /usr/bin/time
mkdir -p "$work"

# Seconds, with milliseconds, that a command takes; its output is discarded.
# Earlier runs' writes are flushed first, so that no run pays for another's.
seconds() {
  local start end
  sync
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1 || { echo "$0: failed: $*" >&2; exit 1; }
  end=$(date +%s.%N)
  python3 -c "print(f'{$end - $start:.3f}')"
}

# N files of 200 to 2,000 bytes of text in 50 folders, the same for every run.
make_tree() {
  python3 - "$1" "$2" <<'EOF'
import os, random, sys
count, top = int(sys.argv[1]), sys.argv[2]
rng = random.Random(count)
words = "the archive folder stores every file with its name size and time as the catalogue says".split()
for f in range(50):
    os.makedirs(os.path.join(top, f"folder{f:02}"), exist_ok=True)
for i in range(count):
    text = " ".join(rng.choice(words) for _ in range(rng.randint(40, 400)))[: rng.randint(200, 2000)]
    with open(os.path.join(top, f"folder{i % 50:02}", f"file{i:07}.txt"), "w") as out:
        out.write(text + "\n")
EOF
}

prepare() {
  local n=$1 dir="$work/n$1"
  [ -f "$dir/done" ] && return
  rm -rf "$dir"
  mkdir -p "$dir/tree"
  make_tree "$n" "$dir/tree"
  "$qor" pack -C "$dir/tree" "$dir/a.arc" . >/dev/null
  (cd "$dir/tree" && zip -q -r -0 "$dir/a.zip" . && tar -cf "$dir/a.tar" .)
  touch "$dir/done"
}

fresh() { rm -rf "$1" && mkdir -p "$1"; }

# The fastest of $runs runs of a command reading INPUT (a file or a folder),
# each into an empty output folder with INPUT in the page cache:
# best INPUT COMMAND...
best() {
  local input=$1 fastest="" t
  shift
  for ((r = 0; r < runs; ++r)); do
    fresh "$out"
    if [ -d "$input" ]; then tar -cf - -C "$input" . >/dev/null; else cat "$input" >/dev/null; fi
    t=$(seconds "$@")
    fastest=$(python3 -c "print(f'{min($t, ${fastest:-$t}):.3f}')")
  done
  echo "$fastest"
}

echo "| entries | \`qor extract\` | \`qor test\` | \`unzip -q\` | \`tar -x\` | extract / unzip | extract per entry | test per entry |"
echo "|---:|---:|---:|---:|---:|---:|---:|---:|"
for n in $sizes; do
  prepare "$n"
  dir="$work/n$n"
  t_extract=$(best "$dir/a.arc" "$qor" extract -C "$out" "$dir/a.arc")
  [ "$(find "$out" -type f | wc -l)" -eq "$n" ] || { echo "$0: qor extract did not write $n files" >&2; exit 1; }
  # qor test decodes into scratch files of the temporary folder: there too
  # on the memory file system, as the others' output.
  t_test=$(best "$dir/a.arc" env TMPDIR="$out" "$qor" test "$dir/a.arc")
  t_unzip=$(best "$dir/a.zip" unzip -q "$dir/a.zip" -d "$out")
  t_tar=$(best "$dir/a.tar" tar -xf "$dir/a.tar" -C "$out")
  rm -rf "$out"
  python3 -c "
n, e, t, u, x = $n, $t_extract, $t_test, $t_unzip, $t_tar
print(f'| {n:,} | {e:.2f} s | {t:.2f} s | {u:.2f} s | {x:.2f} s | {e / u:.2f} | {e / n * 1e6:.1f} µs | {t / n * 1e6:.1f} µs |')"
done

# One file of a folder of 100,000: found by the folder tree's lookup, not by
# listing the folder.
wide="$work/wide"
if [ ! -f "$wide/done" ]; then
  rm -rf "$wide" && mkdir -p "$wide/tree/big"
  python3 -c '
import os, sys
for i in range(100000):
    with open(os.path.join(sys.argv[1], f"file{i:06}.txt"), "w") as out:
        out.write(f"file {i}\n")
' "$wide/tree/big"
  "$qor" pack -C "$wide/tree" "$wide/a.arc" big >/dev/null
  touch "$wide/done"
fi
t_cat=$(best "$wide/a.arc" "$qor" cat "$wide/a.arc" big/file050000.txt)
t_one=$(best "$wide/a.arc" "$qor" extract -C "$out" "$wide/a.arc" big/file050000.txt)
t_ls=$(best "$wide/a.arc" "$qor" ls "$wide/a.arc" big)
rm -rf "$out"
echo
echo "| one file of a folder of 100,000 | time |"
echo "|---|---:|"
python3 -c "print(f'| \`qor cat\` | {$t_cat * 1000:.0f} ms |')"
python3 -c "print(f'| \`qor extract ARCHIVE INNER\` | {$t_one * 1000:.0f} ms |')"
python3 -c "print(f'| \`qor ls\` of that folder, for scale | {$t_ls * 1000:.0f} ms |')"

# One large entry: text made of the tree generator's words, compressible as
# prose is.
big="$work/big$big_mb"
if [ ! -f "$big/done" ]; then
  rm -rf "$big" && mkdir -p "$big/tree"
  python3 - "$big_mb" "$big/tree/big.txt" <<'EOF'
import random, sys
mb, path = int(sys.argv[1]), sys.argv[2]
rng = random.Random(1)
words = "the archive folder stores every file with its name size and time as the catalogue says".split()
block = " ".join(rng.choice(words) for _ in range(200000)).encode()
with open(path, "wb") as out:
    left = mb << 20
    while left > 0:
        piece = block[: min(left, len(block))]
        out.write(piece)
        left -= len(piece)
EOF
  "$qor" pack -C "$big/tree" "$big/a.arc" big.txt >/dev/null
  touch "$big/done"
fi
rm -f "$work"/time*.txt
cat "$big/a.arc" >/dev/null
for ((r = 0; r < runs; ++r)); do
  fresh "$out"
  sync
  /usr/bin/time -v "$qor" extract -C "$out" "$big/a.arc" 2>"$work/time$r.txt" >/dev/null
done
cmp -s "$out/big.txt" "$big/tree/big.txt" || { echo "$0: the large entry did not come out as it went in" >&2; exit 1; }
rm -rf "$out"
python3 - "$big_mb" "$("$bin/decoder_bench" --archive "$big/a.arc")" "$work"/time*.txt <<'EOF'
import re, sys
mb, decode = int(sys.argv[1]), float(sys.argv[2])
seconds, rss_kb = None, 0
for name in sys.argv[3:]:  # the fastest run's time, the largest peak of all
    text = open(name).read()
    rss_kb = max(rss_kb, int(re.search(r"Maximum resident set size \(kbytes\): (\d+)", text).group(1)))
    wall = re.search(r"Elapsed \(wall clock\) time \(h:mm:ss or m:ss\): (?:(\d+):)?(\d+):([\d.]+)", text)
    run = int(wall.group(1) or 0) * 3600 + int(wall.group(2)) * 60 + float(wall.group(3))
    seconds = run if seconds is None else min(seconds, run)
rate = mb / 1024 / seconds
print()
print(f"| one {mb:,} MB entry | peak resident memory | time | rate | in-memory decoding rate | ratio |")
print("|---|---:|---:|---:|---:|---:|")
print(f"| `qor extract` | {rss_kb / 1024:.1f} MB | {seconds:.2f} s | {rate:.2f} GB/s | {decode:.2f} GB/s | {rate / decode:.2f} |")
EOF

# A real tree, copied with its links resolved: packed, extracted and tested
# by qor and by the tools people know, each from the same copy.
headers="$work/headers"
if [ ! -f "$headers/done" ]; then
  rm -rf "$headers" && mkdir -p "$headers"
  cp -rL "$tree" "$headers/tree" 2>/dev/null || true  # a dangling link is left out, as by the others
  touch "$headers/done"
fi
src="$headers/tree"
src_bytes=$(du -sb --apparent-size "$src" | cut -f1)
src_files=$(find "$src" -type f | wc -l)
declare -A packed=([qor]=a.arc [qor_best]=b.arc [zip]=a.zip [tar]=a.tgz)
t_pack_qor=$(best "$src" "$qor" pack -C "$src" "$out/a.arc" .) && cp "$out/a.arc" "$headers/"
t_pack_qor_best=$(best "$src" "$qor" pack --best -C "$src" "$out/b.arc" .) && cp "$out/b.arc" "$headers/"
t_pack_zip=$(best "$src" env -C "$src" zip -q -r "$out/a.zip" .) && cp "$out/a.zip" "$headers/"
t_pack_tar=$(best "$src" tar -czf "$out/a.tgz" -C "$src" .) && cp "$out/a.tgz" "$headers/"
t_extract_qor=$(best "$headers/a.arc" "$qor" extract -C "$out" "$headers/a.arc")
diff -r "$src" "$out" >/dev/null || { echo "$0: qor extract of $tree differs from the tree" >&2; exit 1; }
t_extract_qor_best=$(best "$headers/b.arc" "$qor" extract -C "$out" "$headers/b.arc")
t_extract_zip=$(best "$headers/a.zip" unzip -q "$headers/a.zip" -d "$out")
t_extract_tar=$(best "$headers/a.tgz" tar -xzf "$headers/a.tgz" -C "$out")
t_test_qor=$(best "$headers/a.arc" env TMPDIR="$out" "$qor" test "$headers/a.arc")
t_test_qor_best=$(best "$headers/b.arc" env TMPDIR="$out" "$qor" test "$headers/b.arc")
t_test_zip=$(best "$headers/a.zip" unzip -tq "$headers/a.zip")
t_test_tar=$(best "$headers/a.tgz" tar -xOzf "$headers/a.tgz")
rm -rf "$out"
echo
echo "| $tree: $src_files files, $((src_bytes >> 20)) MB | pack | size | ratio | extract | test |"
echo "|---|---:|---:|---:|---:|---:|"
for row in "qor:\`qor pack\`, \`extract\`, \`test\`" "qor_best:\`qor pack --best\`, same" \
           "zip:\`zip -r\`, \`unzip -q\`, \`unzip -tq\`" "tar:\`tar -cz\`, \`tar -xz\`, \`tar -xOz\`"; do
  key=${row%%:*}
  pack_t=t_pack_$key extract_t=t_extract_$key test_t=t_test_$key
  size=$(stat -c %s "$headers/${packed[$key]}")
  python3 -c "
size, whole = $size, $src_bytes
print(f'| ${row#*:} | {${!pack_t}:.2f} s | {size / 2**20:.1f} MB | {size / whole:.3f} | {${!extract_t}:.2f} s | {${!test_t}:.2f} s |')"
done
