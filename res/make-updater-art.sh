#!/usr/bin/env bash
# Draws the updater's pictures with ImageMagick: the icon of the upgrade question (updater.ico, 16/32/48 pixels: a
# green arrow pointing down into a tray on a blue disc) and the side picture of the main window's upgrade wizard
# (wizard.bmp, 118 x 218: a sky gradient with the same arrow and cloud). Run it again after changing the drawing; the
# results are committed.
# The picture is stored with a 256-colour palette, uncompressed (the program loads it as a DIB section, which takes no
# run-length encoding): a third of the 24-bit size, no pixel more than 4 levels of 255 away from the drawing.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
convert -size 256x256 xc:none \
    -fill '#1f6fc5' -stroke '#0b3d7a' -strokewidth 8 -draw 'circle 128,128 128,12' \
    -stroke none -fill '#2aa84a' \
    -draw 'polygon 98,40 158,40 158,118 198,118 128,188 58,118 98,118' \
    -fill white -draw 'roundrectangle 54,196 202,222 10,10' \
    "$tmp/icon.png"
for s in 16 32 48; do
    convert "$tmp/icon.png" -resize ${s}x${s} "$tmp/icon-$s.png"
done
# 16 and 32 pixels as 32-bit bitmaps, 48 PNG-compressed (pack-icon.py).
convert "$tmp"/icon-16.png "$tmp"/icon-32.png "$tmp/small.ico"
convert "$tmp/icon-48.png" -strip -define png:exclude-chunks=date,time png32:"$tmp/large-48.png"
./pack-icon.py updater.ico "$tmp/small.ico" "$tmp/large-48.png"
convert -size 118x218 gradient:'#8cc8ff'-'#1f6fc5' \
    -fill white -stroke none \
    -draw 'circle 40,52 40,36' -draw 'circle 64,44 64,24' -draw 'circle 84,56 84,42' \
    -draw 'roundrectangle 22,52 100,72 10,10' \
    -fill '#2aa84a' -stroke '#0b3d7a' -strokewidth 2 \
    -draw 'polygon 46,92 72,92 72,128 92,128 59,164 26,128 46,128' \
    -fill white -stroke '#0b3d7a' -draw 'roundrectangle 20,172 98,186 5,5' \
    -type TrueColor BMP3:"$tmp/wizard.bmp"
convert "$tmp/wizard.bmp" +dither -colors 256 -type Palette -compress None BMP3:wizard.bmp
