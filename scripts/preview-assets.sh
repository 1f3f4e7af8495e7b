#!/usr/bin/env bash
# Renders the built pictures into one enlarged contact sheet for a quick look:
#   scripts/preview-assets.sh [GAME_DIR] [OUT_PNG]
set -euo pipefail
game=${1:-build/game}
out=${2:-build/asset-preview.png}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for f in "$game"/bmp_unit/*.bmp "$game"/bmp_land/*.bmp; do
  # Pure black is left out in the game, so show the figures over grass green.
  convert "$f" -fill '#4a7a34' -opaque black -scale 800% "$tmp/$(basename "$f" .bmp).png"
done
montage -label '%t' "$tmp"/*.png -tile 6x -geometry +6+6 -background '#3a5a30' "$tmp/units.png"
convert "$game"/bmp_floor/brickold2.bmp "$game"/bmp_floor/grass1.bmp -scale 400% +append "$tmp/floors.png"
convert "$game"/bmp_scr/intro1.bmp -scale 200% "$tmp/title.png"
convert "$tmp/units.png" "$tmp/floors.png" "$tmp/title.png" -background '#3a5a30' -gravity center -append "$out"
echo "$out"
