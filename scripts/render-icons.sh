#!/bin/sh
# Renders the application icon's PNG sizes from its SVG, after a change to the SVG. The PNGs are
# committed, so that building needs no SVG renderer. Needs rsvg-convert (Debian librsvg2-bin).
set -eu
cd "$(dirname "$0")/../app/share"
for size in 16 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" brennic.svg -o "icons/brennic-$size.png"
done
