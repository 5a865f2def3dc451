# SPDX-License-Identifier: MIT
# A small crowd's disappointed "aww" when a streak ends: a dozen voices of different
# pitch, each sliding down, not quite together, in a hall.
. "$(dirname "$0")/lib.sh"

i=0
# voice variant, espeak pitch, start (s), extra downward bend (cents)
for v in "m1 30 0.00 300" "m3 20 0.03 250" "f2 55 0.05 200" "m7 35 0.02 350" \
    "f4 60 0.07 250" "m2 25 0.04 300" "f1 50 0.01 200" "m4 40 0.06 300" \
    "f3 65 0.03 350" "m6 15 0.08 250" "f5 45 0.05 300" "m5 30 0.09 200"; do
    set -- $v
    i=$((i + 1))
    speak "$T/v$i.sox" "en-us+$1" 75 "$2" "[[O:::w]]"
    sx "$T/v$i.sox" "$T/b$i.sox" trim 0 1.1 pad "$3" 0 bend 0.25,-"$4",0.7 \
        fade h 0.05 -0 0.25
done
parts=""
for k in $(seq 1 $i); do parts="$parts $T/b$k.sox 0.3"; done
# shellcheck disable=SC2086
mix "$T/crowd.sox" $parts
sx "$T/crowd.sox" "$T/hall.sox" lowpass 5000 chorus 0.6 0.8 45 0.4 0.3 2 -t \
    pad 0 0.6 reverb 40 50 70 60 10
finish "$T/hall.sox" 0.04 0.3
