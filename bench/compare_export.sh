#!/usr/bin/env bash
# Compares making the MP3 file of one recording (a 20-second slice of a 3-minute MP3 recording) by
# ExportRecordingToMP3 with `ffmpeg -ss -t -c copy` on the same slice, in one run. Each side makes
# the file REPEATS times and the best time counts.
#   - "ours (process)": export_bench --export run once per repeat as a process, like ffmpeg, so both
#     times hold a process start; this is the ratio that counts (goal: at least 3).
#   - "ours (in process)": the export alone, measured inside export_bench.
# Both write their output in the same folder; ours is written whole with a flush to disk (temporary
# file, fsync, rename), ffmpeg's is not flushed. Before any time is shown the frame count of our file
# must equal what ffprobe counts in it, and the slice must match the times asked for.
#
#   bench/compare_export.sh [REPEATS]      (default 20; build folder: $MORVELIN_BUILD or build/)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${MORVELIN_BUILD:-$root/build}"
repeats="${1:-20}"
start_s=60
length_s=20

for tool in ffmpeg ffprobe; do
    command -v "$tool" >/dev/null || { echo "compare_export.sh: $tool is missing (apt-get install ffmpeg)" >&2; exit 1; }
done
if [[ ! -f "$build/build.ninja" ]]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
ninja -C "$build" export_bench >/dev/null
bench="$build/bench/export_bench"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source="$work/recording.mp3"
# A recording like those on the discs: stereo, 44100 Hz, 128 kbit/s CBR, with an ID3v2 tag.
ffmpeg -nostdin -hide_banner -loglevel error -f lavfi \
    -i "sine=frequency=660:sample_rate=44100:duration=180" -f lavfi \
    -i "anoisesrc=color=pink:sample_rate=44100:duration=180:amplitude=0.2" \
    -filter_complex "[0:a][1:a]amerge=inputs=2" -ac 2 -c:a libmp3lame -b:a 128k \
    -id3v2_version 3 -metadata title="Dawn chorus" "$source"

# Timing helpers and the dashboard's rows.
source "$root/bench/results.sh"

ours="$work/ours.mp3"
theirs="$work/ffmpeg.mp3"
read -r ours_in_s ours_frames < <("$bench" --export "$source" $((start_s * 1000)) $((length_s * 1000)) "$ours" "$repeats")
ours_ns=$(best_of "$bench" --export "$source" $((start_s * 1000)) $((length_s * 1000)) "$ours" 1)
theirs_ns=$(best_of ffmpeg -nostdin -hide_banner -loglevel error -y -ss "$start_s" -t "$length_s" -i "$source" \
    -c copy "$theirs")

packets() {
    ffprobe -v error -select_streams a:0 -count_packets -show_entries stream=nb_read_packets -of csv=p=0 "$1"
}
ours_probe=$(packets "$ours")
theirs_probe=$(packets "$theirs")
if [[ "$ours_frames" != "$ours_probe" ]]; then
    echo "compare_export.sh: our file holds $ours_frames frames, ffprobe counts $ours_probe" >&2
    exit 1
fi
# The slice runs from the frame holding the start through the frame straddling the end: at 1152
# samples per frame of 44100 Hz that is floor(end / frame) + 1 - ceil(start / frame) + 1 frames.
expected=$(awk -v s="$start_s" -v l="$length_s" 'BEGIN {
    d = 1152 / 44100; a = s / d; b = (s + l) / d;
    ca = (a == int(a)) ? a : int(a) + 1; cb = int(b) + 1;
    print cb - ca + 1 }')
if [[ "$ours_frames" != "$expected" ]]; then
    echo "compare_export.sh: our slice holds $ours_frames frames, $expected expected" >&2
    exit 1
fi

printf '%-22s %12s %8s %10s\n' "" "ms" frames bytes
printf '%-22s %12.3f %8s %10s\n' "ours (in process)" "$(awk -v t="$ours_in_s" 'BEGIN { print t * 1e3 }')" \
    "$ours_frames" "$(stat -c %s "$ours")"
printf '%-22s %12.3f %8s %10s\n' "ours (process)" "$(awk -v t="$ours_ns" 'BEGIN { print t / 1e6 }')" \
    "$ours_probe" "$(stat -c %s "$ours")"
printf '%-22s %12.3f %8s %10s\n' "ffmpeg -ss -t -c copy" "$(awk -v t="$theirs_ns" 'BEGIN { print t / 1e6 }')" \
    "$theirs_probe" "$(stat -c %s "$theirs")"
awk -v ours="$ours_ns" -v in_s="$ours_in_s" -v theirs="$theirs_ns" 'BEGIN {
    printf "ratio ffmpeg / ours: %.1f (process to process, goal >= 3); %.1f against our export alone\n",
        theirs / ours, theirs / (in_s * 1e9)
}'

bench_result "MP3 file of a recording (ffmpeg -c copy / ours)" "$(awk -v t="$ours_ns" 'BEGIN { printf "%.3f", t / 1e6 }')" \
    "$(awk -v t="$theirs_ns" 'BEGIN { printf "%.3f", t / 1e6 }')" ms \
    "$(awk -v a="$theirs_ns" -v b="$ours_ns" 'BEGIN { printf "%.2f", a / b }')" 3 "at least"
