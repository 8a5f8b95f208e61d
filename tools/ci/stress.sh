#!/usr/bin/env bash
# CI step: the race stress. test_stress's RealTime run lasts QX_STRESS_SECONDS (60) of real
# time under ThreadSanitizer with a fixed seed: the daemon stand-in sends motion
# samples, numbered keys and special functions at 1 kHz while the host thread
# ticks, runs the toggle commands and switches documents. Fails on any
# ThreadSanitizer report, on any key lost other than by replacement, or when the
# run does not finish in time.
set -euo pipefail
cd "$(dirname "$0")/../.."

seed=${QX_STRESS_SEED:-20261206}
seconds=${QX_STRESS_SECONDS:-60}
build=${QX_STRESS_BUILD:-build/tsan}

if [ ! -f "$build/build.ninja" ]; then
  timeout 600 cmake --preset tsan
fi
timeout 1800 cmake --build "$build" --target test_stress

log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
TSAN_OPTIONS="second_deadlock_stack=1 ${TSAN_OPTIONS:-}" QX_STRESS_SEED="$seed" \
  QX_STRESS_SECONDS="$seconds" timeout $((seconds * 3 + 120)) \
  "$build/bin/test_stress" --gtest_filter=RaceStress.RealTime \
  >"$log" 2>&1 || status=$?
grep -v '^LOST' "$log" | grep -v '^ *#' | head -n 200 || true
reports=$(grep -c 'WARNING: ThreadSanitizer' "$log" || true)
lost=$(grep -c '^LOST' "$log" || true)
echo "stress: exit status $status, ThreadSanitizer reports: $reports, keys lost: $lost"
if [ "$reports" -ne 0 ]; then
  grep -A30 'WARNING: ThreadSanitizer' "$log" | head -n 200
fi
[ "$status" -eq 0 ] && [ "$reports" -eq 0 ] && [ "$lost" -eq 0 ]
