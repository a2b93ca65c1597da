#!/usr/bin/env bash
# Renders the pictures from their SVG sources at the sizes the window draws them, for device
# pixel ratios 1 and 2 ("<name>-<pixels>.png"), so start-up decodes small pictures and scales
# none. The stored pictures (<name>.png), kept for other ratios, are not rendered again.
# Needs librsvg2-bin.
set -euo pipefail
cd "$(dirname "$0")"
declare -A lado=([bajar]=50 [subir]=50 [copiar_a_hoy]=50 [reloj]=50 [importar]=50
                 [compartir]=50 [color]=49 [izq]=34 [der]=34)
for nombre in "${!lado[@]}"; do
  for px in "${lado[$nombre]}" "$((2 * lado[$nombre]))"; do
    rsvg-convert -w "$px" -h "$px" "svg/$nombre.svg" -o "$nombre-$px.png"
  done
done
# The program's icon: scalable source plus the fixed sizes desktops look for.
for s in 48 128 256; do
  rsvg-convert -w "$s" -h "$s" icono/org.korval.Korval.svg -o "icono/org.korval.Korval-$s.png"
done
