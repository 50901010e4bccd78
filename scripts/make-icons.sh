#!/usr/bin/env bash
# Draws the program's icon (app/res/morvale.ico: a screen with a red recording dot, 16, 32 and
# 48 pixels) with ImageMagick. The result is committed; run this again only to change it.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
CONVERT=/usr/bin/convert   # ImageMagick's own; another "convert" may come first in PATH
out=$ROOT/app/res/morvale.ico
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Drawn once at 256 pixels and scaled down, so every size has the same picture.
"$CONVERT" -size 256x256 xc:none \
  -fill '#2B5797' -draw 'roundrectangle 12,28 244,196 24,24' \
  -fill '#DDEEFF' -draw 'rectangle 32,48 224,176' \
  -fill '#2B5797' -draw 'rectangle 112,196 144,220' \
  -fill '#2B5797' -draw 'roundrectangle 64,216 192,236 8,8' \
  -fill '#E02020' -stroke '#901010' -strokewidth 6 -draw 'circle 128,112 128,60' \
  "$tmp/big.png"
for size in 16 32 48; do
  "$CONVERT" "$tmp/big.png" -resize ${size}x${size} "$tmp/icon$size.png"
done
"$CONVERT" "$tmp/icon16.png" "$tmp/icon32.png" "$tmp/icon48.png" "$out"
echo "wrote $out"
