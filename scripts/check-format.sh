#!/usr/bin/env bash
# Fails when a C++ file differs from the project's .clang-format (run clang-format -i on it).
set -euo pipefail
cd "$(dirname "$0")/.."
files=$(git ls-files -- '*.cpp' '*.h')
if ! out=$(echo "$files" | xargs clang-format --dry-run --Werror 2>&1); then
    echo "$out" | grep -E '^[^ ].*(warning|error):' | sed 's/:[0-9]*:[0-9]*: .*//' | sort -u | sed 's/^/not formatted: /'
    echo "Run: clang-format -i <file> (clang-format $(clang-format --version | grep -o '[0-9][0-9.]*' | head -1))"
    exit 1
fi
