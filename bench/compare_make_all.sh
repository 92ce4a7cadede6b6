#!/usr/bin/env bash
# Making all MP3 files of the demo disc's visible recordings: the make-all run (make_all_bench, one
# process that loads the disc and makes every file, tagged and written whole with a flush to disk)
# against a loop of `ffmpeg -c copy` exports of the same slices into untagged, unflushed files, in
# one run. Each side runs REPEATS times and the best time counts; the ratio is ffmpeg / ours
# (goal: at least 3). Before any time is shown both must have made the same number of files and
# every one of ours must hold the frame count ffprobe finds in it.
#
#   bench/compare_make_all.sh [REPEATS]     (default 3; build folder: $MORVELIN_BUILD or build/)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${MORVELIN_BUILD:-$root/build}"
repeats="${1:-3}"

for tool in ffmpeg ffprobe; do
    command -v "$tool" >/dev/null || { echo "compare_make_all.sh: $tool is missing (apt-get install ffmpeg)" >&2; exit 1; }
done
if [[ ! -f "$build/build.ninja" ]]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
ninja -C "$build" make_all_bench export_bench morvelin-disc >/dev/null 2>&1 || ninja -C "$build" make_all_bench export_bench morvelin-disc
bench="$build/bench/make_all_bench"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/tools/disc/morvelin-disc" demo "$work/disc" --source "$root/demo" --resources "$root/resources" >/dev/null

# Timing helpers and the dashboard's rows.
source "$root/bench/results.sh"

ours_once() {
    rm -rf "$work/ours" && mkdir -p "$work/ours"
    "$bench" --make-all "$work/disc" "$work/ours" "$work/jobs.tsv"
}
theirs_once() {
    rm -rf "$work/ffmpeg" && mkdir -p "$work/ffmpeg"
    local n=0 source offset length made
    while IFS=$'\t' read -r source offset length made; do
        n=$((n + 1))
        if [[ "$offset" == -1 ]]; then
            ffmpeg -nostdin -hide_banner -loglevel error -y -i "$source" -c copy "$work/ffmpeg/$n.mp3"
        else
            ffmpeg -nostdin -hide_banner -loglevel error -y -ss "$(awk -v o="$offset" 'BEGIN { print o / 1000 }')" \
                -t "$(awk -v l="$length" 'BEGIN { print l / 1000 }')" -i "$source" -c copy "$work/ffmpeg/$n.mp3"
        fi
    done < "$work/jobs.tsv"
}

ours_best="" theirs_best="" in_process_best=""
for ((r = 0; r < repeats; r++)); do
    start=$(date +%s%N)
    read -r in_process files < <(ours_once)
    t=$(($(date +%s%N) - start))
    if [[ -z "$ours_best" || $t -lt $ours_best ]]; then ours_best=$t; in_process_best=$in_process; fi
    t=$(time_of theirs_once)
    if [[ -z "$theirs_best" || $t -lt $theirs_best ]]; then theirs_best=$t; fi
done

ours_files=$(find "$work/ours" -name '*.mp3' | wc -l)
theirs_files=$(find "$work/ffmpeg" -name '*.mp3' | wc -l)
if [[ "$ours_files" != "$files" || "$theirs_files" != "$files" ]]; then
    echo "compare_make_all.sh: ours made $ours_files files, ffmpeg $theirs_files, $files expected" >&2
    exit 1
fi
# Every file of ours holds only whole frames that ffprobe reads (a sample of ten spread over the run).
step=$(( files / 10 > 0 ? files / 10 : 1 ))
i=0
while IFS=$'\t' read -r _ _ _ made; do
    i=$((i + 1))
    (( i % step == 0 )) || continue
    frames=$("$build/bench/export_bench" --count-frames "$made" 2>/dev/null || echo "?")
    probed=$(ffprobe -v error -select_streams a:0 -count_packets -show_entries stream=nb_read_packets -of csv=p=0 "$made")
    if [[ "$frames" != "$probed" ]]; then
        echo "compare_make_all.sh: $made holds $frames frames, ffprobe counts $probed" >&2
        exit 1
    fi
done < "$work/jobs.tsv"

printf '%-34s %12s %8s %12s\n' "" "ms" files bytes
printf '%-34s %12.1f %8s %12s\n' "make-all (run alone, in process)" "$(awk -v t="$in_process_best" 'BEGIN { print t * 1e3 }')" \
    "$files" "$(du -sb "$work/ours" | cut -f1)"
printf '%-34s %12.1f %8s %12s\n' "make-all (process, disc load)" "$(awk -v t="$ours_best" 'BEGIN { print t / 1e6 }')" \
    "$files" "$(du -sb "$work/ours" | cut -f1)"
printf '%-34s %12.1f %8s %12s\n' "loop of ffmpeg -c copy" "$(awk -v t="$theirs_best" 'BEGIN { print t / 1e6 }')" \
    "$theirs_files" "$(du -sb "$work/ffmpeg" | cut -f1)"
awk -v ours="$ours_best" -v theirs="$theirs_best" -v in_s="$in_process_best" 'BEGIN {
    printf "ratio ffmpeg loop / make-all: %.1f (process to loop, goal >= 3); %.1f against the run alone\n",
        theirs / ours, theirs / (in_s * 1e9)
}'

bench_result "make ALL MP3 files (loop of ffmpeg -c copy / ours)" \
    "$(awk -v t="$ours_best" 'BEGIN { printf "%.1f", t / 1e6 }')" "$(awk -v t="$theirs_best" 'BEGIN { printf "%.1f", t / 1e6 }')" ms \
    "$(awk -v ours="$ours_best" -v theirs="$theirs_best" 'BEGIN { printf "%.2f", theirs / ours }')" 3 "at least"
