# SPDX-License-Identifier: MIT
# Somewhere to the right in the basement the ball hits a steam pipe: a hollow clank
# that rings on and comes back off the concrete.
. "$(dirname "$0")/lib.sh"

awkgen "$T/pipe.sox" -f "$HERE/basket.awk" <<'AWK'
# A pipe struck: the partials of a free bar over f, the low ones ringing longest.
function clank(t0, f, a) {
    burst(t0, a * 0.6, 0.002, 0.02); knock(t0, a * 0.8, 0.02, 0.1, 500)
    ring(t0, f, a * 0.6, 0.9, 2.5); ring(t0, f * 2.756, a * 0.45, 0.55, 1.8)
    ring(t0, f * 5.404, a * 0.3, 0.3, 1.2); ring(t0, f * 8.933, a * 0.18, 0.15, 0.6)
    ring(t0, f * 13.34, a * 0.08, 0.08, 0.4)
}
BEGIN { seed(909); alloc(2.6); clank(0, 212, 1); clank(0.31, 212, 0.3); emit() }
AWK
sx "$T/pipe.sox" "$T/cellar.sox" gain -8 lowpass 7000 pad 0 0.8 reverb 60 70 100 100 20
side right "$T/cellar.sox" 0.002 0.5
