#!/usr/bin/env bash
# The media module takes the project's own functions from the program: every one it needs must be
# exported by the program, or loading the module fails when the first sound is played.
#   check_module_symbols.sh PROGRAM MODULE
set -euo pipefail
program=$1 module=$2
# Mangled names of the project's namespace (functions, vtables, typeinfo, const members).
needed=$(nm -D --undefined-only "$module" | awk '{ print $NF }' | grep -E '^_Z[A-Z]*N[A-Z]*8morvelin' | sort -u || true)
defined=$(nm -D --defined-only "$program" | awk '{ print $NF }' | sort -u)
missing=$(comm -23 <(echo "$needed" | sed '/^$/d') <(echo "$defined"))
if [[ -n "$missing" ]]; then
    echo "The media module needs functions the program does not export (name them in platform/media_loader.cpp):"
    echo "$missing" | c++filt
    exit 1
fi
# Nor may the program itself link a media library: their loading is what the module defers.
linked=$(readelf -d "$program" | grep -E 'NEEDED.*(libav|libswresample|libcdio|libpulse|librubberband|libfftw)' || true)
if [[ -n "$linked" ]]; then
    echo "The program links media libraries that belong in the module:"
    echo "$linked"
    exit 1
fi
echo "$(echo "$needed" | sed '/^$/d' | wc -l) project symbols the module takes from the program: all exported"
