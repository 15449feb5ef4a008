#!/usr/bin/env bash
# brisvane-cli against its references on one tree, side by side in one run, warm cache, the
# sides alternating, best wall time of N runs each (bench/README.md):
#
#   search      brisvane-cli search TREE -t '*.*' --used-since 2099-01-01 --include-hidden
#               (a dry run whose date test no file passes: every file is listed, statted and
#               tested, nothing is printed but the summary) against the bare walk engine with one
#               lstat per file (walk_bench TREE --engine --stat). Target: at most 1.1x.
#   duplicates  brisvane-cli duplicates TREE -t '*.*' > /dev/null against
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

now() { date +%s.%N; }
# best <variable> <command...>: runs the command once, keeps the shorter wall time in <variable>.
best() {
    local var=$1 start end took
    shift
    start=$(now)
    "$@" >/dev/null
    end=$(now)
    took=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')
    if [ -z "${!var}" ] || awk -v t="$took" -v b="${!var}" 'BEGIN { exit !(t < b) }'; then
        printf -v "$var" '%s' "$took"
    fi
}
search_cli() { "$cli" search "$tree" -t '*.*' --used-since 2099-01-01 --include-hidden; }
search_engine() { "$engine" "$tree" --engine --stat; }
dup_cli() { "$cli" duplicates "$tree" -t '*.*'; }
dup_pipeline() { LC_ALL=C find "$tree" -xdev -type f -printf '%f\n' | sort -f | uniq -di; }

# The dry run must see what the engine sees: every file of the tree.
matched=$("$cli" search "$tree" -t '*.*' --used-since 2099-01-01 --include-hidden --json |
    sed -n 's/.*"files_matched":\([0-9]*\).*/\1/p')
walked=$(search_engine | awk '{print $1}')
[ "$matched" = "$walked" ] || { echo "cli_bench: the search looked at $matched files, the engine walked $walked" >&2; exit 1; }

cli_s="" engine_s="" dup_s="" pipe_s=""
search_cli >/dev/null
search_engine >/dev/null
has_dup=1
dup_cli >/dev/null 2>&1 || has_dup=0
[ $has_dup = 0 ] || dup_pipeline >/dev/null
for ((i = 0; i < runs; i++)); do
    best cli_s search_cli
    best engine_s search_engine
    if [ $has_dup = 1 ]; then
        best dup_s dup_cli
        best pipe_s dup_pipeline
    fi
done
load=$(cut -d' ' -f1 /proc/loadavg)
printf 'tree %s, %s files, best of %d, load average %s\n' "$tree" "$walked" "$runs" "$load"
awk -v a="$cli_s" -v b="$engine_s" 'BEGIN { printf "search      brisvane-cli %7.3f s  bare engine %7.3f s  %.2fx (target 1.1x)\n", a, b, a / b }'
if [ $has_dup = 1 ]; then
    awk -v a="$dup_s" -v b="$pipe_s" 'BEGIN { printf "duplicates  brisvane-cli %7.3f s  pipeline    %7.3f s  %.2fx (target 0.4x)\n", a, b, a / b }'
else
    echo "duplicates  brisvane-cli duplicates did not run"
fi
