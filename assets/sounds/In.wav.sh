# SPDX-License-Identifier: MIT
# A clean basket: the ball drops straight onto the wire bottom.
. "$(dirname "$0")/lib.sh"

awkgen "$T/in.sox" -f "$HERE/basket.awk" <<'AWK'
BEGIN { seed(101); alloc(0.6); thump(0.005, 1); emit() }
AWK
sx "$T/in.sox" "$T/room.sox" gain -3 $PUNCH reverb 12 50 25
finish "$T/room.sox"
