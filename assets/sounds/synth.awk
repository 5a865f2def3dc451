# SPDX-License-Identifier: MIT
# Small additive synthesiser for the sound recipes (loaded before each recipe's program).
# Events are summed into buf[0 .. N-1] at SR samples per second; emit() prints the
# buffer in sox's text format. Times and lengths are in seconds, amplitudes linear.

# A seeded generator of its own (Park-Miller), so that the same recipe gives the same
# samples with any awk.
function seed(n) { RS_ = n % 2147483646 + 1 }
function rnd() { RS_ = (RS_ * 16807) % 2147483647; return RS_ / 2147483647 }
function rnd2() { return 2 * rnd() - 1 }
function between(a, b) { return a + (b - a) * rnd() }
function PI_() { return 3.141592653589793 }

function alloc(seconds,    i) {
    N = int(seconds * SR)
    for (i = 0; i < N; i++) buf[i] = 0
    if (RS_ == "") seed(1)
}

# Gain of sample i of an event n samples long: 1, but ramping to 0 over the last 5 ms
# (or quarter of the event), so that no event stops with a step.
function tail(i, n,    r) {
    r = SR / 200; if (r > n / 4) r = n / 4
    return n - i < r ? (n - i) / r : 1
}

# A sine that starts at t0 with amplitude a and dies away exponentially (decay: seconds
# to fall to 1/e), ending after len seconds. A 1 ms ramp softens its onset.
function ring(t0, f, a, decay, len,    i, s0, n, w, x) {
    s0 = int(t0 * SR); n = int(len * SR); w = 2 * PI_() * f / SR
    for (i = 0; i < n && s0 + i < N; i++) {
        x = a * exp(-i / (decay * SR)) * sin(w * i) * tail(i, n)
        if (i < SR / 1000) x *= i / (SR / 1000)
        buf[s0 + i] += x
    }
}

# White noise dying away from amplitude a (decay as in ring), ending after len seconds.
function burst(t0, a, decay, len,    i, s0, n) {
    s0 = int(t0 * SR); n = int(len * SR)
    for (i = 0; i < n && s0 + i < N; i++)
        buf[s0 + i] += a * exp(-i / (decay * SR)) * rnd2() * tail(i, n)
}

# White noise with a raised-sine envelope: rises and falls over len seconds.
function puff(t0, a, len,    i, s0, n) {
    s0 = int(t0 * SR); n = int(len * SR)
    for (i = 0; i < n && s0 + i < N; i++)
        buf[s0 + i] += a * sin(PI_() * i / n) ^ 2 * rnd2()
}

# A sine gliding from f0 to f1 (geometric) with a raised-sine envelope over len seconds;
# vib adds a vibrato of that relative depth at vrate Hz.
function chirp(t0, f0, f1, a, len, vib, vrate,    i, s0, n, ph, f, u) {
    s0 = int(t0 * SR); n = int(len * SR); ph = 0
    for (i = 0; i < n && s0 + i < N; i++) {
        u = i / n
        f = f0 * (f1 / f0) ^ u * (1 + vib * sin(2 * PI_() * vrate * i / SR))
        ph += 2 * PI_() * f / SR
        buf[s0 + i] += a * sin(PI_() * u) ^ 2 * sin(ph)
    }
}

# A sung or hummed note: harmonics of f falling as 1/k (brighter with more), with a
# vibrato that widens through the note, and short attack and release ramps.
function note(t0, f, a, len, harmonics, vib,    i, s0, n, ph, k, x, e, g, fr, att, rel) {
    s0 = int(t0 * SR); n = int(len * SR); ph = 0
    att = int(0.04 * SR); rel = int(0.08 * SR)
    for (i = 0; i < n && s0 + i < N; i++) {
        g = i < att ? i / att : 1
        fr = f * (1 + vib * g * (i / n) * sin(2 * PI_() * 5.2 * i / SR))
        ph += 2 * PI_() * fr / SR
        x = 0
        for (k = 1; k <= harmonics; k++) x += sin(k * ph) / k
        e = i < att ? i / att : (i > n - rel ? (n - i) / rel : 1)
        buf[s0 + i] += a * e * x
    }
}

# The buffer in sox's ".dat" text format on standard output. Sox clips anything beyond
# full scale, so a buffer that peaks above 0.9 is scaled down to that first; and
# whatever still sounds at the very end is ramped down over the last 5 ms.
function emit(    i, pk, g) {
    pk = 0
    for (i = 0; i < N; i++) if (buf[i] > pk || -buf[i] > pk) pk = buf[i] > 0 ? buf[i] : -buf[i]
    g = pk > 0.9 ? 0.9 / pk : 1
    printf "; Sample Rate %d\n; Channels 1\n", SR
    for (i = 0; i < N; i++) printf "0 %.6f\n", buf[i] * g * tail(i, N)
}
