# SPDX-License-Identifier: MIT
# The departure hall: a high roof full of air and voices, suitcases rolling past on
# the tiles, a jet spooling up outside, and once a chime with a muffled announcement.
# Thirty seconds that loop.
. "$(dirname "$0")/lib.sh"

LEN=30 XF=2 ALL=32

# The hall's own air, a little different in each ear.
noise pinknoise $ALL "$T/airl.sox" 0
noise pinknoise $ALL "$T/airr.sox" 50
sx -M "$T/airl.sox" "$T/airr.sox" "$T/air.sox" gain -12 highpass 80 lowpass 2500 lowpass 3000
level "$T/air.sox" -37

# Travellers talking all around, four groups of them, blurred by the hall.
chatter "$T/g1.sox" $ALL "en-us+m3 40 0.2 Do you have the boarding passes?" \
    "en-us+f2 60 0.6 They are in the small bag, the front pocket." \
    "en-us+m3 40 1.5 We still have forty minutes, let us get a coffee." \
    "en-us+f2 60 0.8 Fine, but not the place with the long line." \
    "en-us+m3 40 2.0 Look, the board says delayed again."
chatter "$T/g2.sox" $ALL "en-us+f4 70 1.0 Mommy, is that our plane?" \
    "en-us+f1 50 0.5 No sweetie, ours is the next one." \
    "en-us+f4 70 2.5 Can I sit by the window?" "en-us+f1 50 0.6 We will see." \
    "en-us+f4 70 3.0 I want the window!"
chatter "$T/g3.sox" $ALL "en-us+m1 30 2.0 I will call you when we land." \
    "en-us+m1 30 3.0 No, the later train, the one at six." \
    "en-us+m1 30 2.5 Yes. Yes. Okay, bye now."
chatter "$T/g4.sox" $ALL "en-us+m7 35 0.5 Excuse me, is this the line for the check in?" \
    "en-us+f3 55 0.7 I think it starts back there, by the pillar." \
    "en-us+m7 35 2.0 Thank you, have a good trip." \
    "en-us+f3 55 3.0 Did you pack the charger?" "en-us+m7 35 0.6 Of course I did."
for k in 1 2 3 4; do
    sx "$T/g$k.sox" "$T/h$k.sox" gain -6 highpass 200 lowpass 2500 reverb 80 50 100 100 40
done
place "$T/h1.sox" -0.7 "$T/p1.sox"
place "$T/h2.sox" 0.6 "$T/p2.sox"
place "$T/h3.sox" -0.2 "$T/p3.sox"
place "$T/h4.sox" 0.3 "$T/p4.sox"
mix "$T/crowd.sox" "$T/p1.sox" 1 "$T/p2.sox" 0.7 "$T/p3.sox" 1 "$T/p4.sox" 1
level "$T/crowd.sox" -37

# A suitcase rolling past: the castors' rumble, a click at every joint of the tiles.
awkgen "$T/case.sox" -f "$HERE/basket.awk" <<'AWK'
BEGIN {
    seed(7777); alloc(5)
    for (t = 0; t < 4.6; t += 0.012) knock(t, 0.05 * sin(3.14159 * t / 4.6), 0.01, 0.03, 250)
    for (t = 0.2; t < 4.4; t += between(0.24, 0.28))
        knock(t, 0.12 * sin(3.14159 * t / 4.6), 0.004, 0.02, 1800)
    emit()
}
AWK
sx "$T/case.sox" "$T/caser.sox" gain -6 reverb 50 50 100 100 20
place "$T/caser.sox" 0.5 "$T/case1.sox"
place "$T/caser.sox" -0.6 "$T/case2.sox"
after "$T/case1.sox" 4
after "$T/case2.sox" 19
mix "$T/cases.sox" "$T/case1.sox" 1 "$T/case2.sox" 0.7
sx "$T/cases.sox" "$T/casesf.sox" pad 0 $ALL trim 0 $ALL
level "$T/casesf.sox" -50

# A jet outside, beyond the glass: a low roar swelling and falling away.
noise brownnoise 14 "$T/jet.sox" 100
sx "$T/jet.sox" "$T/jetf.sox" gain -10 highpass 40 lowpass 500 lowpass 700 \
    fade q 6 14 7 pad 9 0 pad 0 $ALL trim 0 $ALL channels 2
level "$T/jetf.sox" -44

# The chime and an announcement too far away and too echoing to be made out.
awkgen "$T/chime.sox" <<'AWK'
function tone(t0, f, a) { ring(t0, f, a, 0.5, 1.2); ring(t0, 2 * f, a * 0.2, 0.2, 0.6) }
BEGIN { alloc(1.7); tone(0, 784, 0.5); tone(0.45, 622.3, 0.5); emit() }
AWK
speak "$T/pa.sox" en-us+f2 150 55 "Flight two forty is now boarding at gate nine."
after "$T/pa.sox" 1.2
mix "$T/ann.sox" "$T/chime.sox" 0.6 "$T/pa.sox" 1
sx "$T/ann.sox" "$T/annf.sox" gain -6 overdrive 4 highpass 400 lowpass 2200 pad 0 3 \
    reverb 90 50 100 100 60 pad 17 0 pad 0 $ALL trim 0 $ALL channels 2
level "$T/annf.sox" -44

mix "$T/hall.sox" "$T/air.sox" 1 "$T/crowd.sox" 1 "$T/casesf.sox" 1 "$T/jetf.sox" 1 "$T/annf.sox" 1
loop "$T/hall.sox" $LEN $XF
encode "$T/loop.sox" -28
