#!/usr/bin/env bash
# The X11 saver on two monitors of different sizes (one Xvfb screen of
# 2304x768 split by xrandr --setmonitor into 1280x720+0+0 and
# 1024x768+1280+0), the root green on the first, blue on the second and
# yellow in the strip below the first that no monitor shows. Full screen in
# each mode: each monitor's sheet carries its own colour only (each), the
# second monitor stays black (primary), or one sheet carries both colours
# across the bezel (span). A monitor removed and the screen grown during the
# show leave it running, still covered, and a key ends it. As a hack in a
# window over the second monitor, the sheet is that monitor's part, and
# in primary mode that window stays black.
set -u
lumenwhirl=$(realpath "$1") probe=$(realpath "$2") data=$(realpath "$3")
source "$(dirname "$0")/lib.sh"
lw_xvfb -screen 0 2304x768x24
mkdir -p "$work/data" && ln -s "$data/lwhirl.dat" "$work/data/lwhirl.dat"
export LUMENWHIRL_PATH=$work/data XDG_CONFIG_HOME=$work/config

second() { xrandr --setmonitor B 1024/271x768/203+1280+0 none > /dev/null; }
{ xrandr --setmonitor A 1280/339x720/191+0+0 screen > /dev/null && second; } || fail "xrandr --setmonitor failed"
[ "$(xrandr --listmonitors | head -1)" = "Monitors: 2" ] || fail "xrandr lists $(xrandr --listmonitors | head -1)"
convert -size 2304x768 xc:yellow -fill '#00c000' -draw 'rectangle 0,0 1279,719' \
    -fill '#2040ff' -draw 'rectangle 1280,0 2303,767' "$work/root.png"
display -window root "$work/root.png" || true # it reports 1 even when the root shows it

# Lines "T A DARK GREEN BLUE B ... S ..." (percentages) of the monitors and
# the strip, read from the root for SECONDS.
watch_root() {
    "$probe" colours "$1" A=0,0,1280,720 B=1280,0,1024,768 S=0,720,1280,48 > "$2"
}
# True when a reading of the file meets awk's condition.
seen() { awk "$1 { found = 1 } END { exit !found }" "$2"; }
# A sheet of the first monitor's own colour on it, lit, with dark around.
own_a='$3 >= 3 && $4 >= 15 && $5 == 0'
own_b='$7 >= 3 && $9 >= 15 && $8 == 0'
crossed_a='$4 >= 15 && $5 >= 1'
crossed_b='$9 >= 15 && $8 >= 1'

for mode in each span primary; do
    before=$fails
    "$lumenwhirl" -s --monitors $mode > "$work/$mode.out" 2>&1 & pid=$!
    watch_root 14 "$work/$mode.txt"
    alive $pid || fail "$mode: the saver ended by itself"
    xdotool key space
    ended_within $pid 2 || { fail "$mode: a key did not end it"; kill $pid; }
    wait $pid; status=$?
    [ $status -eq 0 ] || fail "$mode: status $status ($(head -2 "$work/$mode.out"))"
    case $mode in
    each)
        seen "$own_a && $own_b && \$11 == 100" "$work/$mode.txt" ||
            fail "each: no moment with each monitor's sheet in its own colour alone and the strip black"
        seen "($crossed_a) || ($crossed_b)" "$work/$mode.txt" &&
            fail "each: a monitor's sheet carried the other's colour"
        ;;
    span)
        seen "($crossed_a) && ($crossed_b)" "$work/$mode.txt" ||
            fail "span: no moment with one sheet over both monitors"
        ;;
    primary)
        seen "$own_a && \$7 >= 99.5" "$work/$mode.txt" ||
            fail "primary: no moment with the sheet on the first monitor and the second black"
        ;;
    esac
    [ $fails -eq $before ] || { echo "$mode readings:"; cat "$work/$mode.txt"; }
done

# A monitor removed, the screen shrunk and grown again: the saver plays on,
# covers the grown part too, and a key still ends it with status 0.
xrandr --fb 2000x768 > /dev/null 2>&1
[ "$(xdpyinfo | awk '/dimensions:/ { print $2 }')" = 2000x768 ] || fail "the screen did not shrink to 2000x768"
"$lumenwhirl" -s > "$work/plug.out" 2>&1 & pid=$!
timeout 30 xdotool search --sync --onlyvisible --name '^Lumenwhirl$' > /dev/null || fail "hot-plug: no saver window"
sleep 2
xrandr --delmonitor B > /dev/null || fail "xrandr --delmonitor failed"
xrandr --fb 2304x768 > /dev/null 2>&1
sleep 2
alive $pid || fail "hot-plug: the saver ended when the monitors changed"
win=$(xdotool search --onlyvisible --name '^Lumenwhirl$' | head -1)
width=$(xwininfo -id "$win" 2> /dev/null | awk '/Width:/ { print $2 }')
[ "$width" = 2304 ] || fail "hot-plug: the saver's window is $width wide on the grown 2304 screen"
xdotool key space
ended_within $pid 2 || { fail "hot-plug: a key did not end it"; kill $pid; }
wait $pid; status=$?
[ $status -eq 0 ] || fail "hot-plug: status $status ($(head -2 "$work/plug.out"))"
second || fail "xrandr --setmonitor failed again"

# A hack in a window over the second monitor, with xscreensaver's picture
# of the whole root: the sheet is that monitor's part, blue only.
before=$fails
"$probe" window 1280 0 1024 768 > "$work/window" & host=$!
lw_track $host
wait_until 10 test -s "$work/window" || fail "the probe made no window"
"$lumenwhirl" -window-id "$(cat "$work/window")" > "$work/hack.out" 2>&1 & pid=$!
watch_root 14 "$work/hack.txt"
kill -TERM $pid
ended_within $pid 2 || { fail "hack: SIGTERM did not end it"; kill -9 $pid; }
wait $pid; status=$?
[ $status -eq 0 ] || fail "hack: status $status ($(head -2 "$work/hack.out"))"
seen "$own_b" "$work/hack.txt" || fail "hack: no moment with the second monitor's own sheet in its window"
seen "$crossed_b" "$work/hack.txt" && fail "hack: its sheet carried the first monitor's colour"
[ $fails -eq $before ] || { echo "hack readings:"; cat "$work/hack.txt"; }
# In primary mode the hack over the second monitor draws nothing there.
"$lumenwhirl" -window-id "$(cat "$work/window")" --monitors primary > "$work/hack2.out" 2>&1 & pid=$!
# Until it has laid itself out the window still holds the last hack's frame.
wait_until 20 grep -q "off the primary monitor: black" "$work/data/lwhirl.log" ||
    fail "hack, primary: the trace log does not say the window is black"
watch_root 6 "$work/hack2.txt"
kill -TERM $pid
ended_within $pid 2 || { fail "hack, primary: SIGTERM did not end it"; kill -9 $pid; }
wait $pid
seen '$7 < 99.5' "$work/hack2.txt" && fail "hack, primary: its window over the second monitor was not black"
lw_passed "x11 monitors"
