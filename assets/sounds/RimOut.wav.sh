# SPDX-License-Identifier: MIT
# The ball clips the rim and falls out onto the floor, with a small second bounce.
. "$(dirname "$0")/lib.sh"

awkgen "$T/out.sox" -f "$HERE/basket.awk" <<'AWK'
BEGIN { seed(404); alloc(1.0); rim(0.005, 1); floorpat(0.4, 0.6); floorpat(0.56, 0.2); emit() }
AWK
sx "$T/out.sox" "$T/room.sox" reverb 15 50 30
finish "$T/room.sox"
