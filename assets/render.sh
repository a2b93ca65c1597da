#!/usr/bin/env bash
# Renders the pictures from their SVG sources: PNG with alpha at the stored sizes, then reduced to
# an indexed palette with full alpha, which decodes several times faster at start-up.
# Needs librsvg2-bin and pngquant.
set -euo pipefail
cd "$(dirname "$0")"
for svg in svg/*.svg; do
  png="$(basename "$svg" .svg).png"
  rsvg-convert "$svg" -o "$png"
  pngquant --quality=90-100 --speed 1 --strip --force --output "$png" "$png"
done
# The program's icon: scalable source plus the fixed sizes desktops look for.
for s in 48 128 256; do
  rsvg-convert -w "$s" -h "$s" icono/org.korval.Korval.svg -o "icono/org.korval.Korval-$s.png"
done
