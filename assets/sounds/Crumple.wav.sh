# SPDX-License-Identifier: MIT
# A sheet of paper crushed in a fist: a thick run of crackles, dense in the middle and
# thinning out, over a soft rustle, with a few louder creases among them.
. "$(dirname "$0")/lib.sh"

awkgen "$T/crackle.sox" <<'AWK'
BEGIN {
    seed(4711); alloc(0.5)
    for (t = 0.01; t < 0.42; t += between(0.0015, 0.009)) {
        dens = sin(3.14159 * t / 0.42)          # busiest half-way through the crush
        if (rnd() > 0.35 + 0.6 * dens) continue
        a = 0.15 + 0.85 * rnd() ^ 3
        burst(t, a * dens, between(0.0004, 0.0022), 0.012)
    }
    for (k = 0; k < 6; k++)                      # the louder creases
        burst(between(0.04, 0.36), between(0.6, 1.0), between(0.003, 0.008), 0.04)
    emit()
}
AWK
sx -n -r $SR -c 1 "$T/rustle.sox" synth 0.5 pinknoise fade h 0.08 0.5 0.2 highpass 1800
mix "$T/all.sox" "$T/crackle.sox" 1 "$T/rustle.sox" 0.12
sx "$T/all.sox" "$T/shaped.sox" gain -6 highpass 700 equalizer 3800 1.2q 5 lowpass 12000 \
    $PUNCH reverb 10 50 15
finish "$T/shaped.sox"
