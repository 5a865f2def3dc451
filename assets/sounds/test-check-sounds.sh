#!/bin/sh
# SPDX-License-Identifier: MIT
# Shows that check-sounds.sh catches the faults it is there for: passes a good built
# resource folder, then spoils one file at a time in a copy of it and expects the
# check to fail on that file for that reason.
#
#   test-check-sounds.sh [--quick] RESOURCE_DIR     (a folder the build made)
#
# --quick spoils one effect and one track only; each spoilt copy is checked for the spoilt
# file alone either way.
set -eu
export LC_ALL=C

quick=no
if [ "${1:-}" = "--quick" ]; then
    quick=yes
    shift
fi
if [ $# -ne 1 ] || ! [ -d "$1/sounds" ]; then
    echo "usage: test-check-sounds.sh [--quick] RESOURCE_DIR" >&2
    exit 2
fi
good=$1
check=$(cd "$(dirname "$0")" && pwd)/check-sounds.sh
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
bad=0

only=
[ $quick = yes ] && only="In OfficeNoise"
if ONLY=$only sh "$check" "$good" >"$scratch/out" 2>&1; then
    echo "ok   the built folder passes"
else
    echo "FAIL the built folder does not pass:"
    cat "$scratch/out"
    bad=1
fi

# spoil NAME "EXPECTED TEXT" COMMAND...: in a fresh copy, run COMMAND (with $f the file
# and $g a scratch file) and expect the check to fail with EXPECTED TEXT for NAME.
spoil() {
    name=$1 want=$2
    shift 2
    if [ $quick = yes ] && [ "$name" != In.wav ] && [ "$name" != OfficeNoise.mp3 ]; then return; fi
    rm -rf "$scratch/res"
    mkdir -p "$scratch/res"
    cp -r "$good/sounds" "$scratch/res/"
    f=$scratch/res/sounds/$name g=$scratch/tmp.${name##*.}
    eval "$*"
    if ONLY=${name%.*} sh "$check" "$scratch/res" >"$scratch/out" 2>&1; then
        echo "FAIL $name: the check passed after: $*"
        bad=1
    elif grep "FAIL ${name%.*}:" "$scratch/out" | grep -q "$want"; then
        echo "ok   $name: $want"
    else
        echo "FAIL $name: expected \"$want\", got:"
        grep FAIL "$scratch/out"
        bad=1
    fi
}

# A 10 ms sine starting at its crest: put before a sound it makes a step at the start.
crest() { sox -n -r 44100 -c "$(soxi -c "$1")" -b 16 "$2" synth 0.01 sine 25 0 25 vol 0.5; }

spoil Rats.wav "missing" 'rm "$f"'
spoil In.wav "starts with a step" 'crest "$f" "$scratch/c.wav"; sox "$scratch/c.wav" "$f" "$g"; mv "$g" "$f"'
spoil Out.wav "ends with a step" 'crest "$f" "$scratch/c.wav"; sox "$scratch/c.wav" "$scratch/r.wav" reverse; sox "$f" "$scratch/r.wav" "$g"; mv "$g" "$f"'
spoil Aww.wav "silent for its first" 'sox "$f" "$g" pad 0.2 0; mv "$g" "$f"'
spoil unlock.wav "nearly silent" 'sox "$f" "$g" vol 0.003; mv "$g" "$f"'
spoil Crumple.wav "not about -1 dB" 'sox "$f" "$g" vol 0.5; mv "$g" "$f"'
spoil Computer.wav "sample rate 22050" 'sox "$f" "$g" rate 22050; mv "$g" "$f"'
spoil RimIn.wav "not 16-bit" 'sox "$f" -b 24 "$g"; mv "$g" "$f"'
spoil Applause.wav "not stereo" 'sox "$f" -c 1 "$g"; mv "$g" "$f"'
spoil MetalClank.wav "DC offset" 'sox "$f" "$g" vol 0.5 dcshift 0.1 norm -1; mv "$g" "$f"'
spoil OfficeNoise.mp3 "only" 'lame --quiet --decode "$f" "$g.wav"; sox "$g.wav" "$g.cut.wav" trim 0 20; lame --quiet "$g.cut.wav" "$f"'
spoil BasementAmbient.mp3 "where the loop joins" 'lame --quiet --decode "$f" "$g.wav"; sox "$g.wav" "$g.wav" "$g.cut.wav" trim 0.3 30.2; lame --quiet "$g.cut.wav" "$f"'

[ $bad = 0 ] && echo "the check catches every spoilt file"
exit $bad
