# SPDX-License-Identifier: MIT
# The ball flies off to the left and hits someone on the head: "Ow!"
. "$(dirname "$0")/lib.sh"

paperhit "$T/hit.sox" 12
speak "$T/v.sox" en-us+f2 130 70 "Ow!"
after "$T/v.sox" 0.12
mix "$T/both.sox" "$T/hit.sox" 0.6 "$T/v.sox" 1
sx "$T/both.sox" "$T/room.sox" gain -6 lowpass 6000 pad 0 0.35 reverb 25 50 45 60 6
side left "$T/room.sox" 0.003 0.15
