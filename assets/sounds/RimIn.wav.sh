# SPDX-License-Identifier: MIT
# The ball clips the rim and falls in after all.
. "$(dirname "$0")/lib.sh"

awkgen "$T/in.sox" -f "$HERE/basket.awk" <<'AWK'
BEGIN { seed(303); alloc(1.0); rim(0.005, 1); thump(0.3, 0.75); emit() }
AWK
sx "$T/in.sox" "$T/room.sox" reverb 15 50 30
finish "$T/room.sox"
