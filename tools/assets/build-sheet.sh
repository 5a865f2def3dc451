#!/bin/sh
# SPDX-License-Identifier: MIT
# Renders an animation sheet from one SVG frame template.
#
#   build-sheet.sh TEMPLATE.svg OUT.png FRAMES COLUMNS STEP
#
# The template draws one frame at the frame's pixel size. Every "@ANGLE@" in it
# is replaced by FRAME x STEP (degrees) and every "@FRAME@" by the frame number;
# the frames are laid out left to right, then top to bottom, as the sprites
# read them. SCALE (in the environment, default 1) draws every frame that many
# times larger, so the grid is the same in points at every scale.
set -eu

if [ $# -ne 5 ]; then
    echo "usage: build-sheet.sh TEMPLATE.svg OUT.png FRAMES COLUMNS STEP" >&2
    exit 2
fi
template=$1 out=$2 frames=$3 columns=$4 step=$5
CONVERT=${CONVERT:-/usr/bin/convert}
SCALE=${SCALE:-1} # pixels per point: every frame drawn that much larger

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

i=0
while [ "$i" -lt "$frames" ]; do
    angle=$(awk -v i="$i" -v s="$step" 'BEGIN { printf "%g", i * s }')
    sed -e "s/@ANGLE@/$angle/g" -e "s/@FRAME@/$i/g" "$template" >"$scratch/f.svg"
    frame=$scratch/$(printf '%03d' "$i").png
    rsvg-convert -z "$SCALE" -o "$frame" "$scratch/f.svg"
    i=$((i + 1))
done

# One row per line of COLUMNS frames, then the rows stacked.
rows=""
r=0
i=0
while [ "$i" -lt "$frames" ]; do
    row=""
    c=0
    while [ "$c" -lt "$columns" ] && [ "$i" -lt "$frames" ]; do
        row="$row $scratch/$(printf '%03d' "$i").png"
        c=$((c + 1))
        i=$((i + 1))
    done
    # shellcheck disable=SC2086
    "$CONVERT" -background none $row +append +repage "PNG32:$scratch/row$r.png"
    rows="$rows $scratch/row$r.png"
    r=$((r + 1))
done
mkdir -p "$(dirname "$out")"
# shellcheck disable=SC2086
"$CONVERT" -background none $rows -append +repage -define png:exclude-chunks=date,time "PNG32:$out.tmp"
mv "$out.tmp" "$out"
