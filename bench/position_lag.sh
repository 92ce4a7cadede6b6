#!/usr/bin/env bash
# Prints how far the position shown while playing is from the sound heard at a null sink's monitor,
# for an idle, a suspended and a running sink, from the start and after a seek (goal: within 50 ms).
# Builds the bench program first. Starts a sound server of its own; the shared one is left alone.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/build" position_lag_bench >/dev/null
output=$("$root/build/bench/position_lag_bench" "$@")
echo "$output"
source "$root/bench/results.sh"
worst=$(sed -n 's/^position lag: worst \(-\?[0-9]*\) ms.*/\1/p' <<< "$output")
bench_result "position shown vs sound heard: worst lag" "$worst" "" ms "$worst" 50 "at most"
