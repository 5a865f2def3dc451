# SPDX-License-Identifier: MIT
# The pieces of a paper ball meeting a wire waste basket or the floor, shared by the
# landing sounds (loaded after synth.awk).

# Noise through two one-pole low-passes at cut Hz: a dull, soft knock.
function knock(t0, a, decay, len, cut,    i, s0, n, k, y1, y2) {
    s0 = int(t0 * SR); n = int(len * SR); k = 1 - exp(-2 * PI_() * cut / SR)
    y1 = 0; y2 = 0
    for (i = 0; i < n && s0 + i < N; i++) {
        y1 += k * (rnd2() - y1); y2 += k * (y1 - y2)
        buf[s0 + i] += a * exp(-i / (decay * SR)) * y2 * 3 * tail(i, n)
    }
}

# A few crackles of the paper itself as it hits something.
function crinkle(t0, a, len,    t) {
    for (t = t0; t < t0 + len; t += between(0.002, 0.012))
        burst(t, a * between(0.2, 1) * (1 - (t - t0) / len), between(0.0003, 0.0012), 0.006)
}

# The ball lands on the wire bottom of the basket: a soft thud, the mesh rattling
# for a moment, the paper crinkling.
function thump(t0, a,    t, k) {
    knock(t0, a, 0.018, 0.12, 700)
    ring(t0, 118, a * 0.35, 0.03, 0.12)
    for (k = 0; k < 14; k++) {
        t = t0 + 0.004 + 0.09 * rnd() ^ 2
        ring(t, between(2300, 6200), a * between(0.03, 0.1), between(0.008, 0.025), 0.08)
    }
    ring(t0, 432, a * 0.07, 0.09, 0.4); ring(t0, 1187, a * 0.05, 0.07, 0.3)
    ring(t0, 2071, a * 0.03, 0.05, 0.25)
    crinkle(t0 + 0.005, a * 0.12, 0.08)
}

# The ball grazes the basket's steel rim: a bright tink with the partials of a thin
# bent bar, and a quick buzz of the mesh below it.
function rim(t0, a,    k) {
    burst(t0, a * 0.5, 0.0012, 0.01)
    ring(t0, 1043, a * 0.55, 0.26, 1.0); ring(t0, 2879, a * 0.35, 0.2, 0.8)
    ring(t0, 5633, a * 0.2, 0.11, 0.5); ring(t0, 9310, a * 0.08, 0.06, 0.3)
    for (k = 0; k < 8; k++)
        ring(t0 + 0.003 + 0.05 * rnd(), between(2500, 5500), a * 0.05, 0.015, 0.06)
    crinkle(t0 + 0.002, a * 0.15, 0.05)
}

# The ball drops on the office floor: a soft pat and a crinkle.
function floorpat(t0, a) {
    knock(t0, a, 0.012, 0.08, 1100)
    knock(t0, a * 0.5, 0.03, 0.1, 180)
    crinkle(t0 + 0.002, a * 0.25, 0.06)
}
