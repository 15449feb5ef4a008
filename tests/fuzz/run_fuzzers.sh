#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds every fuzz target with clang and libFuzzer (plus ASan and UBSan) and runs each one for
# the given number of seconds, starting from its committed corpus.
#
#   tests/fuzz/run_fuzzers.sh SECONDS [BUILD_DIR]      (default build folder: build-fuzz)
#
# New inputs libFuzzer finds go to BUILD_DIR/tests/fuzz/work/<target>, never into the committed
# corpus; a finding (crash, hang over 10 s, allocation over 64 MB) is written to
# BUILD_DIR/tests/fuzz/findings/<target>/ and makes the script fail. Needs clang and
# libclang-rt-14-dev (Debian 12).
set -euo pipefail

seconds=${1:?usage: $0 SECONDS [BUILD_DIR]}
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${2:-$root/build-fuzz}

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DBV_CORE_ONLY=ON -DBV_SANITIZE=ON -DBV_FUZZ=ON >/dev/null
list="$build/tests/fuzz/fuzzers.txt"
targets=()
while read -r binary corpus; do
    targets+=("$(basename "$binary")")
done <"$list"
nice -n 10 cmake --build "$build" --target "${targets[@]}"

status=0
while read -r binary corpus; do
    name=$(basename "$binary")
    work="$build/tests/fuzz/work/$name"
    findings="$build/tests/fuzz/findings/$name"
    mkdir -p "$work" "$findings"
    echo "== $name: $seconds s from $corpus"
    if ! "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 -malloc_limit_mb=64 \
        -print_final_stats=1 -artifact_prefix="$findings/" "$work" "$corpus" \
        >"$build/tests/fuzz/$name.log" 2>&1; then
        echo "!! $name found a problem: see $findings and $build/tests/fuzz/$name.log"
        status=1
    fi
    grep -E "^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)|^#[0-9]+.*DONE" \
        "$build/tests/fuzz/$name.log" || true
    echo "   corpus now $(find "$work" -type f | wc -l) inputs in $work"
done <"$list"
exit $status
