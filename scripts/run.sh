#!/usr/bin/env bash
# Installs what is missing, builds the player and starts it in the tray.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target vireo
exec build/bin/vireo "$@"
