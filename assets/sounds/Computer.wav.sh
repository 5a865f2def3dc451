# SPDX-License-Identifier: MIT
# A desk computer's answer to a click: two quick blips, rising, each dying away, out of
# a small speaker.
. "$(dirname "$0")/lib.sh"

sx -n -r $SR -c 1 "$T/a.sox" synth 0.06 square 1320 fade l 0.002 0.06 0.055 pad 0 0.01
sx -n -r $SR -c 1 "$T/b.sox" synth 0.1 square 1980 fade l 0.002 0.1 0.095
sx "$T/a.sox" "$T/b.sox" "$T/ab.sox" gain -10 lowpass 4000 highpass 500 \
    equalizer 2500 1q 4 pad 0 0.08 reverb 15 50 20
finish "$T/ab.sox"
