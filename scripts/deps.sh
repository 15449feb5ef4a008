#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian 12 packages Brisvane and Quillbar need to build, run and test,
# when any of them is missing. Safe to run again.
set -euo pipefail

packages=(
    # build (librsvg2-bin renders the icons)
    cmake ninja-build g++ pkg-config clang-format
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libglib2.0-dev libgtest-dev libx11-dev libxtst-dev libicu-dev
    librsvg2-bin
    # run
    fonts-liberation shared-mime-info adwaita-icon-theme
    # tests: headless X server and window manager, PDF text extraction
    xvfb xauth openbox x11-utils poppler-utils
    # the package and its checks (man-db for man --warnings)
    dpkg-dev desktop-file-utils appstream lintian man-db
    # fuzzing: clang with libFuzzer and the sanitizer runtimes
    clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
