#!/usr/bin/env bash
# Compares opening a photo in the photo window with djpeg decoding the same JPEG, in one run. Ours is
# measured inside photo_bench: reading the file, removing its "Scramble2" layer, decoding, and the
# first paint of the maximised window on an offscreen screen. djpeg (libjpeg-turbo-progs) runs as a
# process per decoding writing the pixels to /dev/null, so the time of a run on a 1 x 1 JPEG (process
# start) is subtracted from its time. Each side runs REPEATS times and the best time counts.
# Goal: ratio (ours / djpeg) at most 1.5.
#
#   bench/compare_photo.sh [REPEATS]      (default 20; build folder: $MORVELIN_BUILD or build/)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${MORVELIN_BUILD:-$root/build}"
repeats="${1:-20}"

command -v djpeg >/dev/null || { echo "compare_photo.sh: djpeg is missing (scripts/setup installs libjpeg-turbo-progs)" >&2; exit 1; }
if [[ ! -f "$build/build.ninja" ]]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
ninja -C "$build" photo_bench >/dev/null
bench="$build/bench/photo_bench"
export QT_QPA_PLATFORM=offscreen

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$bench" --write-inputs "$work"
convert -size 1x1 xc:gray "$work/tiny.jpg"

source "$root/bench/results.sh"

size=$(stat -c %s "$work/photo.jpg")
dims=$(djpeg -pnm "$work/photo.jpg" | head -c 20 | sed -n 2p || true)
# The sides take turns, so that a change of load on a shared machine meets both alike.
min() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }
ours_plain="" ours_scrambled="" start_ns="" theirs_ns=""
rounds=$(( (repeats + 4) / 5 ))
repeats=5
for ((round = 0; round < rounds; round++)); do
    ours_plain=$(min "$ours_plain" "$("$bench" --open "$work/photo.jpg" "$repeats")")
    ours_scrambled=$(min "$ours_scrambled" "$("$bench" --open "$work/photo.scrambled" "$repeats")")
    start_ns=$(min "$start_ns" "$(best_of djpeg -outfile /dev/null "$work/tiny.jpg")")
    theirs_ns=$(min "$theirs_ns" "$(best_of djpeg -outfile /dev/null "$work/photo.jpg")")
done
awk -v size="$size" -v dims="$dims" -v plain="$ours_plain" -v scr="$ours_scrambled" -v theirs="$theirs_ns" -v start="$start_ns" 'BEGIN {
    t = (theirs - start) / 1e9; if (t <= 0) t = theirs / 1e9;
    printf "JPEG %s pixels, %d bytes; djpeg process start %.2f ms (subtracted)\n", dims, size, start / 1e6
    printf "%-34s %10s %8s\n", "", "ms", "ratio"
    printf "%-34s %10.2f %8s\n", "djpeg decode", t * 1e3, "1.00"
    printf "%-34s %10.2f %8.2f\n", "open plain photo (window, paint)", plain * 1e3, plain / t
    printf "%-34s %10.2f %8.2f\n", "open Scramble2 photo", scr * 1e3, scr / t
}'

read -r plain_ms theirs_ms ratio < <(awk -v plain="$ours_plain" -v theirs="$theirs_ns" -v start="$start_ns" 'BEGIN {
    t = (theirs - start) / 1e9; if (t <= 0) t = theirs / 1e9;
    printf "%.2f %.2f %.3f\n", plain * 1e3, t * 1e3, plain / t }')
bench_result "open a photo in its window (vs djpeg)" "$plain_ms" "$theirs_ms" ms "$ratio" 1.5 "at most"
