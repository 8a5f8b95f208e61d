#!/usr/bin/env bash
# Runs every libFuzzer target in DIR (files named fuzz_*) for SECONDS each,
# starting from its seed corpus under fuzz/corpus/<target> when there is one.
set -euo pipefail
dir=$1
seconds=$2
root="$(cd "$(dirname "$0")/.." && pwd)"
shopt -s nullglob
targets=("$dir"/fuzz_*)
if [ ${#targets[@]} -eq 0 ]; then
  echo "no fuzz targets in $dir" >&2
  exit 1
fi
for t in "${targets[@]}"; do
  name=$(basename "$t")
  work=$(mktemp -d)
  seeds=()
  [ -d "$root/fuzz/corpus/$name" ] && seeds=("$root/fuzz/corpus/$name")
  echo "-- $name for ${seconds}s"
  "$t" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -max_len=1100000 \
       -print_final_stats=1 "$work" "${seeds[@]}"
  rm -rf "$work"
done
