#!/usr/bin/env bash
# Draws the application icon (skyloom.ico: 16, 24, 32, 48 and 64 pixels) with ImageMagick: a sky-blue tile with a
# white cloud and three threads woven through it. Run it again after changing the drawing; the .ico is committed.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
convert -size 256x256 xc:none \
    -fill 'gradient:#1f6fc5-#8cc8ff' \
    \( -size 256x256 gradient:'#8cc8ff'-'#1f6fc5' \) -delete 0 \
    \( -size 256x256 xc:none -fill white -draw 'roundrectangle 8,8 247,247 44,44' \) \
    -compose DstIn -composite \
    -fill white -stroke none \
    -draw 'circle 96,132 96,84' -draw 'circle 152,112 152,52' -draw 'circle 196,146 196,110' \
    -draw 'roundrectangle 52,132 224,184 26,26' \
    -stroke '#0b3d7a' -strokewidth 12 -fill none \
    -draw 'path "M 28,206 C 80,176 120,236 168,206 S 236,186 232,200"' \
    -stroke '#f2b705' -strokewidth 10 \
    -draw 'path "M 28,226 C 84,200 124,252 172,224 S 236,210 230,222"' \
    -stroke '#2aa84a' -strokewidth 10 \
    -draw 'path "M 36,186 C 84,160 124,212 170,186 S 228,172 226,180"' \
    "$tmp/icon.png"
for s in 16 24 32 48 64; do
    convert "$tmp/icon.png" -resize ${s}x${s} "$tmp/icon-$s.png"
done
# The sizes up to 32 pixels as 32-bit bitmaps, the larger ones PNG-compressed (pack-icon.py).
convert "$tmp"/icon-16.png "$tmp"/icon-24.png "$tmp"/icon-32.png "$tmp/small.ico"
for s in 48 64; do
    convert "$tmp/icon-$s.png" -strip -define png:exclude-chunks=date,time png32:"$tmp/large-$s.png"
done
./pack-icon.py skyloom.ico "$tmp/small.ico" "$tmp/large-48.png" "$tmp/large-64.png"
