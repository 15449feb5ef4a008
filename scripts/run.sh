#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds Brisvane and starts it from the user's home folder
# (its folder lists start in the current folder).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target brisvane
top=$(pwd)
cd "$HOME"
exec "$top/build/brisvane"
