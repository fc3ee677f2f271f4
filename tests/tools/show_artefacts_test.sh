#!/usr/bin/env bash
# The default show's mesh phase, recorded: no frame shows a comb of
# alternating dark and bright bands. A sheet whose triangles come in an
# order that does not paint far before near (the show draws it with the
# depth test off), or that the depth range cuts, shows one where it rolls.
#
#     show_artefacts_test.sh LUMENWHIRL LW_STRIPES DATA_DIR
set -u
lumenwhirl=$(realpath "$1") stripes=$(realpath "$2") data=$(realpath "$3")
source "$(dirname "$0")/lib.sh"
# The package in a folder of the test's own: its trace log is the test's
# alone, whatever other tests run beside it.
mkdir -p "$work/data" && ln -s "$data/lwhirl.dat" "$work/data/lwhirl.dat"
export LUMENWHIRL_PATH=$work/data

# The comb puts a bright and a dark stripe into each of the sheet's 48 rows
# of faces, a few pixels each at 640x360. A brightness turn is a move of 6
# levels (of 255) back from the last extreme; more than five turns each
# within 8 pixels of the one before make a comb. The shaded sheet with the
# desktop picture on it has at most three.
step=6 gap=8 most=5

"$lumenwhirl" --record "$work/show" --seconds 8 --size 640x360 > "$work/out.txt" || fail "recording"
# The recorder counts the mesh phase's frames after the first; the frame
# after them is the switch, which draws the sheet alone too.
mesh=$(sed -n 's/^lumenwhirl: mesh phase .*(\([0-9]*\) frames).*$/\1/p' "$work/out.txt")
grep -q '^lumenwhirl: movie phase ' "$work/out.txt" || fail "the recording stops before the movie phase"
if [ -z "$mesh" ] || [ "$mesh" -lt 100 ]; then
    fail "no mesh phase of 100 frames or more in the recording"
    mesh=-1
fi
frames=()
for ((i = 0; i <= mesh + 1; ++i)); do frames+=("$(printf '%s/show/frame-%05d.png' "$work" "$i")"); done
if [ ${#frames[@]} -gt 0 ]; then
    "$stripes" $step $gap "${frames[@]}" > "$work/runs.txt" || fail "unreadable frames"
    awk -v most=$most '$2 > most' "$work/runs.txt" > "$work/combs.txt"
    if [ -s "$work/combs.txt" ]; then
        fail "$(wc -l < "$work/combs.txt") of ${#frames[@]} frames show stripes (frame, turns, line, start):"
        sed 's|.*/||' "$work/combs.txt" | head -5
    fi
fi

if [ $fails -eq 0 ]; then
    echo "show artefacts: frames 0 to $((mesh + 1)), at most $(sort -k2 -n "$work/runs.txt" | tail -1 | cut -d' ' -f2) turns in a run, all checks passed"
else
    exit 1
fi
