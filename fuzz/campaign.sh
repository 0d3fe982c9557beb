#!/usr/bin/env bash
# Runs fuzz targets for a while each, at the lowest priority, and keeps what
# they found: the corpus under fuzz/corpus/TARGET is replaced by a minimised
# merge of itself and the new inputs, and one line per run is appended to
# fuzz/campaign.tsv (CPU seconds the fuzzer used, executions, corpus units and
# bytes, coverage, features, findings), so that hours spread over many
# sessions add up. At the lowest priority a run may get less CPU than its
# wall time; the CPU seconds are what counts.
#
#   fuzz/campaign.sh [--build DIR] TARGET=SECONDS...
#
# Needs the fuzz preset built: cmake --preset fuzz && cmake --build --preset fuzz
# A crash, leak or time-out stops the target's run; its input is left in
# build/fuzz/campaign/TARGET/findings and counted in the log.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/fuzz
if [[ ${1-} == --build ]]; then build=$2; shift 2; fi
[[ $# -gt 0 ]] || { sed -n '2,13p' "$0"; exit 2; }

log=fuzz/campaign.tsv
[[ -f $log ]] || printf 'date\ttarget\tcpu_seconds\texecutions\tunits\tbytes\tcoverage\tfeatures\tfindings\n' >"$log"

# The archive seeds written at build time start every target that reads archives.
seeds_for() {
  case $1 in
    archive_fuzz|data_object_fuzz|display_name_fuzz) echo "$build/fuzz/archive_seeds" ;;
  esac
}

run_target() {
  local target=$1 seconds=$2
  local binary=$build/bin/$target corpus=fuzz/corpus/$target
  local work=$build/campaign/$target
  [[ -x $binary ]] || { echo "$binary is not built" >&2; return 1; }
  mkdir -p "$corpus" "$work/findings"
  rm -rf "$work/new" "$work/merged"
  mkdir -p "$work/new" "$work/merged"

  echo "== $target for ${seconds} s"
  local status=0 TIMEFORMAT='%3U %3S'
  { time nice -n 19 "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -max_len=65536 \
    -print_final_stats=1 -artifact_prefix="$work/findings/" \
    "$work/new" "$corpus" $(seeds_for "$target") >"$work/run.log" 2>&1; } 2>"$work/cpu" || status=$?
  local cpu
  cpu=$(awk '{ printf "%.0f", $1 + $2 }' "$work/cpu")

  local executions coverage features
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/run.log" | tail -1)
  coverage=$(grep -o 'cov: [0-9]*' "$work/run.log" | tail -1 | cut -d' ' -f2)
  features=$(grep -o 'ft: [0-9]*' "$work/run.log" | tail -1 | cut -d' ' -f2)

  nice -n 19 "$binary" -merge=1 -timeout=10 -rss_limit_mb=4096 -max_len=65536 \
    "$work/merged" "$corpus" "$work/new" $(seeds_for "$target") >"$work/merge.log" 2>&1
  rm -rf "$corpus" && mv "$work/merged" "$corpus"

  local units bytes findings
  units=$(find "$corpus" -type f | wc -l)
  bytes=$(du -sb "$corpus" | cut -f1)
  findings=$(find "$work/findings" -type f | wc -l)
  printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$(date -u +%F)" "$target" "$cpu" \
    "${executions:-0}" "$units" "$bytes" "${coverage:-0}" "${features:-0}" "$findings" >>"$log"
  tail -1 "$log"
  if [[ $status -ne 0 ]]; then
    echo "$target stopped with status $status; see $work/run.log and $work/findings" >&2
    return 1
  fi
}

failed=0
for run in "$@"; do
  run_target "${run%%=*}" "${run#*=}" || failed=1
done
exit $failed
