#!/usr/bin/env bash
# Renders the program's icon (data/icons/hicolor/scalable/apps/*.svg) into the PNG sizes that
# desktops and the window's own icon use. Run it after changing the SVG, and commit the PNGs.
# Needs rsvg-convert (Debian package librsvg2-bin).
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
icons=$top/data/icons/hicolor
for svg in "$icons"/scalable/apps/*.svg; do
    name=$(basename "$svg" .svg)
    for size in 16 22 24 32 48 64 128 256; do
        mkdir -p "$icons/${size}x${size}/apps"
        rsvg-convert -w "$size" -h "$size" "$svg" -o "$icons/${size}x${size}/apps/$name.png"
    done
done
