#!/bin/sh
# Renders the hicolor PNG sizes of the program icon from its SVG. Run by
# hand when the SVG changes and commit the PNG files: the build and the
# packages only copy them (rsvg-convert comes from Debian's librsvg2-bin).
set -e
cd "$(dirname "$0")/../packaging/icons"
for size in 16 24 32 48 64 128 256; do
  mkdir -p "${size}x${size}"
  rsvg-convert -w "$size" -h "$size" zrl-decoder.svg -o "${size}x${size}/zrl-decoder.png"
done
