#!/usr/bin/env bash
# Renders every icon of res/icons at 16 and 32 px on white and on light grey, magnified 3 times pixel
# for pixel, and the banner below them, into one PNG to look at:
#   tools/icons/contact-sheet.sh [OUTPUT.png]   (default build/icons-sheet.png)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:-$root/build/icons-sheet.png}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

zoom=3 cell=$((32 * 3 + 16)) label=14
icons=("$root"/res/icons/*.svg)
cols=${COLS:-8}
rows=$(( (${#icons[@]} + cols - 1) / cols ))
# One tile per icon: 16 px on white, 16 px on grey, 32 px on white, 32 px on grey.
tilew=$(( (16 * zoom + 32 * zoom) * 2 + 40 )) tileh=$(( 32 * zoom + label + 12 ))
bannerw=$(rsvg-convert "$root/res/banner.svg" | file - | sed -E 's/.* ([0-9]+) x ([0-9]+).*/\1/')
bannerh=$(rsvg-convert "$root/res/banner.svg" | file - | sed -E 's/.* ([0-9]+) x ([0-9]+).*/\2/')
width=$(( cols * tilew + 20 )) height=$(( rows * tileh + 50 + bannerh * 3 ))

b64() { base64 -w0 "$1"; }
{
  echo "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink' width='$width' height='$height'>"
  echo "<rect width='100%' height='100%' fill='#FFFFFF'/>"
  i=0
  for svg in "${icons[@]}"; do
    name=$(basename "$svg" .svg)
    rsvg-convert -w 16 -h 16 "$svg" -o "$tmp/$name-16.png"
    rsvg-convert -w 32 -h 32 "$svg" -o "$tmp/$name-32.png"
    x=$(( 10 + (i % cols) * tilew )) y=$(( 10 + (i / cols) * tileh ))
    echo "<text x='$x' y='$(( y + 11 ))' font-family='sans-serif' font-size='11' fill='#333'>$name</text>"
    y=$(( y + label ))
    cx=$x
    for size in 16 32; do
      for bg in '#FFFFFF' '#E6E6E6'; do
        s=$(( size * zoom ))
        echo "<rect x='$cx' y='$y' width='$s' height='$s' fill='$bg' stroke='#CCCCCC' stroke-width='0.5'/>"
        echo "<image x='$cx' y='$y' width='$s' height='$s' style='image-rendering:pixelated' image-rendering='optimizeSpeed' xlink:href='data:image/png;base64,$(b64 "$tmp/$name-$size.png")'/>"
        cx=$(( cx + s + 10 ))
      done
    done
    i=$(( i + 1 ))
  done
  y=$(( 20 + rows * tileh ))
  rsvg-convert "$root/res/banner.svg" -o "$tmp/banner.png"
  echo "<image x='10' y='$y' width='$bannerw' height='$bannerh' xlink:href='data:image/png;base64,$(b64 "$tmp/banner.png")'/>"
  echo "<image x='10' y='$(( y + bannerh + 10 ))' width='$(( bannerw * 2 ))' height='$(( bannerh * 2 ))' style='image-rendering:pixelated' image-rendering='optimizeSpeed' xlink:href='data:image/png;base64,$(b64 "$tmp/banner.png")'/>"
  echo "</svg>"
} > "$tmp/sheet.svg"
mkdir -p "$(dirname "$out")"
rsvg-convert "$tmp/sheet.svg" -o "$out"
echo "$out"
