# SPDX-License-Identifier: MIT
# Off to the left the ball knocks over a coffee mug: a clonk on the desk, then the mug
# rocking on its rim faster and faster until it settles.
. "$(dirname "$0")/lib.sh"

awkgen "$T/mug.sox" -f "$HERE/basket.awk" <<'AWK'
# Glazed stoneware struck: a few stiff partials over a short wooden knock.
function clink(t0, a) {
    ring(t0, 1730 * between(0.99, 1.01), a * 0.5, 0.12, 0.6)
    ring(t0, 4090, a * 0.3, 0.07, 0.4); ring(t0, 6950, a * 0.15, 0.04, 0.25)
    knock(t0, a * 0.4, 0.006, 0.04, 2500)
}
BEGIN {
    seed(2121); alloc(1.5)
    floorpat(0.0, 0.5)
    knock(0.06, 1, 0.02, 0.1, 600); clink(0.06, 0.9)
    t = 0.3; gap = 0.16; a = 0.6
    while (gap > 0.012) { clink(t, a); t += gap; gap *= 0.8; a *= 0.88 }
    knock(t, 0.4, 0.02, 0.1, 500)
    emit()
}
AWK
sx "$T/mug.sox" "$T/room.sox" gain -6 pad 0 0.3 reverb 25 50 45 60 6
side left "$T/room.sox" 0.003 0.15
