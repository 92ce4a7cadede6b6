#!/usr/bin/env bash
# Makes the Debian package from the build and checks it from the outside: its name and dependencies,
# the validators of its menu entry and AppStream file, its manual pages, both programs run from an
# unpacked root, and the demo disc built by the packaged tool from the packaged sources.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb="$work/out/morvelin_${version}_$(dpkg --print-architecture).deb"
[[ -f $deb ]] || { echo "no $deb; made: $(ls "$work/out")"; exit 1; }

depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libavcodec libpulse0 libcdio; do
    [[ $depends == *"$library"* ]] || { echo "Depends lacks $library: $depends"; fail=1; }
done
[[ $(dpkg-deb -f "$deb" Recommends) == *espeak-ng* ]] || { echo "espeak-ng is not recommended"; fail=1; }

root="$work/root"
dpkg-deb -x "$deb" "$root"
for file in usr/bin/morvelin usr/bin/morvelin-disc usr/share/applications/morvelin.desktop \
    usr/share/metainfo/io.github.morvelin.Morvelin.metainfo.xml usr/share/man/man1/morvelin.1 \
    usr/share/man/man1/morvelin-disc.1 usr/share/morvelin/Morvelin.html \
    usr/share/icons/hicolor/48x48/apps/morvelin.png usr/share/morvelin/demo/species.rec; do
    [[ -f $root/$file ]] || { echo "not in the package: $file"; fail=1; }
done
# The media module, loaded by the program on the first use of sound, lies in the library folder.
compgen -G "$root/usr/lib/*/morvelin/libmorvelin_media.so" >/dev/null || compgen -G "$root/usr/lib/morvelin/libmorvelin_media.so" >/dev/null ||
    { echo "not in the package: the media module libmorvelin_media.so"; fail=1; }
desktop-file-validate "$root/usr/share/applications/morvelin.desktop" || fail=1
appstreamcli validate --no-net "$root/usr/share/metainfo/io.github.morvelin.Morvelin.metainfo.xml" >"$work/appstream.log" 2>&1 ||
    { cat "$work/appstream.log"; fail=1; }
for page in morvelin morvelin-disc; do
    LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$root/usr/share/man/man1/$page.1" 2>"$work/man.log" | grep -q "^NAME" ||
        { echo "$page.1 does not render"; cat "$work/man.log"; fail=1; }
done

"$root/usr/bin/morvelin" --version | grep -qx "morvelin $version" || { echo "morvelin --version is wrong"; fail=1; }
"$root/usr/bin/morvelin-disc" --help | grep -q '^usage: morvelin-disc' || { echo "morvelin-disc --help is wrong"; fail=1; }
# Far from any source tree, the packaged tool builds the demo disc from what the package installed.
if command -v ffmpeg >/dev/null && command -v espeak-ng >/dev/null; then
    (cd "$work" && "$root/usr/bin/morvelin-disc" demo "$work/demo" >"$work/demo.log" 2>&1) ||
        { echo "the packaged tool could not build the demo disc:"; cat "$work/demo.log"; fail=1; }
    "$root/usr/bin/morvelin-disc" check "$work/demo" >"$work/check.log" 2>&1 ||
        { echo "the demo disc from the package does not load:"; cat "$work/check.log"; fail=1; }
fi
exit $fail
