#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The layers' rules as a grep sees them (cmake/layers.cmake has the compiler enforce the includes;
# tests/layers shows it): fails, naming each offending line, when
#   - a header of the project is included by a bare name (looked up beside the including file,
#     past the include trees) instead of its path from the source root;
#   - platform/ includes anything above it; common/ a feature or the program;
#   - a feature's core includes a window header, the program (app/) or another feature, or a
#     feature's windows include the program or another feature;
#   - code outside platform/ calls the system's file I/O (open, read, write, unlink, rename, fstat
#     and their relatives) or includes the headers of the system, GIO or X11 it would need for it;
#   - a test fake (a Recording..., Fake... or Scripted... class) is defined outside tests/.
set -uo pipefail
cd "$(dirname "$0")/.."

features=$(for f in */feature.cmake; do dirname "$f"; done | sort)
product="platform common app charbar cli $features"
status=0
report() {
    local what=$1 hits=$2
    if [ -n "$hits" ]; then
        echo "$what:"
        echo "$hits" | sed 's/^/  /'
        status=1
    fi
}
sources() { git ls-files -- $(for d in "$@"; do echo "$d/*.cpp" "$d/*.h"; done); }
search() { # search <extended regex> <folders...>
    local pattern=$1
    shift
    local files
    files=$(sources "$@")
    [ -z "$files" ] || echo "$files" | xargs grep -nE "$pattern" || true
}

report "Included by a bare name" "$(search '^[[:space:]]*#[[:space:]]*include[[:space:]]+"[^/"]+"' $product)"
report "platform/ includes what lies above it" \
    "$(search '#[[:space:]]*include[[:space:]]+"' platform | grep -vE '#[[:space:]]*include[[:space:]]+"platform/')"
report "common/ includes a feature or the program" \
    "$(search '#[[:space:]]*include[[:space:]]+"' common | grep -vE '#[[:space:]]*include[[:space:]]+"(platform|common)/')"
for feature in $features; do
    others=$(echo $features app | tr ' ' '\n' | grep -vx "$feature" | paste -sd'|')
    core=$(git ls-files -- "$feature/*.cpp" "$feature/*.h" | grep -v "^$feature/ui/")
    [ -z "$core" ] || report "$feature/ (its core) includes a window, the program or another feature" \
        "$(echo "$core" | xargs grep -nE "#[[:space:]]*include[[:space:]]+\"(($others)/|[^\"]*/ui/)" || true)"
    report "$feature/ui/ includes the program or another feature" \
        "$(search "#[[:space:]]*include[[:space:]]+\"($others)/" "$feature/ui")"
done
above_platform=$(echo $product | tr ' ' '\n' | grep -vx platform | tr '\n' ' ')
report "Outside platform/: the system's file I/O called directly" \
    "$(search '(^|[^[:alnum:]_.>])::(open|openat|openat2|read|pread|readv|write|pwrite|writev|unlink|unlinkat|rename|renameat|renameat2|fstat|fstatat|fstatvfs|lstat|stat|statx|ftruncate|close)[[:space:]]*\(' $above_platform)"
report "Outside platform/: a system, GIO or X11 header included" \
    "$(search '#[[:space:]]*include[[:space:]]+<(fcntl\.h|unistd\.h|dirent\.h|sys/syscall\.h|linux/[^>]*|gio/[^>]*|glib\.h|X11/[^>]*)>' $above_platform)"
report "A test fake outside tests/" "$(search '^[[:space:]]*(class|struct)[[:space:]]+(Recording|Fake|Scripted)[[:alnum:]_]*' $product)"

[ $status -eq 0 ] && echo "The layers' rules hold."
exit $status
