#!/usr/bin/env bash
# Painting one viewport of the fully unfolded species document of a synthetic disc (3,000 species,
# about 100,000 lines) against one of a document of about 1,000 lines on the same disc, in one run of
# document_bench with interleaved repetitions. Painting starts from the cached first visible line, so
# the ratio (least CPU time, large / small) should stay at most 1.2. Also prints the time to unfold
# every family and species and the time of a find that compares every name.
#
#   bench/compare_document.sh [REPETITIONS]     (default 15; build folder: $MORVELIN_BUILD or build/)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${MORVELIN_BUILD:-$root/build}"
repetitions="${1:-15}"

if [[ ! -f "$build/build.ninja" ]]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
ninja -C "$build" document_bench morvelin-disc >/dev/null 2>&1 || ninja -C "$build" document_bench morvelin-disc
bench="$build/bench/document_bench"

disc=$(mktemp -d)
trap 'rm -rf "$disc"' EXIT
"$build/tools/disc/morvelin-disc" synth "$disc" --species 3000 --families 60 >/dev/null
export MORVELIN_BENCH_DISC="$disc"
export QT_QPA_PLATFORM=offscreen

# CSV rows: name,iterations,real_time,cpu_time,time_unit,...; the counters are looked up by header.
csv=$("$bench" --benchmark_repetitions="$repetitions" --benchmark_enable_random_interleaving=true \
    --benchmark_report_aggregates_only --benchmark_format=csv 2>/dev/null)
awk -F, '
    /^name,/ { for (i = 1; i <= NF; i++) { gsub(/"/, "", $i); column[$i] = i } next }
    /"BM_PaintViewport\/large:0_min"/ { small = $4; small_lines = $column["items"] }
    /"BM_PaintViewport\/large:1_min"/ { large = $4; large_lines = $column["items"] }
    /"BM_UnfoldAll.*_min"/ { unfold = $4; unfold_lines = $column["items"] }
    /"BM_FindAllNames_min"/ { find = $4; species = $column["items"] }
    /"BM_SearchKeystroke_min"/ { keystroke = $4; names = $column["items"] }
    /"BM_SearchIndex_min"/ { built = $4 }
    END {
        printf "%-44s %12s %12s %8s %6s\n", "measure", "small", "large", "ratio", "goal"
        printf "%-44s %9.1f us %9.1f us %8.3f %6s\n", "paint one viewport (least CPU time)", small, large, large / small, "1.2"
        printf "%-44s %12d %12d\n", "document lines", small_lines, large_lines
        printf "%-44s %9.1f ms  (%d lines)\n", "unfold every family and species", unfold, unfold_lines
        printf "%-44s %9.2f ms  (%d species)\n", "find over all names (no match)", find, species
        printf "%-44s %9.3f ms  (%d names)  ratio to the find %.3f, goal 1.0 or less\n", "search as you type, one keystroke", keystroke, names, keystroke / find
        printf "%-44s %9.2f ms\n", "search index of a window", built
    }' <<< "$csv"

source "$root/bench/results.sh"
read -r small large keystroke find < <(awk -F, '
    /"BM_PaintViewport\/large:0_min"/ { small = $4 }
    /"BM_PaintViewport\/large:1_min"/ { large = $4 }
    /"BM_FindAllNames_min"/ { find = $4 }
    /"BM_SearchKeystroke_min"/ { keystroke = $4 }
    END { print small, large, keystroke, find }' <<< "$csv")
bench_result "paint a 100;000-line document (vs 1;000 lines)" "$large" "$small" us \
    "$(awk -v a="$large" -v b="$small" 'BEGIN { printf "%.3f", a / b }')" 1.2 "at most"
bench_result "search as you type: one keystroke (vs a find over all names)" "$keystroke" "$find" ms \
    "$(awk -v a="$keystroke" -v b="$find" 'BEGIN { printf "%.3f", a / b }')" 1.0 "at most"
