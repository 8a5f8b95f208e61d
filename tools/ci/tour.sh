#!/usr/bin/env bash
# CI step: the main job. qxsim plays its bundled tour in a fresh folder; the
# run must exit 0 and leave a transcript and a log behind.
set -euo pipefail
cd "$(dirname "$0")/../.."

root=$(pwd)
tour_dir=$(mktemp -d)
trap 'rm -rf "$tour_dir"' EXIT
(cd "$tour_dir" && timeout 300 "$root/build/default/bin/qxsim")
test -s "$tour_dir/qxsim-transcript.jsonl"
test -s "$tour_dir/qxsim-profile/QuorvexDevice/autocad_addin_log.txt"
echo "tour: $(wc -l < "$tour_dir/qxsim-transcript.jsonl") transcript lines"
