#!/bin/sh
# SPDX-License-Identifier: MIT
# Builds the game's sounds from their recipes in assets/sounds into OUTDIR/sounds.
#
#   build-sounds.sh OUTDIR      build what is missing or older than its recipe
#   build-sounds.sh --list      print the file names it makes, one a line
#
# Each recipe NAME.sh makes the file NAME (a .wav effect or an .mp3 background track)
# and must give the same bytes every time. Recipes run in parallel (JOBS, default the
# number of cores), each in its own scratch folder; a finished sound is copied in under
# a hidden name that does not end in "wav" (the game loads every *wav in the folder)
# and renamed into place, so an interrupted build never leaves a half-written sound.
set -eu

SRC=$(cd "$(dirname "$0")/../../assets/sounds" && pwd)

# The long background tracks first, so that they are not left running alone at the end.
recipes() {
    for r in "$SRC"/*.mp3.sh "$SRC"/*.wav.sh; do
        if [ -e "$r" ]; then basename "$r" .sh; fi
    done
}

# Internal: build one file (run by xargs below).
if [ "${1:-}" = "--one" ]; then
    name=$2 dir=$3
    scratch=$(mktemp -d)
    trap 'rm -rf "$scratch"' EXIT
    mkdir "$scratch/work"
    if ! sh "$SRC/$name.sh" "$scratch/$name" "$scratch/work" 2>"$scratch/log"; then
        echo "build-sounds: $name failed:" >&2
        cat "$scratch/log" >&2
        exit 1
    fi
    cp "$scratch/$name" "$dir/.$name.part"
    mv "$dir/.$name.part" "$dir/$name"
    exit 0
fi

if [ $# -ne 1 ] || [ -z "$1" ]; then
    echo "usage: build-sounds.sh OUTDIR | --list" >&2
    exit 2
fi
if [ "$1" = "--list" ]; then
    recipes
    exit 0
fi

dir=$1/sounds
mkdir -p "$dir"
rm -f "$dir"/.*.part
todo=""
for name in $(recipes); do
    r=$SRC/$name.sh
    # Up to date when newer than its recipe and every shared helper (lib.sh, *.awk, *.py).
    fresh=yes
    for dep in "$r" "$SRC/lib.sh" "$SRC"/*.awk "$SRC"/*.py; do
        if ! [ "$dir/$name" -nt "$dep" ]; then fresh=no; fi
    done
    [ $fresh = yes ] || todo="$todo $name"
done
[ -z "$todo" ] && exit 0

jobs=${JOBS:-$(nproc 2>/dev/null || echo 2)}
# shellcheck disable=SC2086
printf '%s\n' $todo | xargs -P "$jobs" -I{} sh "$0" --one {} "$dir" || {
    echo "build-sounds: some sounds failed to build" >&2
    exit 1
}
