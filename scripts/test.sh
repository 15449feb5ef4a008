#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, checks the formatting and the layers' rules, builds everything with
# warnings as errors and runs every test headless (the probes that show a wrong include failing the
# build among them), builds the Debian package and checks it, then builds again with
# AddressSanitizer + UndefinedBehaviorSanitizer and runs the core and window tests under them,
# and last runs every fuzz target for a bounded time (longer runs: tests/fuzz/run_fuzzers.sh
# SECONDS).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
scripts/check-format.sh
scripts/check-layers.sh

jobs=$(nproc)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBV_WERROR=ON
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure)
scripts/check-package.sh build

# The sanitizer pass: the X11 typing tests already ran above against the real X server; the
# rest runs again under ASan/UBSan. Leaks inside the system's graphics libraries are theirs.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBV_WERROR=ON -DBV_SANITIZE=ON -DBV_CORE_ONLY=OFF
cmake --build build-asan -j"$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    LSAN_OPTIONS="suppressions=$(pwd)/../tests/lsan.supp:print_suppressions=0" \
    ctest --output-on-failure -E '^quill_x11_')

# Every fuzz target, 30 s each from its committed corpus, with clang's libFuzzer under ASan and
# UBSan; a finding fails the run.
tests/fuzz/run_fuzzers.sh 30
