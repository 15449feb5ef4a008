#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a C++ file differs from the project's .clang-format (run clang-format -i on it), or
# when a source file lacks its SPDX licence line.
set -euo pipefail
cd "$(dirname "$0")/.."
files=$(git ls-files -- '*.cpp' '*.h')
if ! out=$(echo "$files" | xargs clang-format --dry-run --Werror 2>&1); then
    echo "$out" | grep -E '^[^ ].*(warning|error):' | sed 's/:[0-9]*:[0-9]*: .*//' | sort -u | sed 's/^/not formatted: /'
    echo "Run: clang-format -i <file> (clang-format $(clang-format --version | grep -o '[0-9][0-9.]*' | head -1))"
    exit 1
fi

# Every source file names its licence in an SPDX line near its top.
missing=$(git ls-files -- '*.cpp' '*.h' '*.c' '*.sh' '*.cmake' '*CMakeLists.txt' '*.1.in' '*.desktop.in' \
    '*.metainfo.xml.in' '*.html' '*.svg' | grep -v -e '/expected/' -e '^tests/fuzz/corpus/' |
    while IFS= read -r f; do head -n 5 "$f" | grep -q 'SPDX-License-Identifier: ' || echo "$f"; done)
if [ -n "$missing" ]; then
    echo "$missing" | sed 's/^/no SPDX-License-Identifier line: /'
    exit 1
fi
