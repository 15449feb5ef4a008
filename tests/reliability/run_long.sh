#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The long variants of the reliability suite and the fuzzers, run by hand (CI runs the short ones):
# more seeded worlds, more killed runs, bigger and deeper inputs, longer fuzzing.
#
#   tests/reliability/run_long.sh [WORLDS [KILLS [BIG_SCALE [FUZZ_SECONDS]]]]
#
# Defaults: 5,000 worlds (seeds from BV_SEED_BASE, default 1000, so not CI's), 40 killed runs,
# inputs 4 times CI's (800,000 entries in a folder, a chain 40,000 deep), 600 s per fuzz target.
# Uses the build folder BUILD_DIR (default build), which must be configured already.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD_DIR:-$root/build}
worlds=${1:-5000}
kills=${2:-40}
scale=${3:-4}
fuzz=${4:-600}

nice -n 10 cmake --build "$build" --target confinement_test killed_run_test big_inputs_test failures_test
(cd "$build" && BV_SEEDS=$worlds BV_SEED_BASE=${BV_SEED_BASE:-1000} BV_KILLS=$kills BV_BIG_SCALE=$scale \
    ctest --output-on-failure -R '^(confinement_test|killed_run_test|big_inputs_test|failures_test)$')
"$root/tests/fuzz/run_fuzzers.sh" "$fuzz"
