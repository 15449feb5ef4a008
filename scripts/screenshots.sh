#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes the pictures of every window for the README and the AppStream metainfo, at 100 % and at
# 200 % (QT_SCALE_FACTOR=2, saved as NAME-200.png), into docs/screenshots.
#
# With --dark it takes the 100 % pictures again under a dark desktop theme (Qt's GTK platform
# theme with Adwaita-dark, package qt6-gtk-platformtheme) into docs/screenshots/dark, and tells
# for each how many pixels differ from the default one: the windows keep their designed look
# whatever the theme, so only text drawn in the desktop's font may differ.
#
# Each picture is taken on an X server of its own (Xvfb on SCREENSHOT_DISPLAY, or a free display)
# with openbox as window manager, both stopped by their process ids. The programs run from the
# build tree with a private home folder holding a small demonstration tree, and are driven with
# xdotool the way a user would: F2 to F6, typing, buttons' keyboard shortcuts, a right click.
#
# Usage: [SCREENSHOT_DISPLAY=N] scripts/screenshots.sh [--dark] [build-dir]
#        (default: build, with brisvane and quillbar built)
# Needs: xvfb openbox xdotool imagemagick x11-utils (and qt6-gtk-platformtheme for --dark)
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
dark=false
if [ "${1:-}" = --dark ]; then
    dark=true
    shift
