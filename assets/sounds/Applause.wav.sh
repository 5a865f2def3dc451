# SPDX-License-Identifier: MIT
# Applause for a run that reaches the best score: a couple of dozen people clapping,
# each at their own pace and with their own hands, swelling and dying away, with a
# cheer or two among them.
. "$(dirname "$0")/lib.sh"

awkgen "$T/claps.sox" <<'AWK'
# One clap: a 1-2 ms burst through a resonant band-pass (the cupped hands) at fc Hz.
function clap(t0, a, fc, q,    i, s0, n, w, al, b0, a1, a2, x1, x2, y1, y2, x, y) {
    s0 = int(t0 * SR); n = int(0.06 * SR)
    w = 2 * PI_() * fc / SR; al = sin(w) / (2 * q)
    b0 = al / (1 + al); a1 = -2 * cos(w) / (1 + al); a2 = (1 - al) / (1 + al)
    x1 = x2 = y1 = y2 = 0
    for (i = 0; i < n && s0 + i < N; i++) {
        x = i < SR / 600 ? rnd2() * exp(-i / (SR / 2500)) : 0
        y = b0 * x - b0 * x2 - a1 * y1 - a2 * y2
        x2 = x1; x1 = x; y2 = y1; y1 = y
        buf[s0 + i] += a * y * tail(i, n)
    }
}
BEGIN {
    seed(31337); alloc(2.8)
    for (p = 0; p < 24; p++) {
        period = between(0.16, 0.26); fc = between(700, 2600); q = between(1.5, 4)
        loud = between(0.4, 1); stop = between(1.6, 2.5)
        for (t = between(0, 0.25); t < stop; t += period * between(0.9, 1.1)) {
            env = (t < 0.3 ? t / 0.3 : 1) * (t > stop - 0.8 ? (stop - t) / 0.8 : 1)
            clap(t, loud * env * between(0.6, 1), fc * between(0.95, 1.05), q)
        }
    }
    emit()
}
AWK
speak "$T/c1.sox" en-us+m3 140 70 "whoo"
speak "$T/c2.sox" en-us+f3 140 80 "yay"
sx "$T/c1.sox" "$T/c1p.sox" pad 0.35 0 bend 0,400,0.4
sx "$T/c2.sox" "$T/c2p.sox" pad 0.7 0 bend 0,300,0.3
mix "$T/crowd.sox" "$T/claps.sox" 1 "$T/c1p.sox" 0.06 "$T/c2p.sox" 0.05
sx "$T/crowd.sox" "$T/hall.sox" highpass 250 $PUNCH \
    pad 0 0.3 reverb 35 50 60 50 8
finish "$T/hall.sox" 0.02 0.4
