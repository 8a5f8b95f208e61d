#!/usr/bin/env bash
# CI step: reliability runs. Expects build/default and build/asan to be built
# (.ci/run builds and tests them first).
#  1. 1000 load/unload cycles of the module in one process with events
#     flowing, under AddressSanitizer with LeakSanitizer: no leak, hang,
#     file descriptor or thread left behind; once in the test program, which
#     counts descriptors and threads, and once in qxsim itself.
#  2. The reading thread's CPU share in real time while the daemon is gone
#     and reads fail at once: at most 1% of one core.
#  3. valgrind memcheck on the end-to-end tour played by qxsim: zero errors.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)

if ! command -v valgrind >/dev/null 2>&1; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  timeout 600 $sudo_cmd apt-get update
  DEBIAN_FRONTEND=noninteractive timeout 900 $sudo_cmd apt-get install -y \
    --no-install-recommends valgrind
fi

timeout 1800 cmake --build build/asan --target test_reliability qxsim qxautocad
timeout 1800 cmake --build build/default --target bench_reliability qxsim qxautocad

echo "-- 1000 load/unload cycles (asan build) --"
QX_LIFECYCLE_CYCLES=1000 ASAN_OPTIONS=detect_leaks=1 \
  timeout 900 build/asan/bin/test_reliability --gtest_filter='Lifecycle.*'

echo "-- 1000 load/unload cycles in one qxsim process (asan build) --"
run_dir=$(mktemp -d)
trap 'rm -rf "$run_dir"' EXIT
{
  echo "wait 100"
  for _ in $(seq 1000); do
    printf 'cap 0 0 0 120 0 0\nwait 60\nkey 0x20021\nrelease\nwait 40\nunload\nload\nwait 100\n'
  done
} > "$run_dir/cycles.qxs"
(cd "$run_dir" && ASAN_OPTIONS=detect_leaks=1 timeout 900 "$root/build/asan/bin/qxsim" \
    --transcript "$run_dir/cycles.jsonl" cycles.qxs \
    2> "$run_dir/cycles.err") || { cat "$run_dir/cycles.err" >&2; exit 1; }
# qxsim warns when a module stays in memory or leaves a thread behind.
if grep -i "warning" "$run_dir/cycles.err"; then
  exit 1
fi
loads=$(grep -c '"ev":"load"' "$run_dir/cycles.jsonl")
saved=$(grep -c '"ev":"view_saved"' "$run_dir/cycles.jsonl")
echo "qxsim: $loads loads, $saved motions ended"
if [ "$loads" -ne 1001 ] || [ "$saved" -ne 1000 ]; then
  echo "reliability: expected 1001 loads and 1000 motions ended" >&2
  exit 1
fi

echo "-- reading thread CPU with the daemon down (default build, real time) --"
timeout 120 build/default/bin/bench_reliability 5

echo "-- valgrind memcheck on the tour (default build) --"
mkdir "$run_dir/valgrind"
(cd "$run_dir/valgrind" && timeout 1200 valgrind --tool=memcheck --error-exitcode=1 \
    --leak-check=full --errors-for-leak-kinds=definite \
    "$root/build/default/bin/qxsim" "$root/examples/tour.qxs")
echo "reliability: passed"