fi
build=$(cd "${1:-build}" && pwd)
out="$top/docs/screenshots"
default_out=$out
# The theme the programs meet: none (Qt's own default) or the dark GTK one.
theme=(-u QT_QPA_PLATFORMTHEME -u GTK_THEME QT_STYLE_OVERRIDE=)
scales="1 2"
if $dark; then
    ls /usr/lib/*/qt6/plugins/platformthemes/libqgtk3.so >/dev/null 2>&1 ||
        { echo "screenshots: Qt's GTK platform theme is missing (apt-get install qt6-gtk-platformtheme)" >&2; exit 1; }
    theme=(QT_QPA_PLATFORMTHEME=gtk3 GTK_THEME=Adwaita:dark)
    out="$out/dark"
    scales=1
fi

for tool in Xvfb openbox xdotool import xprop; do
    command -v "$tool" >/dev/null ||
        { echo "screenshots: $tool is missing (apt-get install xvfb openbox xdotool imagemagick x11-utils)" >&2; exit 1; }
done
for program in brisvane charbar/quillbar; do
    [ -x "$build/$program" ] || { echo "screenshots: build $program first ($build/$program)" >&2; exit 1; }
done
mkdir -p "$out"

# A fixed, plain folder, so the paths in the pictures read like a user's.
work=${TMPDIR:-/tmp}/brisvane-demo
rm -rf "$work"
mkdir -p "$work"
xvfb_pid=
wm_pid=
app_pid=
stop_session() {
    for pid in $app_pid $wm_pid $xvfb_pid; do
        if kill "$pid" 2>/dev/null; then
            wait "$pid" 2>/dev/null || true
        fi
    done
    app_pid=''
    wm_pid=''
    xvfb_pid=''
}
trap 'stop_session; rm -rf "$work"' EXIT

# A demonstration home: a Downloads folder with files nobody has used for a while. Quillbar has no
# settings yet: it shows what a first start shows.
make_home() {
    home="$work/alex"
    rm -rf "$home"
    mkdir -p "$home/Downloads/installers" "$home/Downloads/old photos" "$home/.local/share" "$home/.config"
    local f
    for f in setup-notes.tmp draft.tmp "old photos/scan 01.tmp" "old photos/scan 02.tmp" installers/cache.tmp \
        report.txt installers/readme.txt; do
        head -c $((2000 + ${#f} * 700)) /dev/zero >"$home/Downloads/$f"
    done
    find "$home/Downloads" -type f -exec touch -a -d 2025-03-14 {} +
}

start_session() { # scale
    scale=$1
    local size=1280x900x24
    [ "$scale" = 2 ] && size=2560x1800x24
    rm -f "$work/display"
    # SCREENSHOT_DISPLAY=N takes display :N (on a machine shared with other X servers), else the
    # server picks a free one.
    Xvfb ${SCREENSHOT_DISPLAY:+":$SCREENSHOT_DISPLAY"} -displayfd 3 -screen 0 "$size" -wr -nolisten tcp \
        3>"$work/display" 2>"$work/xvfb.log" &
    xvfb_pid=$!
    local tries=0
    until [ -s "$work/display" ]; do
        tries=$((tries + 1))
        if [ $tries -ge 200 ] || ! kill -0 "$xvfb_pid" 2>/dev/null; then
            cat "$work/xvfb.log" >&2
            exit 1
        fi
        sleep 0.05
    done
    DISPLAY=":$(head -1 "$work/display")"
    export DISPLAY
    openbox --sm-disable >"$work/openbox.log" 2>&1 &
    wm_pid=$!
    tries=0
    until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
        tries=$((tries + 1))
        [ $tries -lt 200 ] || { echo "screenshots: openbox did not start" >&2; exit 1; }
        sleep 0.05
    done
    make_home
}

start_app() { # program [args...]
    local program=$1
    shift
    (cd "$home" && exec env "${theme[@]}" HOME="$home" XDG_DATA_HOME="$home/.local/share" \
        XDG_CONFIG_HOME="$home/.config" QT_SCALE_FACTOR="$scale" QT_QPA_PLATFORM=xcb "$build/$program" "$@") \
        >"$work/app.log" 2>&1 &
    app_pid=$!
}

window_named() { # regular expression for the title: the window's id once it is shown
    timeout 20 xdotool search --sync --onlyvisible --name "$1" | head -1
}

shot() { # window id, picture name: the window with its frame, once it has settled
    sleep 0.8
    local file="$out/$2.png"
    [ "$scale" = 2 ] && file="$out/$2-200.png"
    import -window "$1" -frame "$file"
    echo "screenshots: $(basename "$file")"
}

keys() { # keys for the focused window, a moment apart
    local k
    for k in "$@"; do
        xdotool key --clearmodifiers "$k"
        sleep 0.15
    done
}

# Brisvane started with a folder: the file search filled in, the verification window, the log.
file_search() {
    start_app brisvane "$home/Downloads"
    local main
    main=$(window_named '^Brisvane!$')
    shot "$main" main-window
    keys F2 Tab
    xdotool type --delay 20 '*.tmp'
    keys Tab Tab
    xdotool type --delay 20 "haven't been used"
    keys Tab
    xdotool type --delay 20 '2026-01-01'
    keys Tab
    shot "$main" file-search
    keys alt+b
    shot "$(window_named '^Verification Window$')" verification
    # Send the first file to the Trash, keep the others.
    keys alt+d
    local n=0
    while sleep 0.5 && [ "$(xdotool getactivewindow getwindowname)" = "Verification Window" ] && [ $n -lt 20 ]; do
        keys alt+i
        n=$((n + 1))
    done
    shot "$main" file-search-done
    keys alt+v
    shot "$main" log-view
}

# A panel or a tools window opened by its key; the active window is what opened.
feature() { # key, picture name
    start_app brisvane "$home/Downloads"
    window_named '^Brisvane!$' >/dev/null
    keys "$1"
    sleep 0.7
    shot "$(xdotool getactivewindow)" "$2"
}

quillbar() {
    start_app charbar/quillbar
    local bar
    bar=$(timeout 20 xdotool search --sync --onlyvisible --classname quillbar | head -1)
    shot "$bar" quillbar
    # The popup menu of the first button: a right click in its middle (3 px frame, 12 px strip),
    # pictured with the bar: the box around every window Quillbar shows.
    eval "$(xdotool getwindowgeometry --shell "$bar")"
    xdotool mousemove $((X + 12 * scale)) $((Y + 24 * scale)) click 3
    sleep 0.8
    local left=99999 top=99999 right=0 bottom=0 w
    for w in $(xdotool search --onlyvisible --classname quillbar); do
        eval "$(xdotool getwindowgeometry --shell "$w")"
        left=$((X < left ? X : left))
        top=$((Y < top ? Y : top))
        right=$((X + WIDTH > right ? X + WIDTH : right))
        bottom=$((Y + HEIGHT > bottom ? Y + HEIGHT : bottom))
    done
    local file="$out/quillbar-menu.png"
    [ "$scale" = 2 ] && file="$out/quillbar-menu-200.png"
    import -window root -crop "$((right - left + 8))x$((bottom - top + 8))+$((left - 4))+$((top - 4))" +repage "$file"
    echo "screenshots: $(basename "$file")"
    keys a
    shot "$(window_named '^Quillbar$')" quillbar-dialog
}

for s in $scales; do
    for job in file_search "feature F3 duplicates" "feature F4 disk-space" "feature F5 cluster-overhang" \
        "feature F6 quick-clean" quillbar; do
        start_session "$s"
        $job
        stop_session
    done
done

if $dark; then
    for picture in "$out"/*.png; do
        name=$(basename "$picture")
        [ -f "$default_out/$name" ] || continue
        # compare prints the count of differing pixels on stderr and exits 1 when there are any.
        differ=$(compare -metric AE "$default_out/$name" "$picture" null: 2>&1 || true)
        echo "screenshots: dark/$name differs from $name in $differ pixels"
    done
fi
