# SPDX-License-Identifier: MIT
# Off to the right the ball topples a stack of paper from a desk: the sheets slide,
# land flat on the floor with a slap, and the last few flutter down after them.
. "$(dirname "$0")/lib.sh"

awkgen "$T/slide.sox" -f "$HERE/basket.awk" <<'AWK'
BEGIN {
    seed(3434); alloc(1.6)
    floorpat(0.0, 0.5)
    for (t = 0.1; t < 0.75; t += between(0.002, 0.008))        # the stack sliding
        burst(t, between(0.04, 0.15) * sin(3.14159 * (t - 0.1) / 0.65), between(0.0005, 0.002), 0.01)
    knock(0.78, 1, 0.03, 0.15, 400); burst(0.78, 0.8, 0.012, 0.06)   # flat on the floor
    crinkle(0.78, 0.3, 0.15)
    for (k = 0; k < 3; k++) {                                     # stragglers
        t = 0.95 + 0.18 * k + 0.05 * rnd()
        puff(t, 0.1, 0.12); knock(t + 0.1, 0.25, 0.01, 0.05, 900)
    }
    emit()
}
AWK
sx -n -r $SR -c 1 "$T/air.sox" synth 0.9 pinknoise fade h 0.3 0.9 0.2 pad 0.05 0 highpass 1500 gain -26
mix "$T/all.sox" "$T/slide.sox" 1 "$T/air.sox" 1
sx "$T/all.sox" "$T/room.sox" gain -6 $PUNCH lowpass 9000 pad 0 0.3 reverb 25 50 45 60 6
side right "$T/room.sox" 0.003 0.15
