#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from a built tree and checks it as Debian and a user meet it: lintian
# (no error, no warning), its files, its dependencies, its manual pages (man --warnings), its
# copyright file and changelog, its desktop entries and AppStream metainfo (pedantic, no warning),
# its icons, both desktop programs started from a scratch root (--version, --help, and an
# offscreen start ended by SIGTERM), and brisvane-cli run there without a display. Nothing is
# installed on this machine: the package is unpacked into a temporary folder.
#
# Usage: scripts/check-package.sh [build-dir]   (default: build, as scripts/test.sh leaves it)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)

fail() {
    echo "check-package: $*" >&2
    exit 1
}
for tool in cpack dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli lintian man readelf; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/deps.sh installs it)"
done

prefix=$(sed -n 's/^BV_APP_ID_PREFIX:[A-Z]*=//p' "$build/CMakeCache.txt")
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build/CMakeCache.txt")
if [ -z "$prefix" ] || [ -z "$version" ]; then
    fail "$build is not a configured build tree"
fi

start=$(date +%s.%N)
rm -f "$build"/brisvane_*.deb
(cd "$build" && cpack -G DEB >cpack.log 2>&1) || { cat "$build/cpack.log"; fail "cpack failed"; }
deb=$(ls "$build"/brisvane_"$version"_*.deb)
built=$(date +%s.%N)

scratch=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill -KILL "$pid" 2>/dev/null || true; done
    rm -rf "$scratch"
}
trap cleanup EXIT

# Debian's own check of the package. An override would live in packaging/ with its reason.
lintian --fail-on error,warning --info "$deb" >"$scratch/lintian.log" 2>&1 ||
    { cat "$scratch/lintian.log"; fail "lintian finds errors or warnings in the package"; }
grep -v '^running with root privileges' "$scratch/lintian.log" | sed 's/^/check-package: lintian: /' || true

# The files, exactly: a file installed by mistake (a test, a header) fails here too. Every
# program has its manual page and every page its program, so a program added to the package
# without one (or a stray binary) fails.
programs=$(dpkg-deb --contents "$deb" | awk '$6 ~ /^\.\/usr\/bin\/./ {sub(/.*\//, "", $6); print $6}')
expected=(
    ./usr/share/brisvane/brisvane-help.html
    ./usr/share/doc/brisvane/copyright
    ./usr/share/doc/brisvane/changelog.gz
    "./usr/share/applications/$prefix.Brisvane.desktop"
    "./usr/share/applications/$prefix.Quillbar.desktop"
    "./usr/share/metainfo/$prefix.Brisvane.metainfo.xml"
    "./usr/share/metainfo/$prefix.Quillbar.metainfo.xml"
)
for program in $programs; do
    expected+=("./usr/bin/$program" "./usr/share/man/man1/$program.1.gz")
done
for app in brisvane quillbar; do
    expected+=("./usr/share/icons/hicolor/scalable/apps/$app.svg")
    for size in 16 32 48 64 128 256; do
        expected+=("./usr/share/icons/hicolor/${size}x$size/apps/$app.png")
    done
done
printf '%s\n' "${expected[@]}" | sort >"$scratch/expected"
dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ {print $6}' | sort >"$scratch/contents"
diff -u "$scratch/expected" "$scratch/contents" || fail "the package's files differ from the expected list"

# Dependencies: the libraries found by dpkg-shlibdeps, and what the programs use without linking it.
depends=$(dpkg-deb -f "$deb" Depends)
for dep in fonts-liberation shared-mime-info adwaita-icon-theme libqt6widgets6 libglib2.0-0 libxtst6; do
    grep -qE "(^|, )$dep( |,|$)" <<<"$depends" || fail "Depends lacks $dep: $depends"
done
# Every dependency can be met from this machine's package sources (a simulation: nothing changes).
if command -v apt-get >/dev/null; then
    apt-get install --simulate --no-install-recommends "$deb" >"$scratch/apt.log" 2>&1 ||
        { cat "$scratch/apt.log"; fail "apt cannot install the package"; }
fi

root="$scratch/root"
dpkg-deb -x "$deb" "$root"
share="$root/usr/share"

