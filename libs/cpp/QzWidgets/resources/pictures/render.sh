#!/usr/bin/env bash
# Renders the framework's button pictures from src/*.svg at their own size. Needs rsvg-convert (librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
for svg in src/*.svg; do
    rsvg-convert "$svg" -o "$(basename "$svg" .svg).png"
done
