# SPDX-License-Identifier: MIT
# The basement: the low breath of the boiler room, a hum with a slow beat in it, water
# dripping into a puddle somewhere in the dark, and now and then a pipe ticking as it
# warms. Thirty seconds that loop.
. "$(dirname "$0")/lib.sh"

LEN=30 XF=2 ALL=32

# The dark: low rumble, a little different in each ear.
noise brownnoise $ALL "$T/lowl.sox" 0
noise brownnoise $ALL "$T/lowr.sox" 45
sx -M "$T/lowl.sox" "$T/lowr.sox" "$T/low.sox" gain -12 highpass 30 lowpass 180 lowpass 250
level "$T/low.sox" -33

# The boiler's hum: two close tones that beat slowly, and their overtones.
sx -n -r $SR -c 1 "$T/hum.sox" synth $ALL sine 50 sine 100 sine 100.4 sine 150 \
    remix 1v0.5,2v0.3,3v0.3,4v0.15 lowpass 400 gain -6 channels 2
level "$T/hum.sox" -42

# Drips: a drop falls into a puddle every few seconds, from two places.
awkgen "$T/drips.sox" <<'AWK'
function drip(t0, a,    f) {
    f = between(700, 1100)
    chirp(t0, f, f * between(1.8, 2.4), a, 0.025, 0, 0)
    ring(t0 + 0.012, f * 2.2, a * 0.3, 0.03, 0.12)
}
BEGIN {
    seed(5150); alloc(32)
    for (t = 0.7; t < 31.5; t += between(1.6, 2.4)) drip(t, between(0.5, 0.8))
    for (t = 2.3; t < 31.5; t += between(3.5, 6)) drip(t, between(0.25, 0.4))
    emit()
}
AWK
sx "$T/drips.sox" "$T/dripsr.sox" gain -10 highpass 300 reverb 70 60 100 100 40 echo 0.8 0.6 180 0.2
place "$T/dripsr.sox" -0.4 "$T/dripsp.sox"
level "$T/dripsp.sox" -46

# A pipe ticking as it expands, twice, far off to the right.
awkgen "$T/tick.sox" <<'AWK'
function tick(t0, a) {
    burst(t0, a * 0.5, 0.001, 0.008)
    ring(t0, 460, a * 0.5, 0.2, 0.8); ring(t0, 1268, a * 0.3, 0.1, 0.5)
    ring(t0, 2486, a * 0.15, 0.05, 0.3)
}
BEGIN {
    seed(6502); alloc(32)
    tick(9.0, 0.6); tick(9.45, 0.4); tick(9.7, 0.5)
    tick(21.5, 0.5); tick(22.1, 0.35)
    emit()
}
AWK
sx "$T/tick.sox" "$T/tickr.sox" gain -10 lowpass 3000 reverb 80 70 100 100 50
place "$T/tickr.sox" 0.6 "$T/tickp.sox"
level "$T/tickp.sox" -52

mix "$T/cellar.sox" "$T/low.sox" 1 "$T/hum.sox" 1 "$T/dripsp.sox" 1 "$T/tickp.sox" 1
loop "$T/cellar.sox" $LEN $XF
encode "$T/loop.sox" -30
