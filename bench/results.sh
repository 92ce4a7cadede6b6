# Sourced by the comparison scripts: timing helpers, and the dashboard's rows. When bench/all.sh runs them it sets MORVELIN_BENCH_RESULTS to a
# file; each script then adds one CSV row per measure it compares, so that the dashboard can gather
# them. Run alone, a script only prints its own table.
#
#   bench_result MEASURE OURS PEER UNIT RATIO GOAL WAY
# WAY is "at most" when the ratio must not exceed the goal, "at least" when it must reach it.
bench_result() {
    [[ -n "${MORVELIN_BENCH_RESULTS:-}" ]] || return 0
    local measure=$1 ours=$2 peer=$3 unit=$4 ratio=$5 goal=$6 way=$7 met
    met=$(awk -v r="$ratio" -v g="$goal" -v w="$way" 'BEGIN {
        if (r == "" || r != r + 0) { print "unknown"; exit }
        ok = (w == "at most") ? (r + 0 <= g + 0) : (r + 0 >= g + 0); print ok ? "yes" : "no" }')
    # Measures are our own texts without commas; the file is read by bench/all.sh and by spreadsheets.
    printf '%s,%s,%s,%s,%s,%s %s,%s\n' "${measure//,/;}" "$ours" "$peer" "$unit" "$ratio" "$way" "$goal" "$met" \
        >> "$MORVELIN_BENCH_RESULTS"
}

# Nanoseconds that one run of the command takes, its output discarded.
time_of() {
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    echo $((end - start))
}

# The least of $repeats runs of the command, in nanoseconds.
best_of() {
    local best="" t i
    for ((i = 0; i < repeats; i++)); do
        t=$(time_of "$@")
        if [[ -z "$best" || $t -lt $best ]]; then best=$t; fi
    done
    echo "$best"
}
