# SPDX-License-Identifier: MIT
# A basket off the back: the ball knocks the far side of the mesh, then drops in.
. "$(dirname "$0")/lib.sh"

awkgen "$T/in.sox" -f "$HERE/basket.awk" <<'AWK'
BEGIN {
    seed(202); alloc(0.75)
    knock(0.005, 0.5, 0.01, 0.06, 1500)
    for (k = 0; k < 10; k++)
        ring(0.008 + 0.05 * rnd(), between(2500, 6000), 0.06, 0.02, 0.06)
    ring(0.005, 1187, 0.05, 0.06, 0.2)
    thump(0.2, 0.85)
    emit()
}
AWK
sx "$T/in.sox" "$T/room.sox" gain -3 $PUNCH reverb 12 50 25
finish "$T/room.sox"
