#!/usr/bin/env bash
# Copy to HD against `cp -r` of the same tree, side by side in one run. The tree is the demo disc's
# media folders plus sound files of a full-size disc (SOUND_MB megabytes in files of 2 to 12 MB). Each
# side copies REPEATS times into a fresh folder on the same file system, alternating, and the best
# time counts; the source is read once before, so both read it from the cache.
#   - ours: `morvelin-disc copy-media`, the copy of Options > Copy to HD: into a staging folder, the
#     file system flushed to disk, then moved into place;
#   - cp -r: the seven folders copied with `cp -r`, nothing flushed (the goal: ours at least 0.9 times
#     its speed, i.e. cp's time / ours >= 0.9);
#   - cp -r + sync: the same followed by `sync -f` on the target, which is what ours pays for its flush.
# Before any time is shown every copy must equal the source (diff -r).
#
#   bench/copy.sh [REPEATS] [SOUND_MB]      (defaults 5 and 400; build folder: $MORVELIN_BUILD or build/)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${MORVELIN_BUILD:-$root/build}"
repeats="${1:-5}"
sound_mb="${2:-400}"

if [[ ! -f "$build/build.ninja" ]]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
ninja -C "$build" morvelin-disc >/dev/null 2>&1 || ninja -C "$build" morvelin-disc
disc_tool="$build/tools/disc/morvelin-disc"

# The work folder lies below the build folder, on the file system a user's copy would go to (/tmp may
# be memory).
work=$(mktemp -d "$build/copy-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
source="$work/disc"
"$disc_tool" demo "$source" >/dev/null
mkdir -p "$source/tapes/big"
left=$sound_mb
n=0
while ((left > 0)); do
    size=$((2 + n % 11))
    ((size > left)) && size=$left
    head -c $((size * 1048576)) /dev/urandom >"$source/tapes/big/$n.wav"
    left=$((left - size))
    n=$((n + 1))
done
folders=()
for folder in big_pict distmaps localities smalpict tapes Voices "Audio CDs"; do
    [[ -d "$source/$folder" ]] && folders+=("$folder")
done
files=$(cd "$source" && find "${folders[@]}" -type f | wc -l)
bytes=$(cd "$source" && du -sb "${folders[@]}" | awk '{ s += $1 } END { print s }')
cat "$source"/*/* "$source"/*/*/* >/dev/null 2>&1 || true
sync -f "$work"

# Timing helpers and the dashboard's rows.
source "$root/bench/results.sh"
ours() { "$disc_tool" copy-media "$source" "$1"; }
cp_r() {
    mkdir -p "$1"
    for folder in "${folders[@]}"; do cp -r "$source/$folder" "$1/"; done
}
cp_r_sync() {
    cp_r "$1"
    sync -f "$1"
}
same_as_source() {
    for folder in "${folders[@]}"; do
        diff -r "$source/$folder" "$1/$folder" >/dev/null || {
            echo "copy.sh: $1/$folder differs from the source" >&2
            exit 1
        }
    done
}

best_ours="" best_cp="" best_cp_sync=""
for ((i = 0; i < repeats; i++)); do
    for side in ours cp_r cp_r_sync; do
        target="$work/$side-$i"
        t=$(time_of "$side" "$target")
        same_as_source "$target"
        rm -rf "$target"
        sync -f "$work"
        case $side in
        ours) [[ -z "$best_ours" || $t -lt $best_ours ]] && best_ours=$t ;;
        cp_r) [[ -z "$best_cp" || $t -lt $best_cp ]] && best_cp=$t ;;
        cp_r_sync) [[ -z "$best_cp_sync" || $t -lt $best_cp_sync ]] && best_cp_sync=$t ;;
        esac
    done
done

printf '%d files, %.1f MB in %d folders; best of %d\n' "$files" "$(awk -v b="$bytes" 'BEGIN { print b / 1048576 }')" \
    "${#folders[@]}" "$repeats"
printf '%-16s %10s %10s\n' "" ms "MB/s"
for row in "ours:$best_ours" "cp -r:$best_cp" "cp -r + sync:$best_cp_sync"; do
    name=${row%%:*}
    t=${row##*:}
    printf '%-16s %10.1f %10.1f\n' "$name" "$(awk -v t="$t" 'BEGIN { print t / 1e6 }')" \
        "$(awk -v t="$t" -v b="$bytes" 'BEGIN { print b / 1048576 / (t / 1e9) }')"
done
awk -v ours="$best_ours" -v cp="$best_cp" -v cps="$best_cp_sync" 'BEGIN {
    printf "speed of ours / cp -r: %.2f (goal >= 0.9); / cp -r + sync: %.2f\n", cp / ours, cps / ours
}'

bench_result "copy the media to the hard disk (speed of cp -r / ours)" \
    "$(awk -v t="$best_ours" 'BEGIN { printf "%.1f", t / 1e6 }')" "$(awk -v t="$best_cp" 'BEGIN { printf "%.1f", t / 1e6 }')" ms \
    "$(awk -v ours="$best_ours" -v cp="$best_cp" 'BEGIN { printf "%.2f", cp / ours }')" 0.9 "at least"
