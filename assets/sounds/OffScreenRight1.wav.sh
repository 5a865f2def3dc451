# SPDX-License-Identifier: MIT
# Off to the right, a colleague who has had enough: "Hey, cut it out!"
. "$(dirname "$0")/lib.sh"

paperhit "$T/hit.sox" 14
speak "$T/v.sox" en-us+f4 160 60 "Hey, cut it out!"
after "$T/v.sox" 0.12
mix "$T/both.sox" "$T/hit.sox" 0.6 "$T/v.sox" 1
sx "$T/both.sox" "$T/room.sox" gain -6 lowpass 6000 pad 0 0.35 reverb 25 50 45 60 6
side right "$T/room.sox" 0.003 0.15
