#!/usr/bin/env bash
# Draws the program's pictures with ImageMagick; the outputs are committed
# beside this script and compiled into the resources.
#   globe.ico    blue seas, yellow continents (16, 32 and 48 pixels)
#   purvane.ico  the program's icon: a blue shield with a white cross
#   brand.bmp    the maker's brand, 210 x 40, on the light-grey band
set -euo pipefail
cd "$(dirname "$0")"
globe() { # SIZE OUT
  convert -size 96x96 xc:none -fill '#1E5AC8' -stroke '#0A2A70' -strokewidth 3 -draw 'circle 48,48 48,3' \
    -stroke none -fill '#F0C818' \
    -draw 'polygon 22,24 40,16 50,26 44,40 30,44 20,36' \
    -draw 'polygon 56,50 74,46 80,60 70,80 58,74 54,62' \
    -draw 'polygon 60,14 72,18 70,28 60,26' \
    -draw 'polygon 18,56 30,58 34,70 24,74 16,66' \
    -resize "$1x$1" "$2"
}
shield() { # SIZE OUT
  convert -size 96x96 xc:none -fill '#1C4FA8' -stroke '#0A2A70' -strokewidth 3 \
    -draw 'path "M 48,4 L 86,18 C 86,54 72,78 48,92 C 24,78 10,54 10,18 Z"' \
    -stroke none -fill white -draw 'rectangle 42,22 54,74' -draw 'rectangle 24,40 72,52' \
    -resize "$1x$1" "$2"
}
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
for s in 16 32 48; do globe $s "$tmp/g$s.png"; shield $s "$tmp/s$s.png"; done
convert "$tmp/g16.png" "$tmp/g32.png" "$tmp/g48.png" globe.ico
convert "$tmp/s16.png" "$tmp/s32.png" "$tmp/s48.png" purvane.ico
convert -size 210x40 xc:'rgb(240,240,240)' -fill '#1C4FA8' -draw 'roundrectangle 2,4 36,36 6,6' \
  -fill white -font DejaVu-Sans-Bold -pointsize 22 -draw "text 9,29 'G'" \
  -fill '#1C4FA8' -pointsize 24 -draw "text 44,30 'Garvex'" \
  -fill '#707070' -font DejaVu-Sans -pointsize 10 -draw "text 152,30 'logiciels'" \
  -type TrueColor BMP3:brand.bmp
