#!/usr/bin/env bash
# Draws the runtime's default application icon (a two-by-two mosaic of tiles
# on a rounded square) and writes it, in the sizes the shell asks for, to
# runtime.ico beside this script. The icon is committed; run this again only
# to change it. Needs ImageMagick 6 (convert).
#
# usage: make_icon.sh [OUTPUT.ico]
set -euo pipefail
out=${1:-"$(dirname "$0")/runtime.ico"}
# 256 pixels is stored as PNG, the smaller sizes as 32-bit bitmaps; 8 bits a
# channel and no metadata keep the file small and the same on every run.
convert -size 256x256 xc:none \
  -fill '#1f4e79' -draw 'roundrectangle 8,8 247,247 40,40' \
  -fill '#f2a93b' -draw 'roundrectangle 36,36 122,122 14,14' \
  -fill '#e8eef5' -draw 'roundrectangle 133,36 219,122 14,14' \
  -fill '#e8eef5' -draw 'roundrectangle 36,133 122,219 14,14' \
  -fill '#4fb3bf' -draw 'roundrectangle 133,133 219,219 14,14' \
  -strip -depth 8 -define icon:auto-resize=256,48,32,24,16 "ico:$out"
