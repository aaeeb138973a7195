#!/usr/bin/env bash
# The soak run: 500 tracks of 0.3 s played through by themselves, then 200 drops; prints memory and whether
# every track ended exactly once. Takes about five minutes. Not part of the test command.
set -euo pipefail
source "$(dirname "$0")/session-env.sh"
build/bin/soak --soak
