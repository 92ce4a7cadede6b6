#!/usr/bin/env bash
# Prints how far the position shown while playing is from the sound heard at a null sink's monitor,
# for an idle, a suspended and a running sink, from the start and after a seek (goal: within 50 ms).
# Builds the bench program first. Starts a sound server of its own; the shared one is left alone.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/build" position_lag_bench >/dev/null
exec "$root/build/bench/position_lag_bench" "$@"
