# SPDX-License-Identifier: MIT
# The office, heard from a desk: ventilation and the hum of the lights, colleagues
# murmuring across the floor, keyboards in bursts, a phone ringing far off. Thirty
# seconds that loop.
. "$(dirname "$0")/lib.sh"

LEN=30 XF=2 ALL=32

# Air from the ceiling vents, a little different in each ear, and the lights' hum.
noise pinknoise $ALL "$T/airl.sox" 0
noise pinknoise $ALL "$T/airr.sox" 40
sx -M "$T/airl.sox" "$T/airr.sox" "$T/air.sox" gain -12 highpass 60 lowpass 900 lowpass 1400
level "$T/air.sox" -36
sx -n -r $SR -c 1 "$T/hum.sox" synth $ALL sine 120 sine 240 gain -6 channels 2
level "$T/hum.sox" -54

# Colleagues talking somewhere across the room: low and blurred, so no word is made out.
n=0
for line in "m3 0.5 -0.6 Did you get my note about the figures?" \
    "f2 3.5 0.5 I think the meeting moved to after lunch." \
    "m1 7.0 0.2 Sure, I can look at it this afternoon." \
    "f4 10.5 -0.3 Has anyone seen the blue folder?" \
    "m7 14.0 0.7 That was the third time this week." \
    "f1 17.5 -0.7 Can you send me the new version?" \
    "m2 21.0 0.4 No, the other printer, by the window." \
    "f3 24.5 -0.2 Okay, let us talk about it tomorrow." \
    "m4 28.0 0.6 Right, I will put it in the calendar."; do
    set -- $line
    v=$1 at=$2 pan=$3
    shift 3
    n=$((n + 1))
    speak "$T/s$n.sox" "en-us+$v" 150 45 "$*"
    after "$T/s$n.sox" "$at"
    place "$T/s$n.sox" "$pan" "$T/p$n.sox"
done
mix "$T/talk.sox" $(for k in $(seq 1 $n); do echo "$T/p$k.sox 0.3"; done)
sx "$T/talk.sox" "$T/murmur.sox" gain -6 lowpass 700 lowpass 900 reverb 60 60 100 100 20 \
    pad 0 $ALL trim 0 $ALL
level "$T/murmur.sox" -38

# Keyboards: bursts of typing here and there, and a phone ringing twice far away.
awkgen "$T/keys.sox" <<'AWK'
function key(t0, a) {
    burst(t0, a, 0.0006, 0.004)
    ring(t0, between(2200, 3800), a * 0.3, 0.004, 0.02)
    ring(t0 + 0.012, between(500, 900), a * 0.15, 0.01, 0.04)
}
BEGIN {
    seed(2024); alloc(32)
    t = 0.3
    while (t < 31) {
        end = t + between(1.5, 4); a = between(0.15, 0.4)
        for (; t < end; t += between(0.06, 0.22)) key(t, a * between(0.6, 1))
        t += between(1.5, 5)
    }
    emit()
}
AWK
sx "$T/keys.sox" "$T/keysr.sox" gain -6 highpass 300 reverb 30 50 60 100 5 trim 0 $ALL
place "$T/keysr.sox" 0.35 "$T/keyss.sox"
level "$T/keyss.sox" -46

awkgen "$T/phone.sox" <<'AWK'
# Two rings of a desk phone's bell, warbling between two tones.
BEGIN {
    alloc(4.2)
    for (k = 0; k < 2; k++) {
        s0 = int(k * 3 * SR); n = int(1.2 * SR)
        for (i = 0; i < n; i++) {
            x = sin(2 * PI_() * 1020 * i / SR) + sin(2 * PI_() * 1210 * i / SR)
            x *= (int(i * 40 / SR) % 2) ? 0.5 : 1
            buf[s0 + i] += 0.3 * x * tail(i, n) * (i < 400 ? i / 400 : 1)
        }
    }
    emit()
}
AWK
sx "$T/phone.sox" "$T/phoner.sox" gain -6 lowpass 3000 pad 0 2 reverb 70 50 100 100 30 \
    pad 12.5 $ALL trim 0 $ALL
place "$T/phoner.sox" -0.5 "$T/phones.sox"
level "$T/phones.sox" -52

mix "$T/office.sox" "$T/air.sox" 1 "$T/hum.sox" 1 "$T/murmur.sox" 1 "$T/keyss.sox" 1 \
    "$T/phones.sox" 1
loop "$T/office.sox" $LEN $XF
encode "$T/loop.sox" -30
