# SPDX-License-Identifier: MIT
# Helpers shared by the sound recipes; each recipe sources this file.
# A recipe is run as:  sh NAME.EXT.sh OUT SCRATCH
#   OUT      the file to write (a .wav or an .mp3)
#   SCRATCH  an empty directory the recipe may fill with working files
# Everything here is deterministic: sox runs with -R (fixed seeds for its noise and
# dither) and the awk generators draw from their own seeded generator.
set -eu

OUT=$1
T=$2
HERE=$(cd "$(dirname "$0")" && pwd)
SR=44100
export LC_ALL=C

# calc EXPR: arithmetic with fractions.
calc() { awk "BEGIN { print $1 }"; }

# sox with repeatable randomness. A step that clips fails the recipe: lower the level
# before that step (finish sets the final level anyway).
sx() {
    if ! sox -R -V2 "$@" 2>"$T/sx.log" || grep -q clipped "$T/sx.log"; then
        echo "sox $*" >&2
        cat "$T/sx.log" >&2
        return 1
    fi
}

# A fast limiter with a little look-ahead: brings up the body of crackly, clicky
# sounds whose loudest instant would otherwise set the whole level.
PUNCH="compand 0.0002,0.01 3:-60,-50,-30,-12,-10,-6,0,-5 0 -60 0.0005"

# A stretch of silence (seconds) as a working file.
silence() { sx -n -r $SR -c 1 "$2" trim 0 "$1"; }

# awkgen FILE [awk -v assignments...] <<'EOF' ... EOF
# Runs the awk program on stdin with the synthesis library loaded. The program works
# in its BEGIN block: it calls alloc(seconds), adds events into buf[] with the
# library's functions, and finishes with emit(). The samples become FILE.
awkgen() {
    f=$1
    shift
    cat >"$T/gen.awk"
    awk -v SR=$SR "$@" -f "$HERE/synth.awk" -f "$T/gen.awk" </dev/null >"$T/gen.dat"
    sx "$T/gen.dat" -e signed -b 32 "$f"
    rm -f "$T/gen.dat" "$T/gen.awk"
}

# mix OUT IN1 GAIN1 IN2 GAIN2 ...: sum of the inputs, each scaled by its gain
# (no automatic division, so the gains are the levels heard).
mix() {
    o=$1
    shift
    args=""
    while [ $# -ge 2 ]; do
        args="$args -v $2 $1"
        shift 2
    done
    # shellcheck disable=SC2086
    sx -m $args -e signed -b 32 "$o"
}

# speak FILE VOICE SPEED PITCH WORDS...: a voice from espeak-ng at 44.1 kHz, trimmed
# of the silence espeak puts around it.
speak() {
    f=$1 v=$2 s=$3 p=$4
    shift 4
    espeak-ng -v "$v" -s "$s" -p "$p" -w "$T/speak.wav" "$*" 2>/dev/null
    sx "$T/speak.wav" -e signed -b 32 "$T/speak.sox" rate -v $SR \
        silence 1 0.005 0.3% reverse silence 1 0.005 0.3% reverse
    sx "$T/speak.sox" "$f" fade h 0.005 -0 0.03
    rm -f "$T/speak.wav" "$T/speak.sox"
}

# noise KIND SECONDS FILE [OFFSET]: a stretch of sox's white/pink/brown noise. With -R
# every call draws the same sequence, so layers that must not be alike take their
# stretch from different OFFSETs (seconds) into it.
noise() {
    sx -n -r $SR -c 1 "$3" synth "$(calc "${4:-0} + $2")" "$1" trim "${4:-0}"
}

# place FILE PAN OUT: a mono FILE as stereo, PAN from -1 (left) to 1 (right) at equal
# power.
place() {
    g=$(awk -v p="$2" 'BEGIN { a = (p + 1) * 3.14159265 / 4; printf "1v%.4f 1v%.4f", cos(a), sin(a) }')
    # shellcheck disable=SC2086
    sx "$1" -c 2 "$3" remix $g
}

# chatter FILE SECONDS "VOICE PITCH GAP WORDS..." ...: one person's talk, in mono:
# each line waits GAP seconds, then says WORDS in the espeak-ng VOICE at PITCH; the
# whole is cut or padded to SECONDS.
chatter() {
    o=$1 secs=$2
    shift 2
    parts=""
    k=0
    for line in "$@"; do
        k=$((k + 1))
        # shellcheck disable=SC2086
        set -- $line
        v=$1 p=$2 gap=$3
        shift 3
        silence "$gap" "$T/ch$k-gap.sox"
        speak "$T/ch$k.sox" "$v" 150 "$p" "$*"
        parts="$parts $T/ch$k-gap.sox $T/ch$k.sox"
    done
    # shellcheck disable=SC2086
    sx $parts "$o" pad 0 "$secs" trim 0 "$secs"
    rm -f $parts
}

# paperhit FILE SEED: the paper ball bouncing off someone or something: a soft pat
# and a crinkle.
paperhit() {
    awkgen "$1" -v S="$2" -f "$HERE/basket.awk" <<'AWK'
BEGIN { seed(S); alloc(0.2); floorpat(0.002, 1); emit() }
AWK
}

# after FILE SECONDS: FILE delayed by SECONDS of silence, in place.
after() {
    sx "$1" "$T/after.sox" pad "$2" 0
    mv "$T/after.sox" "$1"
}

# finish IN [FADE_IN [FADE_OUT]]: the last step of every effect: 16-bit 44.1 kHz mono,
# no DC, short fades at both ends so it starts and stops without a click, peak -1 dBFS.
# The one channel is written twice, as a stereo file: that is the audio device's own
# format, which the game plays from the file as it lies instead of converting a copy.
finish() {
    sx "$1" -b 16 -e signed -c 1 "$T/finish.wav" rate -v $SR highpass 20 \
        fade h "${2:-0.003}" -0 "${3:-0.02}" norm -1
    sx "$T/finish.wav" -c 2 "$OUT"
    rm -f "$T/finish.wav"
}

# side left|right IN [FADE_IN [FADE_OUT]]: finish for a sound that happens off screen:
# stereo, louder and earlier on its own side.
side() {
    case $1 in
    left) pan="remix 1v1 1v0.4 delay 0 0.0005" ;;
    right) pan="remix 1v0.4 1v1 delay 0.0005 0" ;;
    *) echo "side: left or right, not $1" >&2 && return 1 ;;
    esac
    # shellcheck disable=SC2086
    sx "$2" -b 16 -e signed -c 2 "$OUT" rate -v $SR highpass 20 $pan \
        fade h "${3:-0.003}" -0 "${4:-0.02}" norm -1
}

