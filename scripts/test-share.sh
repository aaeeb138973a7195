#!/usr/bin/env bash
# Prints how much of the project's code is tests: lines of *.c *.cpp *.h *.sh *.py CMakeLists.txt *.cmake in the files
# git knows, tests being every file under a tests/ folder. We keep the share at a third or less.
set -euo pipefail
cd "$(dirname "$0")/.."
count() { xargs -r -d '\n' cat -- | wc -l; }
files=$(git ls-files -- '*.c' '*.cpp' '*.h' '*.sh' '*.py' '*CMakeLists.txt' '*.cmake')
tests=$(grep -E '(^|/)tests/' <<<"$files" | count)
all=$(count <<<"$files")
awk -v t="$tests" -v a="$all" 'BEGIN {
    printf "tests %d of %d lines (product %d): share %.3f, tests/product %.2f\n", t, a, a - t, t / a, t / (a - t)
    if (t * 3 > a) { print "above a third"; exit 1 }
}'
