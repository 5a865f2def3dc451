# SPDX-License-Identifier: MIT
# A new level opens: a bright rising arpeggio of bell tones, the last one held.
. "$(dirname "$0")/lib.sh"

awkgen "$T/bells.sox" <<'AWK'
# A small bell: a few slightly inharmonic partials over the fundamental.
function bell(t0, f, a, decay) {
    ring(t0, f, a, decay, decay * 6)
    ring(t0, f * 2.01, a * 0.5, decay * 0.6, decay * 4)
    ring(t0, f * 3.02, a * 0.22, decay * 0.4, decay * 3)
    ring(t0, f * 4.17, a * 0.1, decay * 0.25, decay * 2)
}
BEGIN {
    alloc(2.6)
    bell(0.00, 1046.5, 0.5, 0.18)      # C6
    bell(0.09, 1318.5, 0.5, 0.18)      # E6
    bell(0.18, 1568.0, 0.5, 0.18)      # G6
    bell(0.27, 2093.0, 0.6, 0.45)      # C7, held
    bell(0.27, 1046.5, 0.25, 0.45)
    emit()
}
AWK
sx "$T/bells.sox" "$T/hall.sox" pad 0 0.3 reverb 30 50 50 100 5 fade 0 -0 0.5
finish "$T/hall.sox" 0.002 0.3
