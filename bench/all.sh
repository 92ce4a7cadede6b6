#!/usr/bin/env bash
# Runs every comparison of bench/ in one go and prints one table: measure, ours, the peer tool or
# floor, the ratio, the goal and whether it is met. The table is also written as CSV (default
# bench-results.csv in the current folder). Each script still runs on its own and prints more detail.
# A script that fails is named at the end and the others still run.
#
#   bench/all.sh [--csv FILE] [--quick]
#     --quick   fewer repetitions (a first look; the figures are noisier)
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
csv="$PWD/bench-results.csv"
quick=0
while (($#)); do
    case "$1" in
        --csv) csv=$(realpath -m "$2"); shift 2 ;;
        --quick) quick=1; shift ;;
        *) echo "usage: bench/all.sh [--csv FILE] [--quick]" >&2; exit 2 ;;
    esac
done

# Script and its repetitions (normal, quick). Scripts added by later work go here too.
scripts=(
    "compare_load.sh 15 3"
    "compare_lzw.sh 30 5"
    "compare_export.sh 20 5"
    "compare_document.sh 15 3"
    "compare_photo.sh 20 5"
    "startup.sh 10 3"
    "position_lag.sh - -"
)
for extra in sonogram.sh copy.sh compare_make_all.sh; do
    [[ -x "$root/bench/$extra" ]] && scripts+=("$extra 5 2")
done

results=$(mktemp)
trap 'rm -f "$results"' EXIT
# Each script's whole output, for the detail behind a row or the reason of a failure.
logs="${csv%.csv}-logs"
mkdir -p "$logs"
export MORVELIN_BENCH_RESULTS="$results"
failed=()
for entry in "${scripts[@]}"; do
    read -r script normal short <<< "$entry"
    count=$normal
    ((quick)) && count=$short
    arguments=()
    [[ "$count" != "-" ]] && arguments=("$count")
    echo "== $script ${arguments[*]}" >&2
    if ! "$root/bench/$script" "${arguments[@]}" > "$logs/$script.log" 2>&1; then
        failed+=("$script")
        tail -5 "$logs/$script.log" >&2
    fi
done

{
    echo "measure,ours,peer or floor,unit,ratio,goal,met"
    cat "$results"
} > "$csv.tmp" && mv "$csv.tmp" "$csv"

awk -F, 'NR > 1 {
    printf "%-66s %12s %14s %-5s %8s %-12s %s\n", $1, $2, $3, $4, $5, $6, $7 }
    NR == 1 { printf "%-66s %12s %14s %-5s %8s %-12s %s\n", $1, $2, $3, $4, $5, $6, $7 }' "$csv"
echo "CSV: $csv; each script's output: $logs/"
if ((${#failed[@]})); then
    echo "failed: ${failed[*]} (their output above)" >&2
    exit 1
fi
