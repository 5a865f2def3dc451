# A desk computer's answer to a click: two quick square-wave blips, rising, through a
# small speaker.
. "$(dirname "$0")/lib.sh"

sx -n -r $SR -c 1 "$T/a.sox" synth 0.055 square 1320 fade h 0.002 0.055 0.01 pad 0 0.015
sx -n -r $SR -c 1 "$T/b.sox" synth 0.085 square 1980 fade h 0.002 0.085 0.03
sx "$T/a.sox" "$T/b.sox" "$T/ab.sox" gain -10 lowpass 4500 highpass 500 \
    equalizer 2500 1q 4 pad 0 0.08 reverb 15 50 20
finish "$T/ab.sox"