# loop IN SECONDS XFADE: a seamless loop of SECONDS from IN (which must be at least
# SECONDS + XFADE long): the XFADE seconds that follow the loop are faded out over
# its start while the start fades in, so its last sample runs on into its first.
loop() {
    sx "$1" "$T/head.sox" trim 0 "$3" fade q "$3"
    sx "$1" "$T/tail.sox" trim "$2" "$3" fade q 0 "$3" "$3"
    sx "$1" "$T/rest.sox" trim "$3" "$(calc "$2 - $3")"
    mix "$T/seam.sox" "$T/head.sox" 1 "$T/tail.sox" 1
    sx "$T/seam.sox" "$T/rest.sox" "$T/loop.sox"
    rm -f "$T/head.sox" "$T/tail.sox" "$T/rest.sox" "$T/seam.sox"
}

# rms FILE: the RMS level of FILE in dBFS (all channels).
rms() { sox "$1" -n stats 2>&1 | awk '/^RMS lev dB/ { print $4 }'; }

# level FILE RMS_DB: scale FILE, in place, to that RMS level. Layers of a background
# track are set this way, so that their balance reads as numbers in the recipe.
level() {
    sx "$1" "$T/level.sox" gain "$(awk -v t="$2" -v r="$(rms "$1")" 'BEGIN { print t - r }')"
    mv "$T/level.sox" "$1"
}

# encode IN RMS_DB: a background track: 44.1 kHz stereo MP3 at that RMS level, which
# sits under the effects (they peak at -1 dBFS). An encoder codes the first and last
# moments of a file as edges, which would leave a faint tick where the loop joins; so
# the loop is encoded with WRAP samples of its own end before it and of its own start
# after it, and the header's gapless trim (encoder delay and padding) is widened to
# drop them again.
WRAP=2048
encode() {
    level "$1" "$2"
    sx "$1" -b 16 -e signed -c 2 "$T/enc.wav" rate -v $SR
    sx "$T/enc.wav" "$T/lead.wav" trim -${WRAP}s
    sx "$T/enc.wav" "$T/trail.wav" trim 0 ${WRAP}s
    sx "$T/lead.wav" "$T/enc.wav" "$T/trail.wav" "$T/wrapped.wav"
    lame --quiet --noreplaygain -q 2 -b 128 --cbr "$T/wrapped.wav" "$T/enc.mp3"
    python3 "$HERE/mp3-hide-wrap.py" "$T/enc.mp3" $WRAP $WRAP
    mv "$T/enc.mp3" "$OUT"
    rm -f "$T/enc.wav" "$T/lead.wav" "$T/trail.wav" "$T/wrapped.wav"
}
