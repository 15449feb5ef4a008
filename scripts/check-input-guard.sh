#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks from outside that input meant for one file never acts on the next one: a file search
# with the verification window on, over f1.txt ... f5.txt, driven with xdotool under Xvfb and
# openbox. The window comes back for the next file at once and in the same place, so
#   - a double-click on Delete with no gap between the clicks,
#   - a double-click on Delete with 350 ms between the clicks,
#   - Alt+D held for three seconds with a fast key repeat,
# must each remove exactly one file, and the log must say so. f4 and f5 are then kept (Ignore).
#
# Usage: scripts/check-input-guard.sh [build-dir] [display-number]
#        (default: build, and a display number the X server picks)
# Needs: xvfb openbox xdotool x11-utils x11-xserver-utils
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
display_number=${2:-}

for tool in Xvfb openbox xdotool xprop xwininfo xset; do
    command -v "$tool" >/dev/null ||
        { echo "check-input-guard: $tool is missing (apt-get install xvfb openbox xdotool x11-utils x11-xserver-utils)" >&2; exit 1; }
done
[ -x "$build/brisvane" ] || { echo "check-input-guard: build brisvane first ($build/brisvane)" >&2; exit 1; }

work=$(mktemp -d)
xvfb_pid=
wm_pid=
app_pid=
cleanup() {
    for pid in $app_pid $wm_pid $xvfb_pid; do
        if kill "$pid" 2>/dev/null; then
            wait "$pid" 2>/dev/null || true
        fi
    done
    [ -n "${KEEP_APP_LOG:-}" ] && cp "$work/app.log" "$KEEP_APP_LOG"
    rm -rf "$work"
}
trap cleanup EXIT

if [ -n "$display_number" ]; then
    Xvfb ":$display_number" -screen 0 1280x1024x24 -nolisten tcp 2>"$work/xvfb.log" &
    xvfb_pid=$!
    echo "$display_number" >"$work/display"
    sleep 0.5 # a server already running there makes this one end at once
else
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
    xvfb_pid=$!
fi
tries=0
until [ -s "$work/display" ] && xprop -display ":$(head -1 "$work/display")" -root >/dev/null 2>&1; do
    tries=$((tries + 1))
    if [ $tries -ge 200 ] || ! kill -0 "$xvfb_pid" 2>/dev/null; then
        cat "$work/xvfb.log" >&2
        exit 1
    fi
    sleep 0.05
done
kill -0 "$xvfb_pid" 2>/dev/null || { cat "$work/xvfb.log" >&2; exit 1; }
DISPLAY=":$(head -1 "$work/display")"
export DISPLAY
openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm_pid=$!
tries=0
until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
    tries=$((tries + 1))
    [ $tries -lt 200 ] || { echo "check-input-guard: openbox did not start" >&2; exit 1; }
    sleep 0.05
done
# A key held down repeats after 250 ms, 30 times a second: faster than anyone reads a file name.
xset r on
xset r rate 250 30

home="$work/home"
tree="$home/tree"
mkdir -p "$tree" "$home/.local/share" "$home/.config"
for n in 1 2 3 4 5; do
    echo "file $n" >"$tree/f$n.txt"
done
touch -a -d 2025-03-14 "$tree"/*.txt
(cd "$home" && exec env HOME="$home" XDG_DATA_HOME="$home/.local/share" XDG_CONFIG_HOME="$home/.config" \
    QT_QPA_PLATFORM=xcb "$build/brisvane" "$tree") >"$work/app.log" 2>&1 &
app_pid=$!

key() {
    xdotool key --clearmodifiers "$1"
    sleep 0.2
}
present() { # the names of f1..f5 still in the tree
    local n out=''
    for n in 1 2 3 4 5; do
        [ -e "$tree/f$n.txt" ] && out="$out f$n"
    done
    echo "${out# }"
}
fail() {
    echo "FAIL: $*" >&2
    echo "--- log" >&2
    cat "$home/.local/share/Brisvane/temp.bv" >&2 2>/dev/null || true
    exit 1
}
expect() { # what should be left, what happened
    sleep 1.2
    local left
    left=$(present)
    [ "$left" = "$1" ] || fail "$2: left '$left', expected '$1'"
    echo "ok: $2: left $left"
}

main=$(timeout 20 xdotool search --sync --onlyvisible --name '^Brisvane!$' | head -1)
sleep 0.5
key F2
key Tab
xdotool type --delay 20 '*.txt'
key Tab
key Tab
xdotool type --delay 20 "haven't been used"
key Tab
xdotool type --delay 20 '2026-01-01'
key Tab
key alt+b
verify=$(timeout 20 xdotool search --sync --onlyvisible --name '^Verification Window$' | head -1)
sleep 1

# The Delete button's middle: 3630 + 1125 / 2, 1410 + 405 / 2 twips from the client area's corner.
corner=$(xwininfo -id "$verify" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} END {print x, y}')
read -r x y <<<"$corner"
xdotool mousemove $((x + (3630 + 562) / 15)) $((y + (1410 + 202) / 15))
sleep 0.5

xdotool click --repeat 2 --delay 0 1
expect "f2 f3 f4 f5" "double-click on Delete, no gap"
xdotool click --repeat 2 --delay 350 1
expect "f3 f4 f5" "double-click on Delete, 350 ms apart"
xdotool keydown alt+d
sleep 3
xdotool keyup alt+d
expect "f4 f5" "Alt+D held for 3 s"
key alt+i
sleep 0.6 # f5 comes up at once: a key pressed sooner would not count
key alt+i
sleep 1
[ "$(present)" = "f4 f5" ] || fail "Ignore removed a file"

log="$home/.local/share/Brisvane/temp.bv"
tries=0
until grep -q '^Number of files removed:' "$log" 2>/dev/null || [ $tries -ge 50 ]; do
    tries=$((tries + 1))
    sleep 0.1
done
cr=$'\r'
removed=$(grep -c "^ACTION: Recycle Bin$cr\$" "$log" || true)
ignored=$(grep -c "^ACTION: Ignore$cr\$" "$log" || true)
[ "$removed" = 3 ] || fail "the log records $removed files sent to the Trash, expected 3"
[ "$ignored" = 2 ] || fail "the log records $ignored files ignored, expected 2"
grep -q "^Number of files removed:  3$cr\$" "$log" || fail "the log's count of removed files is not 3"
for n in 1 2 3 4 5; do
    count=$(grep -c "/f$n\.txt$cr\$" "$log" || true)
    [ "$count" = 1 ] || fail "f$n.txt is in the log $count times, expected once"
done
echo "ok: the log records f1, f2, f3 sent to the Trash and f4, f5 ignored, each once, 3 files removed"
