#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what a desktop needs: the program, its menu entry
# and icons, and the help beside it.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null
fail=0
for file in bin/morvelin share/applications/morvelin.desktop share/morvelin/Morvelin.html \
    share/morvelin/Readme.html share/icons/hicolor/48x48/apps/morvelin.png \
    share/icons/hicolor/128x128/apps/morvelin.png; do
    [[ -f $prefix/$file ]] || { echo "not installed: $file"; fail=1; }
done
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$prefix/share/applications/morvelin.desktop" || fail=1
fi
grep -q '^Icon=morvelin$' "$prefix/share/applications/morvelin.desktop" || { echo "menu entry names another icon"; fail=1; }
version=$("$prefix/bin/morvelin" --version)
[[ $version =~ ^morvelin\ [0-9]+\.[0-9]+ ]] || { echo "unexpected --version: $version"; fail=1; }
"$prefix/bin/morvelin" --help | grep -q 'Usage: morvelin' || { echo "--help prints no usage"; fail=1; }
# A wrong argument is refused with the usage, not taken for a disc.
if "$prefix/bin/morvelin" --no-such-option >/dev/null 2>&1; then echo "unknown option accepted"; fail=1; fi
exit $fail
