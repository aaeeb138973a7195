#!/usr/bin/env bash
# Renders the SVG sources in src/ into the PNGs the program compiles in: each picture at 22 px and at 44 px
# (the "@2x" file Qt picks on high-density screens), and the program's icon at the sizes of the icon theme.
# Needs rsvg-convert (Debian: librsvg2-bin). Run it after changing a source and commit the results.
set -euo pipefail
cd "$(dirname "$0")"
for svg in src/*.svg; do
    name=$(basename "$svg" .svg)
    [ "$name" = vireo ] || [ "$name" = panelbackground ] && continue
    rsvg-convert -w 22 -h 22 "$svg" -o "$name.png"
    rsvg-convert -w 44 -h 44 "$svg" -o "$name@2x.png"
done
mkdir -p icons
for size in 16 22 24 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" src/vireo.svg -o "icons/vireo-$size.png"
done
# The program's picture in the about box and the reminders.
rsvg-convert -w 300 -h 300 src/vireo.svg -o app.png
# The background of the styled panels and lists, repeated sideways.
rsvg-convert -w 16 -h 600 src/panelbackground.svg -o panelbackground.png
