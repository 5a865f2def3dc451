# SPDX-License-Identifier: MIT
# Off to the left, somewhere down the basement, a man croons a bar to himself in the
# echo of the tiles: "doo, bee, doo, bah", the last note held with a wide vibrato.
. "$(dirname "$0")/lib.sh"

awkgen "$T/voice.sox" -f "$HERE/basket.awk" <<'AWK'
# One sung syllable: a soft consonant, then the note.
function sing(t0, f, len, a) {
    knock(t0, a * 0.3, 0.01, 0.03, 500)
    note(t0 + 0.02, f, a, len - 0.02, 24, 0.025)
}
BEGIN {
    seed(1959); alloc(2.8)
    sing(0.00, 146.8, 0.32, 0.3)      # D3
    sing(0.34, 185.0, 0.32, 0.3)      # F#3
    sing(0.68, 220.0, 0.62, 0.32)     # A3
    sing(1.34, 196.0, 1.35, 0.3)      # G3, held
    emit()
}
AWK
# The formants of an open "oh" and the ring of a trained voice, then a tiled room.
sx "$T/voice.sox" "$T/oh.sox" gain -14 equalizer 480 1.2q 10 equalizer 850 1.2q 7 \
    equalizer 2700 2q 6 lowpass 4000 lowpass 5000
sx "$T/oh.sox" "$T/tiles.sox" pad 0 0.8 reverb 55 30 100 100 25 echo 0.8 0.6 120 0.25
side left "$T/tiles.sox" 0.02 0.5
