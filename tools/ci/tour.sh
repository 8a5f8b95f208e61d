#!/usr/bin/env bash
# CI step: the main job as README's first command runs it. qxsim plays its
# bundled tour with pictures in a fresh folder; the run must exit 0 and leave
# a transcript, a log and the pictures behind, with a chart and a CSV file of
# each motion. Then headless Chromium opens the pictures' index.html and
# every picture and chart on it must load.
set -euo pipefail
cd "$(dirname "$0")/../.."

root=$(pwd)
tour_dir=$(mktemp -d)
trap 'rm -rf "$tour_dir"' EXIT

# The qxsim invocation of README's first command.
(cd "$tour_dir" && timeout 300 "$root/build/default/bin/qxsim" --render qxsim-pictures)
test -s "$tour_dir/qxsim-transcript.jsonl"
test -s "$tour_dir/qxsim-profile/QuorvexDevice/autocad_addin_log.txt"
test -s "$tour_dir/qxsim-pictures/index.html"
pictures=$(ls "$tour_dir"/qxsim-pictures/view-*.svg | wc -l)
listed=$(grep -c '<img src="view-' "$tour_dir/qxsim-pictures/index.html")
charts=$(ls "$tour_dir"/qxsim-pictures/motion-*.svg | wc -l)
rows=$(ls "$tour_dir"/qxsim-pictures/motion-*.csv | wc -l)
charted=$(grep -c '<img class="chart"' "$tour_dir/qxsim-pictures/index.html")
echo "tour: $(wc -l < "$tour_dir/qxsim-transcript.jsonl") transcript lines, $pictures pictures, $charts charts"
if [ "$pictures" -lt 10 ] || [ "$pictures" -ne "$listed" ]; then
  echo "tour: expected at least 10 pictures, all listed in index.html; found $pictures, $listed listed" >&2
  exit 1
fi
if [ "$charts" -lt 10 ] || [ "$charts" -ne "$charted" ] || [ "$charts" -ne "$rows" ]; then
  echo "tour: expected a chart and a CSV file of each motion, each chart listed in index.html;" \
    "found $charts charts, $rows CSV files, $charted listed" >&2
  exit 1
fi
images=$((pictures + charts))

# Headless Chromium: the page's own script marks each picture loaded or
# failed and sums them up on <body data-pictures="...">.
if ! command -v chromium > /dev/null; then
  export DEBIAN_FRONTEND=noninteractive
  timeout 600 apt-get update
  timeout 900 apt-get install -y --no-install-recommends chromium
fi
profile_dir=$(mktemp -d)
chromium_flags=(--headless --no-sandbox --disable-gpu --disable-quic --no-first-run
  --disable-background-networking --disable-component-update --disable-sync
  --disable-dev-shm-usage --user-data-dir="$profile_dir" --virtual-time-budget=10000)
page="file://$tour_dir/qxsim-pictures/index.html"
timeout 120 chromium "${chromium_flags[@]}" --dump-dom "$page" \
  > "$tour_dir/dom.html" 2> "$tour_dir/chromium.log" || {
  cat "$tour_dir/chromium.log" >&2
  exit 1
}
summary=$(grep -o 'data-pictures="[^"]*"' "$tour_dir/dom.html" || true)
echo "chromium: $summary"
if [ "$summary" != "data-pictures=\"$images loaded, 0 failed, $images in all\"" ]; then
  echo "tour: not every picture loaded in Chromium" >&2
  grep -o '<img [^>]*>' "$tour_dir/dom.html" | grep -v 'data-state="loaded"' | head >&2 || true
  exit 1
fi
# A screenshot of the page, for a look when CI keeps its artifacts.
timeout 120 chromium "${chromium_flags[@]}" --window-size=1280,2000 \
  --screenshot="$tour_dir/index.png" "$page" > /dev/null 2>&1 || true
test -s "$tour_dir/index.png" && echo "chromium: screenshot of index.html taken"
rm -rf "$profile_dir"
