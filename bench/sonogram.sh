#!/usr/bin/env bash
# Sonogram speed, side by side in one run:
# 1. the whole sonogram of a 3-minute recording (44.1 kHz stereo WAV) against
#    `sox FILE -n spectrogram -r` at the same resolution: 1024-sample Hann frames (sox -y 513), one
#    column every 256 samples (sox -x = our column count), both ending in a grey PNG of that size.
#    Goal: ours at least 2 times faster.
# 2. the first screenful (the window's default span of time) of a 70-minute CD track against that
#    of a 5-second recording, from opening the file. Goal: under 1.5 times.
# Best of REPEATS runs each.
#
#   bench/sonogram.sh [REPEATS]      (default 3; build folder: $MORVELIN_BUILD or build/)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${MORVELIN_BUILD:-$root/build}"
repeats="${1:-3}"

command -v sox >/dev/null || { echo "sonogram.sh: sox is missing (apt-get install sox)" >&2; exit 1; }
if [[ ! -f "$build/build.ninja" ]]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
ninja -C "$build" sonogram_bench >/dev/null
bench="$build/bench/sonogram_bench"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A song-like test signal: rising and falling whistles over quiet noise.
song() { # SECONDS FILE
    sox -q -n -r 44100 -c 2 -b 16 "$2" synth "$1" sine 2000-6000 sine 5000-3000 pinknoise vol 0.3 2>/dev/null
}
song 180 "$work/three_minutes.wav"
song 5 "$work/five_seconds.wav"
song 4200 "$work/seventy_minutes.wav"

read -r ours columns bins < <("$bench" --whole "$work/three_minutes.wav" "$repeats" "$work/ours.png")
theirs=""
for ((i = 0; i < repeats; i++)); do
    t=$( { TIMEFORMAT=%R; time sox "$work/three_minutes.wav" -n spectrogram -r -x "$columns" -y $((bins + 1)) \
        -o "$work/sox.png" >/dev/null; } 2>&1 )
    theirs=$(awk -v a="${theirs:-$t}" -v b="$t" 'BEGIN { print (b < a ? b : a) }')
done
first_short=$("$bench" --first-screen "$work/five_seconds.wav" "$repeats")
first_long=$("$bench" --first-screen "$work/seventy_minutes.wav" "$repeats")

printf 'whole sonogram, 3 minutes, %s columns x %s bins\n' "$columns" "$bins"
awk -v o="$ours" -v t="$theirs" 'BEGIN {
    printf "  ours %.3f s   sox %.3f s   sox / ours %.2f   (goal >= 2)\n", o, t, t / o }'
echo "first screenful"
awk -v s="$first_short" -v l="$first_long" 'BEGIN {
    printf "  5 s recording %.1f ms   70 min track %.1f ms   ratio %.2f   (goal < 1.5)\n", s * 1e3, l * 1e3, l / s }'

source "$root/bench/results.sh"
bench_result "sonogram of a 3-minute recording (sox spectrogram / ours)" \
    "$(awk -v t="$ours" 'BEGIN { printf "%.1f", t * 1e3 }')" "$(awk -v t="$theirs" 'BEGIN { printf "%.1f", t * 1e3 }')" ms \
    "$(awk -v o="$ours" -v t="$theirs" 'BEGIN { printf "%.2f", t / o }')" 2 "at least"
bench_result "sonogram's first screenful: 70-minute track / 5-second recording" \
    "$(awk -v t="$first_long" 'BEGIN { printf "%.1f", t * 1e3 }')" "$(awk -v t="$first_short" 'BEGIN { printf "%.1f", t * 1e3 }')" ms \
    "$(awk -v s="$first_short" -v l="$first_long" 'BEGIN { printf "%.2f", l / s }')" 1.5 "at most"