for desktop in "$share"/applications/*.desktop; do
    desktop-file-validate "$desktop" || fail "$desktop is not a valid desktop entry"
    exe=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
    icon=$(sed -n 's/^Icon=//p' "$desktop")
    [ -x "$root/usr/bin/$exe" ] || fail "$desktop starts $exe, which the package lacks"
    [ -f "$share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "$desktop names icon $icon, which the package lacks"
done
# Pedantic, and a warning fails too. What is left are notes: AppStream 0.16 (Debian 12) does not
# know <developer> yet, which the metainfo carries for newer software centres beside the
# <developer_name> of older ones, and it would like component ids in lower case, which would
# rename the desktop entries that menus and panels already know.
appstreamcli validate --pedantic --no-net "$share"/metainfo/*.xml >"$scratch/appstream.log" 2>&1 ||
    { cat "$scratch/appstream.log"; fail "the AppStream metainfo is not valid"; }
if grep -E '^ *[EW]: ' "$scratch/appstream.log"; then
    fail "appstreamcli warns about the AppStream metainfo"
fi
appstreamcli validate-tree --no-net "$root" || fail "the installed tree does not validate"

# The manual pages read without a warning of man or groff; each names its program and the
# version; the changelog's newest entry is this version; the copyright file is machine-readable.
for program in $programs; do
    page="$share/man/man1/$program.1.gz"
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >"$scratch/$program.man") ||
        fail "man cannot show $page"
    [ -z "$warnings" ] || { echo "$warnings"; fail "man warns about $page"; }
    grep -q "^NAME" "$scratch/$program.man" && grep -qF "$version" "$scratch/$program.man" ||
        fail "$page lacks its name section or the version $version"
done
changelog="$share/doc/brisvane/changelog.gz"
gzip -dc "$changelog" >"$scratch/changelog"
[ "$(dpkg-parsechangelog -l "$scratch/changelog" -S Version)" = "$version" ] ||
    fail "the newest entry of $changelog is not $version"
grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/$' \
    "$share/doc/brisvane/copyright" || fail "the copyright file is not in the machine-readable format"

# Each PNG has the size its folder promises (width and height are bytes 16-23 of the file).
for png in "$share"/icons/hicolor/*x*/apps/*.png; do
    size=${png%/apps/*}
    size=${size##*/}
    read -r w h < <(od -An -j16 -N8 -tu1 "$png" | awk '{print $3*256+$4, $7*256+$8}')
    [ "${w}x$h" = "$size" ] || fail "$png is ${w}x$h"
done

# Both desktop programs from the scratch root: versions, the installed help document, a clean start and end.
for app in brisvane quillbar; do
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/$app" --version)
    [ "$out" = "${app^} $version" ] || fail "$app --version says '$out'"
    "$root/usr/bin/$app" --help | grep -qF "$share/brisvane/brisvane-help.html" ||
        fail "$app --help does not find the installed help document"
done

home="$scratch/home"
mkdir -p "$home"

# brisvane-cli from the scratch root, as on a machine without a display: its version and help, no
# widget or X11 library among what it links, and a dry run and a report that work without one.
cli="$root/usr/bin/brisvane-cli"
out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$cli" --version)
[ "$out" = "brisvane-cli (Brisvane) $version" ] || fail "brisvane-cli --version says '$out'"
"$cli" --help | grep -q '^Usage: brisvane-cli COMMAND' || fail "brisvane-cli --help does not show its usage"
if readelf -d "$cli" | grep -E 'NEEDED.*(libQt6(Gui|Widgets)|libX11|libXtst)'; then
    fail "brisvane-cli links a library that needs a display"
fi
mkdir -p "$scratch/tree/sub" && touch "$scratch/tree/sub/a.tmp"
env -u DISPLAY -u WAYLAND_DISPLAY HOME="$home" XDG_DATA_HOME="$home/.local/share" \
    "$cli" search "$scratch/tree" -t '*.tmp' --json >"$scratch/cli.json" ||
    fail "brisvane-cli search failed without a display"
grep -q '"outcome":"listed"' "$scratch/cli.json" && [ -e "$scratch/tree/sub/a.tmp" ] ||
    { cat "$scratch/cli.json"; fail "brisvane-cli search did not list (and only list) the file"; }
env -u DISPLAY -u WAYLAND_DISPLAY "$cli" space "$scratch" >/dev/null || fail "brisvane-cli space failed"
catches_sigterm() { # the program has installed its SIGTERM handler: bit 14 of SigCgt
    local mask
    mask=$(awk '/^SigCgt:/ {print $2}' "/proc/$1/status" 2>/dev/null) || return 1
    [ -n "$mask" ] && (((16#$mask >> 14) & 1))
}
brisvane_ready() { catches_sigterm "$1" && [ -e "$home/.local/share/Brisvane/brisvane.lock" ]; }
quillbar_ready() { catches_sigterm "$1"; }
run_offscreen() { # app: start it, wait until it is ready, end it with SIGTERM, expect exit code 0
    local app=$1 pid rc waited=0
    env -u DISPLAY -u WAYLAND_DISPLAY HOME="$home" XDG_DATA_HOME="$home/.local/share" \
        XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$scratch" QT_QPA_PLATFORM=offscreen \
        "$root/usr/bin/$app" >"$scratch/$app.log" 2>&1 &
    pid=$!
    pids+=("$pid")
    until "${app}_ready" "$pid"; do
        kill -0 "$pid" 2>/dev/null || { cat "$scratch/$app.log"; fail "$app ended by itself"; }
        [ $waited -lt 300 ] || fail "$app did not start within 30 s"
        sleep 0.1
        waited=$((waited + 1))
    done
    kill -TERM "$pid"
    rc=0
    wait "$pid" || rc=$?
    [ $rc -eq 0 ] || { cat "$scratch/$app.log"; fail "$app ended with $rc on SIGTERM"; }
}
# Brisvane removes its lock at a clean end; Quillbar writes its settings.
run_offscreen brisvane
[ ! -e "$home/.local/share/Brisvane/brisvane.lock" ] || fail "brisvane left its lock behind"
run_offscreen quillbar
[ -s "$home/.config/Quillbar/Quillbar.ini" ] || fail "quillbar did not write its settings at its end"

checked=$(date +%s.%N)
awk -v deb="$(basename "$deb")" -v bytes="$(stat -c %s "$deb")" -v a="$start" -v b="$built" -v c="$checked" \
    'BEGIN { printf "check-package: %s (%d bytes) is fine; cpack %.1f s, checks %.1f s\n", deb, bytes, b - a, c - b }'
