#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# brisvane-cli against its references on one tree, side by side in one run, warm cache, the
# sides alternating, best wall time of N runs each (bench/README.md):
#
#   search      brisvane-cli search TREE -t '*.*' --used-since 2099-01-01 --include-hidden
#               (a dry run whose date test no file passes: every file is listed, statted and
#               tested, nothing is printed but the summary) against the bare walk engine with one
#               lstat per file (walk_bench TREE --engine --stat). Target: at most 1.1x.
#   duplicates  brisvane-cli duplicates TREE -t '*.*' --include-hidden > /dev/null (every group
#               read and printed as the review shows it) against
#               LC_ALL=C find TREE -xdev -type f -printf '%f\n' | sort -f | uniq -di > /dev/null.
#               Target: at most 0.4x.
#
# Usage: bench/cli/cli_bench.sh TREE [runs] [build-dir]   (runs default 5, build-dir build-rel)
set -euo pipefail
tree=${1:?usage: cli_bench.sh TREE [runs] [build-dir]}
runs=${2:-5}
build=${3:-build-rel}
cli="$build/brisvane-cli"
engine="$build/bench/walk/walk_bench"
for program in "$cli" "$engine"; do
    [ -x "$program" ] || { echo "cli_bench: $program is missing (ninja -C $build brisvane-cli walk_bench)" >&2; exit 2; }
done
# The command's own data folder and trash: a benchmark never touches the user's.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export HOME=$scratch XDG_DATA_HOME=$scratch/data LC_ALL=C.UTF-8

# best <name> <command...>: runs the command once under /usr/bin/time and keeps, per side, the
# shortest wall time and the shortest CPU time (user + system) in <name>_wall and <name>_cpu.
# With other builds on the machine the CPU times are the steadier measure.
best() {
    local name=$1 wall cpu
    shift
    /usr/bin/time -f '%e %U %S' -o "$scratch/time" "$@" >/dev/null
    read -r wall cpu < <(awk '{ printf "%s %.2f\n", $1, $2 + $3 }' "$scratch/time")
    local w="${name}_wall" c="${name}_cpu"
    if [ -z "${!w}" ] || awk -v t="$wall" -v b="${!w}" 'BEGIN { exit !(t < b) }'; then printf -v "$w" '%s' "$wall"; fi
    if [ -z "${!c}" ] || awk -v t="$cpu" -v b="${!c}" 'BEGIN { exit !(t < b) }'; then printf -v "$c" '%s' "$cpu"; fi
}
search_cli=("$cli" search "$tree" -t '*.*' --used-since 2099-01-01 --include-hidden)
search_engine=("$engine" "$tree" --engine --stat)
dup_cli=("$cli" duplicates "$tree" -t '*.*' --include-hidden)
dup_pipeline=(sh -c 'LC_ALL=C find "$1" -xdev -type f -printf "%f\n" | sort -f | uniq -di' sh "$tree")

# The dry run must see what the engine sees: every file of the tree.
matched=$("$cli" search "$tree" -t '*.*' --used-since 2099-01-01 --include-hidden --json |
    sed -n 's/.*"files_matched":\([0-9]*\).*/\1/p')
walked=$("${search_engine[@]}" | awk '{print $1}')
[ "$matched" = "$walked" ] || { echo "cli_bench: the search looked at $matched files, the engine walked $walked" >&2; exit 1; }

search_wall="" search_cpu="" engine_wall="" engine_cpu="" dup_wall="" dup_cpu="" pipe_wall="" pipe_cpu=""
"${search_cli[@]}" >/dev/null
"${search_engine[@]}" >/dev/null
has_dup=1
"${dup_cli[@]}" >/dev/null 2>&1 || has_dup=0
[ $has_dup = 0 ] || "${dup_pipeline[@]}" >/dev/null
for ((i = 0; i < runs; i++)); do
    best search "${search_cli[@]}"
    best engine "${search_engine[@]}"
    if [ $has_dup = 1 ]; then
        best dup "${dup_cli[@]}"
        best pipe "${dup_pipeline[@]}"
    fi
done
load=$(cut -d' ' -f1 /proc/loadavg)
printf 'tree %s, %s files, best of %d, load average %s\n' "$tree" "$walked" "$runs" "$load"
line() { # line <what> <other side> <target> <wall a> <wall b> <cpu a> <cpu b>
    awk -v w="$1" -v o="$2" -v t="$3" -v a="$4" -v b="$5" -v c="$6" -v d="$7" 'BEGIN {
        printf "%-11s brisvane-cli %6.2f s, %-12s %6.2f s: %.2fx wall; CPU %5.2f s against %5.2f s: %.2fx (target %s)\n",
            w, a, o, b, a / b, c, d, c / d, t }'
}
line search "bare engine" 1.1x "$search_wall" "$engine_wall" "$search_cpu" "$engine_cpu"
if [ $has_dup = 1 ]; then
    line duplicates pipeline 0.4x "$dup_wall" "$pipe_wall" "$dup_cpu" "$pipe_cpu"
else
    echo "duplicates  brisvane-cli duplicates did not run"
fi
