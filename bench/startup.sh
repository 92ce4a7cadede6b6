#!/usr/bin/env bash
# Start-up time: from starting morvelin to its main window being mapped on a virtual X display
# (Xvfb, no window manager), side by side in one run with a Qt Widgets program that opens one empty
# window (bench/empty_window.cpp). The two take turns ROUNDS times; the least time of each counts.
# Measured on the full-size synthetic disc and on the demo disc. Goal: at most 1.5 times the empty
# window.
#
#   bench/startup.sh [ROUNDS]      (default 10; build folder: $MORVELIN_BUILD or build/)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${MORVELIN_BUILD:-$root/build}"
rounds="${1:-10}"

command -v Xvfb >/dev/null || { echo "startup.sh: Xvfb is missing (scripts/setup installs xvfb)" >&2; exit 1; }
if [[ ! -f "$build/build.ninja" ]]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
ninja -C "$build" morvelin morvelin-disc window_map_timer empty_window >/dev/null 2>&1 ||
    ninja -C "$build" morvelin morvelin-disc window_map_timer empty_window
tool="$build/tools/disc/morvelin-disc"
timer="$build/bench/window_map_timer"

work=$(mktemp -d)
xvfb_pid=""
cleanup() {
    [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

"$tool" synth "$work/full" --species 2500 --families 250 --recordings 12000 --photos 6000 --localities 3000 >/dev/null
"$tool" demo "$work/demo" >/dev/null

# A program folder per disc: the settings file beside the program names the disc, as an installer
# leaves it, so that the first start asks nothing.
for disc in full demo; do
    mkdir -p "$work/program-$disc"
    cp "$build/src/app/morvelin" "$work/program-$disc/morvelin"
    "$tool" ini-set "$work/program-$disc/Morvelin.ini" GENERAL "Base Directory" "$work/$disc/"
    "$tool" ini-set "$work/program-$disc/Morvelin.ini" GENERAL "Just Installed" "No"
done
# The user's own folders stay untouched.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM QT_SCALE_FACTOR

exec {display_fd}<> <(:)
Xvfb -displayfd "$display_fd" -screen 0 1600x1000x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb_pid=$!
read -r -t 30 number <&"$display_fd" || { echo "startup.sh: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$number"
for ((i = 0; i < 300; i++)); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

least() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || (b != "" && b + 0 < a + 0)) ? b : a }'; }
# One timing; a program that shows no window is tried again, then the benchmark stops with the reason.
timed() {
    local t attempt
    for attempt in 1 2 3; do
        if t=$("$timer" -- "$1"); then echo "$t"; return 0; fi
    done
    echo "startup.sh: $1 showed no window" >&2
    return 1
}
empty="" full="" demo=""
for ((round = 0; round < rounds; round++)); do
    t=$(timed "$build/bench/empty_window") || exit 1
    empty=$(least "$empty" "$t")
    t=$(timed "$work/program-full/morvelin") || exit 1
    full=$(least "$full" "$t")
    t=$(timed "$work/program-demo/morvelin") || exit 1
    demo=$(least "$demo" "$t")
done

source "$root/bench/results.sh"
printf '%-40s %10s %8s %6s\n' "window mapped (least of $rounds)" ms ratio goal
printf '%-40s %10.1f %8s %6s\n' "empty Qt Widgets window" "$empty" 1.00 ""
for disc in full demo; do
    t=${!disc}
    ratio=$(awk -v a="$t" -v b="$empty" 'BEGIN { printf "%.2f", a / b }')
    label="morvelin on the full-size disc"
    [[ $disc == demo ]] && label="morvelin on the demo disc"
    printf '%-40s %10.1f %8s %6s\n' "$label" "$t" "$ratio" 1.5
    bench_result "start-up to the main window: $label (vs an empty window)" "$t" "$empty" ms "$ratio" 1.5 "at most"
done
