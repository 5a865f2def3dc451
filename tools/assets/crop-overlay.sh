#!/bin/sh
# SPDX-License-Identifier: MIT
# Crops a full-screen overlay to its visible pixels (alpha above zero), so that the frame does
# not blend a screenful of transparent pixels, and notes where the crop sits.
#
#   crop-overlay.sh FULL.png OUT.png RECT.inc NAME [SCALE]
#
# RECT.inc gets one initialiser line: {"NAME", x, y, w, h, full_w, full_h}, in points (pixels
# divided by SCALE, default 1) with the origin at the image's top-left. The crop is widened to
# whole points plus a see-through border of one, so every scale set of one image crops to the
# same rectangle of the screen and draws the same pixels at its edges.
set -eu

if [ $# -ne 4 ] && [ $# -ne 5 ]; then
    echo "usage: crop-overlay.sh FULL.png OUT.png RECT.inc NAME [SCALE]" >&2
    exit 2
fi
full=$1 out=$2 rect=$3 name=$4 scale=${5:-1}
CONVERT=${CONVERT:-/usr/bin/convert}

size=$("$CONVERT" "$full" -format '%w %h' info:)
# The bounding box of the non-zero alpha: WxH+X+Y (an empty image gives 0x0, kept as 1x1). The
# trim takes the corners' colour for the background, so a see-through border is put round first.
box=$("$CONVERT" "$full" -alpha extract -bordercolor black -border 1 -format '%@' info:)
set -- $(echo "$size $box" | awk -v s="$scale" '{
    split($3, a, /[x+]/); w = a[1]; h = a[2]; x = a[3] - 1; y = a[4] - 1;
    if (w == 0 || h == 0) { w = 1; h = 1; x = 0; y = 0 }
    # whole points, outwards, and one more all round: filtering at the crop edge then meets the
    # same see-through neighbours as in the full picture
    fw = $1 / s; fh = $2 / s;
    px = int(x / s) - 1; py = int(y / s) - 1;
    pr = int((x + w + s - 1) / s) + 1; pb = int((y + h + s - 1) / s) + 1;
    if (px < 0) px = 0; if (py < 0) py = 0;
    if (pr > fw) pr = fw; if (pb > fh) pb = fh;
    print px, py, pr - px, pb - py, fw, fh }')
px=$1 py=$2 pw=$3 ph=$4 fw=$5 fh=$6
geometry=$(awk -v s="$scale" -v x="$px" -v y="$py" -v w="$pw" -v h="$ph" \
    'BEGIN { printf "%dx%d+%d+%d", w * s, h * s, x * s, y * s }')
mkdir -p "$(dirname "$out")" "$(dirname "$rect")"
"$CONVERT" "$full" -crop "$geometry" +repage "PNG32:$out"
printf '{"%s", %d, %d, %d, %d, %d, %d},\n' "$name" "$px" "$py" "$pw" "$ph" "$fw" "$fh" >"$rect"
