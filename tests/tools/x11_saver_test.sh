#!/usr/bin/env bash
# The X11 saver under Xvfb, driven with xdotool: the close rules in full
# screen, the preview inside a parent window, drawing into a given window as
# an xscreensaver hack and ending cleanly on SIGTERM.
set -u
lumenwhirl=$(realpath "$1") data=$(realpath "$2")
source "$(dirname "$0")/lib.sh"
lw_xvfb -screen 0 640x480x24
# The package in a folder of the test's own: its trace log is the test's
# alone, whatever other tests run beside it.
mkdir -p "$work/data" && ln -s "$data/lwhirl.dat" "$work/data/lwhirl.dat"
export LUMENWHIRL_PATH=$work/data
# Waits until the saver's window is on the screen, which it is as soon as
# the scene has started: the grace time runs from here, however long the
# start took on a busy machine.
shown() { timeout 30 xdotool search --sync --onlyvisible --name '^Lumenwhirl$' > /dev/null; }

# Full screen: a key at 1 s ends it within a second.
"$lumenwhirl" -s & pid=$!
shown || fail "the full-screen saver did not show"
sleep 1; xdotool key space
ended_within $pid 1 || { fail "a key at 1 s did not end the saver"; kill $pid; }
wait $pid 2> /dev/null
grep -q "OpenGL info:" "$work/data/lwhirl.log" || fail "no OpenGL lines in lwhirl.log"
grep -q "#ERROR" "$work/data/lwhirl.log" && fail "error lines in lwhirl.log: $(grep '#ERROR' "$work/data/lwhirl.log" | head -3)"

# A pointer move at 2 s is ignored, one after 4.5 s ends it.
xdotool mousemove 100 100; sleep 0.2
"$lumenwhirl" -s & pid=$!
shown || fail "the full-screen saver did not show"
sleep 2; xdotool mousemove 300 300; sleep 0.5
alive $pid || fail "a pointer move at 2 s ended the saver"
sleep 2; xdotool mousemove 120 400
ended_within $pid 2 || { fail "a pointer move after 4.5 s did not end the saver"; kill $pid; }
wait $pid 2> /dev/null

# The preview inside a parent window: the pointer, buttons and the wheel
# leave it alone, also after 4 s; it ends when the parent goes.
"$lumenwhirl" -window-id 0 > /dev/null 2>&1 && fail "a window id of 0 was accepted"
xlogo -geometry 300x200+0+0 2> /dev/null & host=$!
parent=$(xdotool search --sync --name '^xlogo$' | head -1)
"$lumenwhirl" -p "$parent" & pid=$!
shown || fail "the preview did not show"
sleep 0.5
alive $pid || fail "the preview did not start"
for t in early late; do
    [ $t = late ] && sleep 3
    xdotool mousemove 150 100 mousemove 40 30 mousemove 260 170 click 1 click 3 click 2
    xdotool click 4 click 5 click 6 click 7
    sleep 0.5
    alive $pid || { fail "the pointer, a button or the wheel ended the preview ($t)"; break; }
done
kill -TERM $host
ended_within $pid 2 || { fail "the preview outlived its parent"; kill $pid; }
wait $pid $host 2> /dev/null

# As a hack into a window with an OpenGL visual (as xscreensaver makes it):
# the picture changes, SIGTERM ends it cleanly.
"$lumenwhirl" & host=$!
shown || fail "the normal window did not show"
target=$(xdotool search --name '^Lumenwhirl$' | head -1)
kill -STOP $host # the window stays, its own show stops drawing
"$lumenwhirl" -window-id "$target" & pid=$!
changed=
for _ in $(seq 100); do
    xwd -id "$target" -silent > "$work/a.xwd" 2> /dev/null; sleep 0.1
    xwd -id "$target" -silent > "$work/b.xwd" 2> /dev/null
    [ -s "$work/a.xwd" ] && ! cmp -s "$work/a.xwd" "$work/b.xwd" && { changed=1; break; }
done
[ -n "$changed" ] || fail "the hack's window did not change"
kill -TERM $pid
ended_within $pid 1 || { fail "SIGTERM did not end the hack within a second"; kill -9 $pid; }
wait $pid; status=$?
[ $status -eq 0 ] || fail "the hack ended with status $status after SIGTERM"
kill -CONT $host; kill -TERM $host; wait $host 2> /dev/null

# Without its package the saver plays on, and says why on standard error
# as well as in its trace log, full screen and as a hack (a copy of the
# program away from the build, which has no data folder to fall back on).
mkdir "$work/bin" && cp "$lumenwhirl" "$work/bin/lumenwhirl"
for mode in -s -root; do
    LUMENWHIRL_PATH=$work/nothing "$work/bin/lumenwhirl" $mode 2> "$work/err.txt" & pid=$!
    for _ in $(seq 100); do grep -q "cannot load the package" "$work/err.txt" && break; sleep 0.1; done
    grep -qx "lumenwhirl: cannot load the package $work/nothing/lwhirl.dat: No such file or directory" \
        "$work/err.txt" || fail "$mode without a package: $(cat "$work/err.txt")"
    alive $pid || fail "$mode without a package did not play on"
    kill -TERM $pid; ended_within $pid 2 || kill -9 $pid
    wait $pid 2> /dev/null
done

"$lumenwhirl" -c | grep -q "no settings" || fail "-c"
"$lumenwhirl" --help | grep -q -- "-window-id" || fail "--help"

lw_passed "X11 saver"
