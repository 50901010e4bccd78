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

# Cursor 315 (app/res/pencil.cur): a pencil, 32 x 32 monochrome, its tip the hot spot at (8, 24).
# Worked out from the pencil's axis rather than drawn pixel by pixel, and written as a .cur file
# directly, since ImageMagick cannot set a cursor's hot spot.
draw_pencil_cursor() {
  python3 - "$ROOT/app/res/pencil.cur" <<'PY'
import math, struct, sys
SIZE, HOT_X, HOT_Y = 32, 8, 24

def shade(x, y):
    """'#' black, '.' white, ' ' transparent."""
    along = ((x - HOT_X) - (y - HOT_Y)) / math.sqrt(2)  # from the tip up to the right
    across = ((x - HOT_X) + (y - HOT_Y)) / math.sqrt(2)
    half = 3.2
    if along < -0.5 or along > 22.5:
        return ' '
    if along <= 7:  # the sharpened cone, its lead black
        edge = max(along, 0) * half / 7 + 0.5
        if abs(across) > edge:
            return ' '
        return '#' if along <= 2.5 or abs(across) > edge - 1.1 else '.'
    if abs(across) > half + 0.5:
        return ' '
    if along >= 19 or abs(across) > half - 0.6 or abs(along - 18) < 0.5:
        return '#'  # outline, band and the end
    return '.'

def mask(bit_of):
    rows = b''
    for y in reversed(range(SIZE)):  # bottom-up rows
        value = 0
        for x in range(SIZE):
            value = value << 1 | bit_of(shade(x, y))
        rows += struct.pack('>I', value)
    return rows

xor = mask(lambda c: 1 if c == '.' else 0)
and_ = mask(lambda c: 1 if c == ' ' else 0)
header = struct.pack('<IiiHHIIiiII', 40, SIZE, 2 * SIZE, 1, 1, 0, 0, 0, 0, 2, 0)
colours = bytes([0, 0, 0, 0, 255, 255, 255, 0])
image = header + colours + xor + and_
directory = struct.pack('<HHH', 0, 2, 1)
entry = struct.pack('<BBBBHHII', SIZE, SIZE, 2, 0, HOT_X, HOT_Y, len(image), 6 + 16)
with open(sys.argv[1], 'wb') as out:
    out.write(directory + entry + image)
PY
  echo "wrote $ROOT/app/res/pencil.cur"
}
draw_pencil_cursor
