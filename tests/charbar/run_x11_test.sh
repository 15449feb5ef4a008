#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs an X11 test on an X server of its own: Xvfb, and openbox when the mode asks for a window
# manager. Both are stopped by their process ids when the test ends, however it ends.
# Usage: run_x11_test.sh nowm|openbox TEST-EXECUTABLE [ARGS...]
set -u
mode=$1
shift

need() {
    if ! command -v "$1" >/dev/null 2>&1; then
        echo "FAIL: $1 is not installed (Debian package $2); this test cannot run without it" >&2
        exit 1
    fi
}
need Xvfb xvfb
[ "$mode" = openbox ] && need openbox openbox

work=$(mktemp -d)
xvfb_pid=
wm_pid=
cleanup() {
    [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null && wait "$wm_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

# -displayfd: the server picks a free display and writes its number once it accepts clients.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
tries=0
while [ ! -s "$work/display" ]; do
    tries=$((tries + 1))
    if [ $tries -gt 200 ] || ! kill -0 "$xvfb_pid" 2>/dev/null; then
        echo "FAIL: Xvfb did not start" >&2
        cat "$work/xvfb.log" >&2
        exit 1
    fi
    sleep 0.05
done
DISPLAY=":$(head -n 1 "$work/display")"
export DISPLAY
unset WAYLAND_DISPLAY QT_QPA_PLATFORM
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

if [ "$mode" = openbox ]; then
    openbox --sm-disable >"$work/openbox.log" 2>&1 &
    wm_pid=$!
    export QUILL_EXPECT_WM=1 # the test waits for the manager to announce itself
fi

"$@"
rc=$?
if [ $rc -ne 0 ] && [ -n "$wm_pid" ]; then
    cat "$work/openbox.log" >&2
fi
exit $rc
