# SPDX-License-Identifier: MIT
# Off to the left of the departure hall: the public-address chime and a dry page
# over the loudspeakers.
. "$(dirname "$0")/lib.sh"

awkgen "$T/chime.sox" <<'AWK'
function tone(t0, f, a) { ring(t0, f, a, 0.5, 1.2); ring(t0, 2 * f, a * 0.2, 0.2, 0.6) }
BEGIN { alloc(1.7); tone(0, 784, 0.5); tone(0.45, 622.3, 0.5); emit() }   # G5, then E-flat 5
AWK
speak "$T/v.sox" en-us+f2 165 55 "Paging the owner of a paper ball."
after "$T/v.sox" 1.1
# A horn loudspeaker: narrow band, a little grit.
sx "$T/v.sox" "$T/pa.sox" gain -6 overdrive 6 highpass 400 lowpass 3500 lowpass 3500 gain -6
mix "$T/all.sox" "$T/chime.sox" 0.7 "$T/pa.sox" 1
sx "$T/all.sox" "$T/hall.sox" gain -8 pad 0 0.8 reverb 50 50 100 100 15 echo 0.8 0.7 90 0.2
finish "$T/hall.sox" 0.003 0.5
