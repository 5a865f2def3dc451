#!/bin/sh
# SPDX-License-Identifier: MIT
# Crops a full-screen overlay to its visible pixels (alpha above zero), so that the frame does
# not blend a screenful of transparent pixels, and notes where the crop sits.
#
#   crop-overlay.sh RECT.inc NAME SCALE FULL.png OUT.png [SCALE FULL.png OUT.png ...]
#
# FULL.png is the picture drawn at SCALE; every scale set is cropped to one rectangle of points:
# the union of what shows at each scale, widened to whole points plus a see-through border of
# one, so that filtering at the crop edge meets the same neighbours as in the full picture.
# RECT.inc gets one initialiser line: {"NAME", x, y, w, h, full_w, full_h}, in points with the
# origin at the picture's top-left.
set -eu

if [ $# -lt 5 ] || [ $(( ($# - 2) % 3 )) -ne 0 ]; then
    echo "usage: crop-overlay.sh RECT.inc NAME SCALE FULL.png OUT.png [SCALE FULL.png OUT.png ...]" >&2
    exit 2
fi
rect=$1 name=$2
shift 2
CONVERT=${CONVERT:-/usr/bin/convert}

# The rectangle in points, over every scale.
boxes=
args="$*"
while [ $# -gt 0 ]; do
    s=$1 full=$2
    size=$("$CONVERT" "$full" -format '%w %h' info:)
    # The trim takes the corners' colour for the background: a see-through border goes round
    # first. WxH+X+Y of the non-zero alpha (an empty picture gives 0x0).
    box=$("$CONVERT" "$full" -alpha extract -bordercolor black -border 1 -format '%@' info:)
    boxes="$boxes $s $size $box"
    shift 3
done
set -- $(echo "$boxes" | awk '{
    l = 1e9; t = 1e9; r = -1; b = -1;
    for (i = 1; i <= NF; i += 4) {
        s = $i; fw = $(i + 1) / s; fh = $(i + 2) / s;
        split($(i + 3), a, /[x+]/); w = a[1]; h = a[2]; x = a[3] - 1; y = a[4] - 1;
        if (w == 0 || h == 0) continue;
        if (int(x / s) < l) l = int(x / s);
        if (int(y / s) < t) t = int(y / s);
        if (int((x + w + s - 1) / s) > r) r = int((x + w + s - 1) / s);
        if (int((y + h + s - 1) / s) > b) b = int((y + h + s - 1) / s);
    }
    if (r < 0) { l = 0; t = 0; r = 1; b = 1 }
    l -= 1; t -= 1; r += 1; b += 1;
    if (l < 0) l = 0; if (t < 0) t = 0; if (r > fw) r = fw; if (b > fh) b = fh;
    print l, t, r - l, b - t, fw, fh }')
px=$1 py=$2 pw=$3 ph=$4 fw=$5 fh=$6
set -- $args
while [ $# -gt 0 ]; do
    s=$1 full=$2 out=$3
    mkdir -p "$(dirname "$out")"
    "$CONVERT" "$full" -crop "$((pw * s))x$((ph * s))+$((px * s))+$((py * s))" +repage "PNG32:$out"
    shift 3
done
mkdir -p "$(dirname "$rect")"
printf '{"%s", %d, %d, %d, %d, %d, %d},\n' "$name" "$px" "$py" "$pw" "$ph" "$fw" "$fh" >"$rect"
