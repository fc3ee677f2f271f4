#!/usr/bin/env bash
# Input storms under Xvfb: 10,000 synthetic X input events in 10 s, sent
# with xdotool in batches of 100 every 0.1 s, at the full-screen saver from
# the moment its window shows and at the preview. The close rules must hold
# throughout and every run must end with status 0 and no error in the
# trace log:
#   full screen, pointer and buttons: alive through the 4 s grace, ended
#     soon after it by the movement;
#   full screen, pointer and buttons with one key at 2 s: ended by the key,
#     while the storm goes on against its closing window;
#   preview in an xlogo window, pointer, buttons and wheel: alive after the
#     whole storm, ended when its parent goes.
# Prints the events sent and the times seen. Ends only what it started.
set -u
lumenwhirl=$(realpath "$1") data=$(realpath "$2")
source "$(dirname "$0")/lib.sh"
storm= pid= host=
lw_at_exit 'for p in $storm $pid $host; do kill "$p" 2> /dev/null; wait "$p" 2> /dev/null; done'
lw_xvfb -screen 0 640x480x24
# The package in a folder of the test's own, so that its trace log is too.
mkdir -p "$work/data"
ln -s "$data/lwhirl.dat" "$work/data/lwhirl.dat"
export LUMENWHIRL_PATH=$work/data
now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.2f", b - a }'; }
shown() { timeout 30 xdotool search --sync --onlyvisible --name '^Lumenwhirl$' > /dev/null; }

# One batch of 100 X events inside w x h at (x0, y0): pointer moves, and
# clicks of the given buttons (a press and a release each).
batch() {
    local x0=$1 y0=$2 w=$3 h=$4 buttons=($5) args=() i b
    for i in $(seq 20); do
        args+=(mousemove $(( x0 + RANDOM % w )) $(( y0 + RANDOM % h )))
        args+=(mousemove $(( x0 + RANDOM % w )) $(( y0 + RANDOM % h )))
        args+=(mousemove $(( x0 + RANDOM % w )) $(( y0 + RANDOM % h )))
        b=${buttons[RANDOM % ${#buttons[@]}]}
        args+=(mousedown "$b" mouseup "$b") # click would wait 0.1 s after each
    done
    xdotool "${args[@]}" 2> /dev/null
}
# storm_run X0 Y0 W H BUTTONS [KEY_AT_BATCH]: 100 batches 0.1 s apart (10,000
# events in 10 s), in the background; with KEY_AT_BATCH, a key after it.
storm_run() {
    local k
    (t0=$(now) ms0=$(( $(date +%s%N) / 1000000 ))
    for k in $(seq 100); do
        batch "$1" "$2" "$3" "$4" "$5"
        [ "$k" = "${6:-}" ] && xdotool key space 2> /dev/null
        # Paced by the clock: batch k+1 at k/10 s.
        wait_ms=$(( ms0 + k * 100 - $(date +%s%N) / 1000000 ))
        [ $wait_ms -gt 0 ] && sleep "$(printf '0.%03d' $wait_ms)"
    done
    echo "storm: 10,000 events sent in $(since "$t0") s") &
    storm=$!
}
finish() { # finish PID: its exit status, after it ended
    local rc
    wait "$1"
    rc=$?
    [ "$rc" -eq 0 ] || fail "$2 ended with status $rc"
}
log_clean() {
    grep -q "#ERROR" "$work/data/lwhirl.log" 2> /dev/null &&
        fail "$1: error lines in lwhirl.log: $(grep '#ERROR' "$work/data/lwhirl.log" | head -3)"
    rm -f "$work/data/lwhirl.log"
}

# Full screen, pointer and buttons (no wheel) from the moment it shows.
"$lumenwhirl" -s & pid=$!
shown || fail "the full-screen saver did not show"
start=$(now)
storm_run 0 0 640 480 "1 2 3"
sleep 3.5
kill -0 $pid 2> /dev/null || fail "the pointer storm ended the saver inside its grace ($(since "$start") s)"
ended_within $pid 4 || { fail "the saver outlived the storm after its grace"; kill $pid; }
echo "storm: full screen, pointer and buttons: ended after $(since "$start") s (grace 4 s)"
finish $pid "the full-screen saver"
pid=
wait $storm 2> /dev/null
storm=
log_clean "full screen"

# Full screen, pointer and buttons, a key after 2 s.
"$lumenwhirl" -s & pid=$!
shown || fail "the full-screen saver did not show"
start=$(now)
storm_run 0 0 640 480 "1 2 3" 20
ended_within $pid 5 || { fail "a key in the storm did not end the saver"; kill $pid; }
echo "storm: full screen, key after 2 s: ended after $(since "$start") s"
finish $pid "the full-screen saver (key)"
pid=
wait $storm 2> /dev/null
storm=
log_clean "full screen with a key"

# The preview inside xlogo: pointer, buttons and the wheel for 10 s.
xlogo -geometry 300x200+0+0 2> /dev/null & host=$!
parent=$(timeout 30 xdotool search --sync --name '^xlogo$' | head -1)
"$lumenwhirl" -p "$parent" & pid=$!
shown || fail "the preview did not show"
start=$(now)
storm_run 0 0 300 200 "1 2 3 4 5 6 7"
wait $storm 2> /dev/null
storm=
kill -0 $pid 2> /dev/null || fail "the storm ended the preview"
echo "storm: preview, pointer, buttons and wheel: alive after $(since "$start") s"
kill -TERM $host
ended_within $pid 3 || { fail "the preview outlived its parent"; kill $pid; }
finish $pid "the preview"
pid=
wait $host 2> /dev/null
host=

[ $fails -eq 0 ] && echo "input storms: 3 runs of 10,000 events, the rules held"
exit $(( fails > 0 ))
