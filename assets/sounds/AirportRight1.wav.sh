# SPDX-License-Identifier: MIT
# Off to the right, the ball lands in a loaded luggage trolley, which rattles off on
# its own; its owner: "Whoa!"
. "$(dirname "$0")/lib.sh"

awkgen "$T/cart.sox" -f "$HERE/basket.awk" <<'AWK'
BEGIN {
    seed(4242); alloc(1.4)
    floorpat(0, 0.5)
    knock(0.05, 0.7, 0.05, 0.2, 300)                           # the suitcases shift
    for (t = 0.08; t < 1.2; t += between(0.015, 0.05)) {          # wire basket, castors
        ring(t, between(1800, 4200), 0.12 * (1.2 - t), 0.02, 0.06)
        knock(t, 0.15 * (1.2 - t), 0.006, 0.03, 1800)
    }
    emit()
}
AWK
speak "$T/v.sox" en-us+m2 140 55 "Whoa!"
after "$T/v.sox" 0.25
mix "$T/both.sox" "$T/cart.sox" 0.8 "$T/v.sox" 1
sx "$T/both.sox" "$T/hall.sox" gain -8 lowpass 7000 pad 0 0.8 reverb 45 50 100 100 10
side right "$T/hall.sox" 0.003 0.4
