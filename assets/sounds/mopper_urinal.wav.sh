# SPDX-License-Identifier: MIT
# Off to the left in the basement washroom, the janitor at work: the wet slap of a
# mop on tiles, two long swishes, the bucket handle knocking, and a urinal flushing.
. "$(dirname "$0")/lib.sh"

awkgen "$T/mop.sox" -f "$HERE/basket.awk" <<'AWK'
BEGIN {
    seed(1234); alloc(4.2)
    knock(0.00, 1, 0.04, 0.2, 300); burst(0.0, 0.3, 0.02, 0.1)         # the slap
    for (k = 0; k < 8; k++)                                               # drops flying
        ring(0.02 + 0.15 * rnd(), between(900, 2500), 0.05, 0.01, 0.03)
    puff(0.35, 0.1, 0.5); puff(0.95, 0.09, 0.55)                          # swish, swish
    knock(1.6, 0.5, 0.01, 0.05, 1500)                                     # the bucket handle
    ring(1.6, 1380, 0.15, 0.15, 0.6); ring(1.6, 3310, 0.08, 0.08, 0.3)
    emit()
}
AWK
awkgen "$T/water.sox" <<'AWK'
# The flush: a rush of water that comes in hard and slowly drains away, with bubbles
# gulping through it.
BEGIN {
    seed(4321); alloc(4.2)
    for (t = 2.0; t < 4.0; t += 0.025) {
        u = (t - 2.0) / 2.0
        puff(t, 0.2 * (u < 0.08 ? u / 0.08 : 1) * (1 - u) ^ 1.5, 0.08)
    }
    for (t = 2.1; t < 3.7; t += between(0.02, 0.09))
        chirp(t, between(250, 500), between(500, 1100), 0.25 * between(0.3, 1) * (3.8 - t) / 1.7, 0.04, 0, 0)
    emit()
}
AWK
sx "$T/mop.sox" "$T/mopf.sox" gain -6 highpass 200 lowpass 5000
sx "$T/water.sox" "$T/waterf.sox" gain -6 highpass 150 lowpass 2500 lowpass 3000
mix "$T/all.sox" "$T/mopf.sox" 1 "$T/waterf.sox" 2.5
sx "$T/all.sox" "$T/room.sox" gain -6 pad 0 0.5 reverb 45 40 90 100 10
side left "$T/room.sox" 0.003 0.4
