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
# Where the machine may be changed (CI sets MORVELIN_PACKAGE_APT=1 and runs as root), apt installs the
# package as a user would, with its dependencies; the installed tool makes the demo disc and the
# installed program opens it on a virtual screen. The package is removed again afterwards.
if [[ ${MORVELIN_PACKAGE_APT:-0} == 1 ]]; then
    if [[ $(id -u) != 0 ]] || ! command -v apt-get >/dev/null; then
        echo "MORVELIN_PACKAGE_APT=1 needs root and apt-get"; exit 1
    fi
    if [[ $(dpkg-query -W -f='${Status}' morvelin 2>/dev/null) == *" installed" ]]; then
        echo "morvelin is installed on this machine already: the apt check leaves it alone"; exit 1
    fi
    settings_before=$([[ -e /usr/bin/Morvelin.ini ]] && echo yes || echo no)
    xvfb_pid=""
    remove_package() {
        [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
        apt-get purge -y morvelin >/dev/null 2>&1 || true
        # The program writes its settings beside itself where it may (root may write /usr/bin).
        [[ $settings_before == no ]] && rm -f /usr/bin/Morvelin.ini
        rm -rf "$work"
    }
    trap remove_package EXIT
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$deb" >"$work/apt.log" 2>&1 ||
        { echo "apt-get could not install the package:"; tail -20 "$work/apt.log"; exit 1; }
    [[ $(/usr/bin/morvelin --version) == "morvelin $version" ]] || { echo "the installed morvelin is not $version"; fail=1; }
    (cd "$work" && HOME="$work/home" /usr/bin/morvelin-disc demo "$work/apt-demo" >"$work/apt-demo.log" 2>&1) ||
        { echo "the installed tool could not make the demo disc:"; cat "$work/apt-demo.log"; exit 1; }
    exec {display_fd}<> <(:)
    Xvfb -displayfd "$display_fd" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    read -r -t 60 number <&"$display_fd" || { echo "Xvfb did not start"; exit 1; }
    mkdir -p "$work/home" "$work/runtime" && chmod 700 "$work/runtime"
    DISPLAY=":$number" HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/home/.config" \
        /usr/bin/morvelin "$work/apt-demo" >"$work/program.log" 2>&1 &
    program=$!
    if DISPLAY=":$number" timeout 300 xdotool search --sync --onlyvisible --name '^Sarovan Bird Sounds 3\.14' >/dev/null; then
        echo "the installed program opened the demo disc the installed tool made"
    else
        echo "the installed program showed no main window on the demo disc:"; cat "$work/program.log"; fail=1
    fi
    kill -TERM "$program" 2>/dev/null; wait "$program" 2>/dev/null || true
fi
exit $fail
