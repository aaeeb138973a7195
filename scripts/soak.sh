#!/usr/bin/env bash
# The soak run: 500 tracks of 0.3 s played through by themselves, then 200 drops; prints memory and whether
# every track ended exactly once. Takes about five minutes. Not part of the test command.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target soak
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share QT_QPA_PLATFORM=offscreen \
    QT_LOGGING_RULES="*.debug=false" VIREO_AUDIO_SINK="fakesink sync=true" build/bin/soak --soak
