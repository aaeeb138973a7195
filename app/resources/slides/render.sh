#!/usr/bin/env bash
# Makes the nine introduction slides: SVG from make-slides.py, then JPEG through rsvg-convert and GStreamer's
# encoder (both from Debian: librsvg2-bin, gstreamer1.0-plugins-good).
set -euo pipefail
cd "$(dirname "$0")"
python3 make-slides.py
for svg in src/*.svg; do
    name=$(basename "$svg" .svg)
    rsvg-convert "$svg" -o "/tmp/$name.png"
    gst-launch-1.0 -q filesrc location="/tmp/$name.png" ! pngdec ! videoconvert ! jpegenc quality=88 \
        ! filesink location="$name.jpg"
    rm -f "/tmp/$name.png"
done
