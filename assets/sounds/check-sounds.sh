#!/bin/sh
# SPDX-License-Identifier: MIT
# Checks the built sounds: every file the game asks for is there and is a clean,
# usable sound. Prints one line per file (channels, length, peak, RMS) and a reason
# for every failure; exits 1 if anything failed.
#
#   check-sounds.sh RESOURCE_DIR            check RESOURCE_DIR/sounds
#   check-sounds.sh --repeat RESOURCE_DIR   also build twice more into scratch
#                                           folders and require identical bytes
#   ONLY="In OfficeNoise" check-sounds.sh RESOURCE_DIR   only the files named
set -eu
export LC_ALL=C

repeat=no
if [ "${1:-}" = "--repeat" ]; then
    repeat=yes
    shift
fi
if [ $# -ne 1 ]; then
    echo "usage: check-sounds.sh [--repeat] RESOURCE_DIR" >&2
    exit 2
fi
dir=$1/sounds
here=$(cd "$(dirname "$0")" && pwd)

# Every effect the game plays and every background track it loops.
effects="Crumple Computer In BounceIn RimIn RimOut Out Aww Applause unlock
OffScreenLeft0 OffScreenLeft1 OffScreenLeft2 OffScreenLeft3 OffScreenRight0 OffScreenRight1
AirportLeft0 AirportLeft1 AirportRight0 AirportRight1
mopper_urinal crooner_worldtour MetalClank Rats"
tracks="OfficeNoise AirportNoise BasementAmbient"
# ONLY="NAME ...": check just these (one file of each kind takes seconds, all of them minutes).
if [ -n "${ONLY:-}" ]; then
    effects=$(for n in $effects; do case " $ONLY " in *" $n "*) echo "$n" ;; esac; done)
    tracks=$(for n in $tracks; do case " $ONLY " in *" $n "*) echo "$n" ;; esac; done)
fi

failed=0
fail() {
    echo "  FAIL $name: $*"
    failed=1
}

# stat LABEL FILE: the overall value of one line of sox's stats (first number column).
stat() {
    sox "$2" -n stats 2>&1 |
        awk -v l="$1" 'index($0, l) == 1 { split(substr($0, length(l) + 1), a, " "); print a[1] }'
}

# samples FILE START LEN: the mono mix of FILE from START for LEN seconds, one value a line.
samples() { sox "$1" -t dat -c 1 - trim "$2" "$3" | awk '!/^;/ { print $2 }'; }

# Is the float expression true?
is() { awk "BEGIN { exit !($*) }"; }

check() { # FILE KIND
    f=$1
    # Decode the tracks as the game's MP3 decoder does: without the encoder's delay and
    # padding, which the file's header gives. (sox would keep them.)
    if [ "$2" = track ]; then
        lame --quiet --decode "$f" "$scratch/track.wav"
        f=$scratch/track.wav
    fi
    rate=$(soxi -r "$f") chans=$(soxi -c "$f") len=$(soxi -D "$f")
    pk=$(stat "Pk lev dB" "$f") rms=$(stat "RMS lev dB" "$f") dc=$(stat "DC offset" "$f")
    printf '%-24s %d ch  %6.2f s  peak %6.2f dB  RMS %6.2f dB\n' "$name" "$chans" "$len" "$pk" "$rms"
    [ "$rate" = 44100 ] || fail "sample rate $rate, not 44100"
    [ "$chans" = 1 ] || [ "$chans" = 2 ] || fail "$chans channels"
    is "$rms > -40" || fail "nearly silent (RMS $rms dB)"
    is "$dc < 0.01 && $dc > -0.01" || fail "DC offset $dc"
    if [ "$2" = effect ]; then
        [ "$(soxi -b "$f")" = 16 ] || fail "not 16-bit"
        # The device's own format, which the game plays from the file without a copy.
        [ "$chans" = 2 ] || fail "not stereo"
        is "$len >= 0.1 && $len <= 5" || fail "length $len s"
        is "$pk >= -1.5 && $pk <= -0.5" || fail "peak $pk dB, not about -1 dB"
        # It must start and stop at rest, and start at once: the game plays it the
        # moment something happens.
        samples "$f" 0 0.1 | awk -v n="$name" '
            NR == 1 && ($1 > 0.02 || $1 < -0.02) { print "  FAIL " n ": starts with a step of " $1; bad = 1 }
            !on && ($1 > 0.03 || $1 < -0.03) { on = NR }
            END { if (!on) { print "  FAIL " n ": silent for its first 0.1 s"; bad = 1 } exit bad }' ||
            failed=1
        last=$(samples "$f" "$(awk "BEGIN { print $len - 0.001 }")" 0.001 | tail -n 1)
        is "$last < 0.005 && $last > -0.005" || fail "ends with a step of $last"
    else
        is "$len >= 30" || fail "only $len s long"
        is "$pk <= -1" || fail "peak $pk dB"
        # The loop joins its end to its start: the step across the join must look
        # like the other steps of the track around it (a click is a step many times
        # the usual size).
        samples "$f" "$(awk "BEGIN { print $len - 0.02 }")" 0.02 >"$scratch/seam"
        samples "$f" 0 0.02 >>"$scratch/seam"
        awk -v n="$name" -v join="$(($(wc -l <"$scratch/seam") / 2))" '
            { v[NR] = $1 }
            END {
                for (i = 2; i <= NR; i++) {
                    d = v[i] - v[i - 1]; if (d < 0) d = -d
                    if (i == join + 1) seam = d; else { sum += d; k++ }
                }
                usual = sum / k
                printf "%-24s loop join: step %.5f, %.1f times the usual\n", "", seam, seam / usual
                if (seam > 6 * usual + 0.0005) {
                    printf "  FAIL %s: a step of %.4f where the loop joins, %.1f times the usual %.5f\n", n, seam, seam / usual, usual
                    exit 1
                }
            }' "$scratch/seam" || failed=1
    fi
}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

for name in $effects; do
    if [ -f "$dir/$name.wav" ]; then check "$dir/$name.wav" effect; else fail "missing $dir/$name.wav"; fi
done
for name in $tracks; do
    if [ -f "$dir/$name.mp3" ]; then check "$dir/$name.mp3" track; else fail "missing $dir/$name.mp3"; fi
done

if [ $repeat = yes ]; then
    name=rebuild
    builder=$here/../../tools/assets/build-sounds.sh
    for n in 1 2; do
        sh "$builder" "$scratch/r$n" || fail "build $n failed"
        (cd "$scratch/r$n/sounds" && md5sum -- *) >"$scratch/sum$n"
    done
    (cd "$dir" && md5sum -- *) >"$scratch/sum0"
    if cmp -s "$scratch/sum1" "$scratch/sum2"; then
        echo "rebuilt twice: identical bytes ($(wc -l <"$scratch/sum1") files)"
    else
        fail "two builds differ: $(diff "$scratch/sum1" "$scratch/sum2" | grep '^<' | awk '{ print $3 }' | tr '\n' ' ')"
    fi
    cmp -s "$scratch/sum0" "$scratch/sum1" || fail "the checked folder differs from a fresh build"
fi

[ $failed = 0 ] && echo "all sounds fine" || echo "some sounds failed"
exit $failed
