# SPDX-License-Identifier: MIT
# Off to the left, the ball hits a traveller in the departure hall: "Excuse me!"
. "$(dirname "$0")/lib.sh"

paperhit "$T/hit.sox" 21
speak "$T/v.sox" en-us+f4 150 65 "Excuse me!"
after "$T/v.sox" 0.12
mix "$T/both.sox" "$T/hit.sox" 0.6 "$T/v.sox" 1
sx "$T/both.sox" "$T/hall.sox" gain -8 lowpass 6000 pad 0 0.8 reverb 45 50 100 100 10
side left "$T/hall.sox" 0.003 0.4
