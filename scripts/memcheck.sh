#!/usr/bin/env bash
# valgrind's memcheck over a scripted session (start, drop three files, play, next, pause, play, stop, quit).
# Only leaks that start in the program's own code count; scripts/valgrind.supp says what is suppressed and why.
set -euo pipefail
source "$(dirname "$0")/session-env.sh"
GST_REGISTRY_FORK=no valgrind --tool=memcheck --leak-check=full --show-leak-kinds=definite \
    --errors-for-leak-kinds=definite --suppressions=scripts/valgrind.supp --num-callers=30 --error-exitcode=3 \
    --log-file=build/memcheck.log build/bin/soak --session || status=$?
grep -E "ERROR SUMMARY|definitely lost|indirectly lost|possibly lost|still reachable" build/memcheck.log
if [ "${status:-0}" -ne 0 ]; then
    echo "memcheck found errors:"; cat build/memcheck.log; exit 1
fi
echo "memcheck: no errors and no definite leak outside the suppressed libraries"
