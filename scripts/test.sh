#!/usr/bin/env bash
# Installs what is missing, builds everything with warnings as errors and runs the whole test suite; then builds
# again with AddressSanitizer and UndefinedBehaviorSanitizer and runs the unit and robustness tests on that build.
# Extra arguments go to the first ctest run (for example -L unit).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIREO_WERROR=ON >/dev/null
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs" "$@")

# Leaks are left to the valgrind run (scripts/memcheck.sh): Qt's and GStreamer's one-time allocations would
# drown this run's report.
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVIREO_WERROR=ON -DVIREO_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure -j"$jobs" -L "unit|robustness")
