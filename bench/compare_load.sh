#!/usr/bin/env bash
# Loading a full-size disc (2,500 species, 250 families, 12,000 recordings, 6,000 photos, 3,000
# localities, made by `morvelin-disc synth`) against its floor, in one run of load_bench: the floor reads
# and descrambles the same ten files and does nothing else. Prints the time ratio (least CPU time of the
# repetitions, loader / floor; goal at most 1.3) and the resident memory the loaded data set holds
# against the descrambled byte count (measured in a fresh process; goal at most 2.5).
#
#   bench/compare_load.sh [REPETITIONS]     (default 15; build folder: $MORVELIN_BUILD or build/)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${MORVELIN_BUILD:-$root/build}"
repetitions="${1:-15}"

if [[ ! -f "$build/build.ninja" ]]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
ninja -C "$build" load_bench morvelin-disc >/dev/null 2>&1 || ninja -C "$build" load_bench morvelin-disc
bench="$build/bench/load_bench"

disc=$(mktemp -d)
trap 'rm -rf "$disc"' EXIT
"$build/tools/disc/morvelin-disc" synth "$disc" --species 2500 --families 250 --recordings 12000 \
    --photos 6000 --localities 3000
export MORVELIN_BENCH_DISC="$disc"

# CSV rows: name,iterations,real_time,cpu_time,time_unit,...,counters. Counters are looked up by header.
memory=$("$bench" --benchmark_filter='BM_ResidentMemory' --benchmark_format=csv 2>/dev/null | awk -F, '
    /^name,/ { for (i = 1; i <= NF; i++) { gsub(/"/, "", $i); column[$i] = i } next }
    /BM_ResidentMemory/ { printf "%.0f %.0f %.3f\n", $column["resident_bytes"], $column["plain_bytes"], $column["memory_ratio"] }')
times=$("$bench" --benchmark_filter='BM_DescrambleFloor|BM_LoadDataSet' --benchmark_repetitions="$repetitions" \
    --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only --benchmark_format=csv 2>/dev/null |
    awk -F, '
    /"BM_DescrambleFloor_min"/ { floor = $4 }
    /"BM_LoadDataSet_min"/ { load = $4 }
    END { printf "%.2f %.2f %.3f\n", floor, load, load / floor }')

read -r resident plain memory_ratio <<< "$memory"
read -r floor_ms load_ms time_ratio <<< "$times"
printf '%-34s %12s %12s %8s %6s\n' measure floor/bytes loader ratio goal
printf '%-34s %9.2f ms %9.2f ms %8.3f %6s\n' "load time (least CPU time of $repetitions)" "$floor_ms" "$load_ms" "$time_ratio" "1.3"
printf '%-34s %12d %12d %8.3f %6s\n' "resident memory / descrambled bytes" "$plain" "$resident" "$memory_ratio" "2.5"

source "$root/bench/results.sh"
bench_result "load the full-size disc (vs reading and descrambling it)" "$load_ms" "$floor_ms" ms "$time_ratio" 1.3 "at most"
bench_result "memory of the loaded disc (vs its descrambled bytes)" "$resident" "$plain" bytes "$memory_ratio" 2.5 "at most"
