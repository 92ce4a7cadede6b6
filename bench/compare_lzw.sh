#!/usr/bin/env bash
# Compares our LZW container decoding with ncompress's uncompress, in one run, on inputs of equal
# decoded size: a 574 × 472 map bitmap and 4 MB of species text. Each side decodes each input many
# times and the best time counts. Our time is measured inside lzw_bench (file read and decoding);
# uncompress runs as a process per decoding, so the time of a run on an empty .Z file (process start)
# is subtracted from its times. Goal: ratio (ours / uncompress) at most 1.
#
#   bench/compare_lzw.sh [REPEATS]      (default 30; build folder: $MORVELIN_BUILD or build/)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${MORVELIN_BUILD:-$root/build}"
repeats="${1:-30}"

command -v compress >/dev/null || { echo "compare_lzw.sh: ncompress is missing (apt-get install ncompress)" >&2; exit 1; }
if [[ ! -f "$build/build.ninja" ]]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
ninja -C "$build" lzw_bench >/dev/null
bench="$build/bench/lzw_bench"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$bench" --write-inputs "$work"
: > "$work/empty"
for name in map.bmp text.txt empty; do
    compress -c -f "$work/$name" > "$work/$name.Z" || true   # compress exits 2 when the file grows
done

# Timing helpers and the dashboard's rows.
source "$root/bench/results.sh"

# The decoders must agree with the input before their times mean anything.
for name in map.bmp text.txt; do
    cmp -s <(compress -dc "$work/$name.Z") "$work/$name" || { echo "uncompress gives other bytes for $name" >&2; exit 1; }
done

start_ns=$(best_of compress -dc "$work/empty.Z")
printf '%-16s %10s %10s %10s %14s %8s\n' input bytes "ours ms" "ours MB/s" "uncompress ms" ratio
for name in map.bmp text.txt; do
    size=$(stat -c %s "$work/$name")
    ours_s=$("$bench" --decode-file "$work/$name.lzw" "$repeats")
    theirs_ns=$(best_of compress -dc "$work/$name.Z")
    awk -v name="$name" -v size="$size" -v ours="$ours_s" -v theirs="$theirs_ns" -v start="$start_ns" 'BEGIN {
        t = (theirs - start) / 1e9; if (t <= 0) t = theirs / 1e9;
        printf "%-16s %10d %10.3f %10.1f %14.3f %8.2f\n", name, size, ours * 1e3, size / ours / 1e6, t * 1e3, ours / t
    }'
    read -r ours_ms theirs_ms ratio < <(awk -v ours="$ours_s" -v theirs="$theirs_ns" -v start="$start_ns" 'BEGIN {
        t = (theirs - start) / 1e9; if (t <= 0) t = theirs / 1e9;
        printf "%.3f %.3f %.3f\n", ours * 1e3, t * 1e3, ours / t }')
    bench_result "LZW decoding of $name (vs uncompress)" "$ours_ms" "$theirs_ms" ms "$ratio" 1 "at most"
done
printf 'uncompress process start (subtracted): %.3f ms; compressed sizes: ours %s / %s, ncompress %s / %s bytes\n' \
    "$(awk -v s="$start_ns" 'BEGIN { print s / 1e6 }')" \
    "$(stat -c %s "$work/map.bmp.lzw")" "$(stat -c %s "$work/text.txt.lzw")" \
    "$(stat -c %s "$work/map.bmp.Z")" "$(stat -c %s "$work/text.txt.Z")"
