# SPDX-License-Identifier: MIT
# A miss: the ball lands on the floor, hops once and settles.
. "$(dirname "$0")/lib.sh"

awkgen "$T/out.sox" -f "$HERE/basket.awk" <<'AWK'
BEGIN { seed(505); alloc(0.5); floorpat(0.005, 1); floorpat(0.17, 0.35); crinkle(0.25, 0.05, 0.1); emit() }
AWK
sx "$T/out.sox" "$T/room.sox" gain -3 $PUNCH reverb 12 50 25
finish "$T/room.sox"
