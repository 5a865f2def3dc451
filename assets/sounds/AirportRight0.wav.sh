# SPDX-License-Identifier: MIT
# Off to the right, the ball sails through the security arch: its alarm beeps three
# times across the hall.
. "$(dirname "$0")/lib.sh"

awkgen "$T/beeps.sox" <<'AWK'
function beep(t0,    i, s0, n, x) {
    s0 = int(t0 * SR); n = int(0.22 * SR)
    for (i = 0; i < n; i++) {
        x = sin(2 * PI_() * 1850 * i / SR) + 0.3 * sin(2 * PI_() * 3700 * i / SR)
        buf[s0 + i] += 0.5 * x * (i < 200 ? i / 200 : 1) * (n - i < 400 ? (n - i) / 400 : 1)
    }
}
BEGIN { alloc(1.3); beep(0); beep(0.4); beep(0.8); emit() }
AWK
sx "$T/beeps.sox" "$T/hall.sox" gain -8 lowpass 5000 pad 0 0.8 reverb 50 50 100 100 15
side right "$T/hall.sox" 0.003 0.4
