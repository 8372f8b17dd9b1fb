#!/usr/bin/env bash
# Makes res/kestralon.ico (icon 128) from its drawing: a yellow frame on blue, drawn at 256 pixels
# and reduced to 16, 32 and 48 (the caption, the form and the taskbar at 100 to 200 % scale); the
# 256-pixel image is kept whole, stored as PNG as Windows expects at that size. Run by hand when
# the drawing changes; the result is committed, so a build needs no ImageMagick.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# No dates in the PNG parts: the same drawing gives the same bytes.
png=(-define png:exclude-chunks=date,time +set date:create +set date:modify)
convert -size 256x256 xc:'#1F4E8C' +antialias -fill '#F2C94C' -draw 'rectangle 48,64 215,199' \
  -fill '#1F4E8C' -draw 'rectangle 80,96 183,167' "${png[@]}" "PNG32:$work/256.png"
convert "$work/256.png" -filter point -resize 32x32 "${png[@]}" "PNG32:$work/32.png"
convert "$work/256.png" -resize 48x48 "${png[@]}" "PNG32:$work/48.png"
convert "$work/256.png" -resize 16x16 "${png[@]}" "PNG32:$work/16.png"
convert "$work/32.png" "$work/16.png" "$work/48.png" "$work/256.png" \
  "${png[@]}" "$here/kestralon.ico"
