#!/usr/bin/env bash
# Installs what is missing, builds everything with warnings as errors, runs every test
# headless, then builds the core with AddressSanitizer + UndefinedBehaviorSanitizer and runs
# its tests again.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh

jobs=$(nproc)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBV_WERROR=ON
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure)

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBV_WERROR=ON -DBV_CORE_ONLY=ON -DBV_SANITIZE=ON
cmake --build build-asan -j"$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure)
