#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Shows what a screen reader finds in a window: starts a program on an X server of its own with
# the accessibility bus (AT-SPI) running, prints the tree of its windows as the bus serves it
# (role, name, description, labelled-by, states), then presses each named object in turn through
# the bus, as assistive technology would, and prints the tree again after each press.
#
# Usage: scripts/accessibility-tree.sh PROGRAM [NAME...]
#   scripts/accessibility-tree.sh build/brisvane "File Search" "Disk Space..."
#   scripts/accessibility-tree.sh build/charbar/quillbar "No character assigned" OK
# Needs: xvfb dbus at-spi2-core python3-pyatspi. Not part of the tests: the bus is started and
# stopped here, and a window that opens modally answers the press only once it closes.
set -euo pipefail
program=$(realpath "$1")
shift
for tool in Xvfb dbus-run-session /usr/libexec/at-spi-bus-launcher; do
    command -v "$tool" >/dev/null ||
        { echo "accessibility-tree: $tool is missing (apt-get install xvfb dbus at-spi2-core)" >&2; exit 1; }
done
/usr/bin/python3 -c 'import gi; gi.require_version("Atspi", "2.0")' 2>/dev/null ||
    { echo "accessibility-tree: apt-get install python3-pyatspi" >&2; exit 1; }

work=$(mktemp -d)
xvfb_pid=
trap '[ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; rm -rf "$work"' EXIT
Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
until [ -s "$work/display" ]; do
    kill -0 "$xvfb_pid" 2>/dev/null || { cat "$work/xvfb.log" >&2; exit 1; }
    sleep 0.05
done
export DISPLAY=":$(head -1 "$work/display")"
mkdir -p "$work/home" "$work/run"
chmod 700 "$work/run"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share" \
    XDG_RUNTIME_DIR="$work/run" QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1

cat >"$work/tree.py" <<'PY'
import sys, time
import gi
gi.require_version("Atspi", "2.0")
from gi.repository import Atspi

STATES = [(Atspi.StateType.FOCUSABLE, "focusable"), (Atspi.StateType.FOCUSED, "focused"),
          (Atspi.StateType.SELECTED, "selected"), (Atspi.StateType.SHOWING, "showing")]

def show(node, depth=0):
    role, states = node.get_role_name(), node.get_state_set()
    line = "%s%s \"%s\"" % ("  " * depth, role, node.get_name())
    if node.get_description():
        line += " description=\"%s\"" % node.get_description()
    for relation in node.get_relation_set() or []:
        if relation.get_relation_type() == Atspi.RelationType.LABELLED_BY:
            line += " labelled-by \"%s\"" % relation.get_target(0).get_name()
    flags = [name for state, name in STATES if states.contains(state)]
    print(line + (" [%s]" % ",".join(flags) if flags else ""))
    count = node.get_child_count()
    if role in ("list", "popup menu", "menu") and count > 3:  # long lists: the first entries
        print("%s... %d entries" % ("  " * (depth + 1), count))
        count = 3 if role == "list" else 0
    if not states.contains(Atspi.StateType.SHOWING) and depth > 0:
        count = 0  # hidden panels: their name only
    for i in range(count):
        child = node.get_child_at_index(i)
        if child is not None:
            show(child, depth + 1)

def find(node, name):
    if node.get_name() == name:
        return node
    for i in range(node.get_child_count()):
        child = node.get_child_at_index(i)
        found = child and find(child, name)
        if found:
            return found
    return None

def application():
    for _ in range(100):
        desktop = Atspi.get_desktop(0)
        for i in range(desktop.get_child_count()):
            app = desktop.get_child_at_index(i)
            if app is not None and app.get_child_count() > 0:
                return app
        time.sleep(0.1)
    sys.exit("accessibility-tree: the program did not appear on the accessibility bus")

def showing_windows(app):
    for i in range(app.get_child_count()):
        window = app.get_child_at_index(i)
        if window is not None and window.get_state_set().contains(Atspi.StateType.SHOWING):
            show(window)

Atspi.set_timeout(3000, 3000)
app = application()
showing_windows(app)
for name in sys.argv[1:]:
    target = find(app, name)
    print("\n=== press \"%s\"%s" % (name, "" if target else ": not found"))
    if target:
        try:
            target.do_action(0)
        except gi.repository.GLib.Error:
            pass  # a modal window opened: the press returns when it closes
        time.sleep(1)
        showing_windows(app)
PY

dbus-run-session -- bash -s "$program" "$work/tree.py" "$@" <<'SESSION'
program=$1 tree=$2
shift 2
/usr/libexec/at-spi-bus-launcher --launch-immediately 2>/dev/null &
bus=$!
sleep 0.5
"$program" >/dev/null 2>&1 &
app=$!
/usr/bin/python3 "$tree" "$@" || true
kill "$app" "$bus" 2>/dev/null
wait "$app" "$bus" 2>/dev/null || true
SESSION
