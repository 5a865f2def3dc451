# SPDX-License-Identifier: MIT
# Off to the right, the ball lands among the basement rats: squeaks of alarm and the
# patter of claws scurrying away over concrete.
. "$(dirname "$0")/lib.sh"

awkgen "$T/rats.sox" <<'AWK'
function squeak(t0, a,    f) {
    f = between(3200, 4600)
    chirp(t0, f, f * between(1.1, 1.4), a, between(0.05, 0.11), 0.04, between(30, 60))
}
BEGIN {
    seed(8086); alloc(2.0)
    squeak(0.02, 0.8); squeak(0.13, 0.7); squeak(0.22, 0.9)
    squeak(0.55, 0.5); squeak(0.63, 0.6)
    squeak(1.05, 0.35); squeak(1.4, 0.25)
    for (t = 0.08; t < 1.7; t += between(0.012, 0.05))        # claws, fading as they flee
        burst(t, between(0.2, 0.5) * (1.7 - t) / 1.6, 0.0003, 0.003)
    emit()
}
AWK
sx "$T/rats.sox" "$T/cellar.sox" gain -8 highpass 500 pad 0 0.4 reverb 40 60 70 100 10
side right "$T/cellar.sox" 0.002 0.3
