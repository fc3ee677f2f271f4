#!/usr/bin/env bash
# The X server goes away under a running saver (the session ends, the server
# restarts): as a hack, full screen and as a preview the saver must end
# within 2 s, with a non-zero status and a line that says why, instead of
# hanging in its exit path.
set -u
lumenwhirl=$(realpath "$1") data=$(realpath "$2")
source "$(dirname "$0")/lib.sh"
xvfb= saver= parent=
lw_at_exit 'for p in $saver $parent; do kill -9 "$p" 2> /dev/null; done'
mkdir "$work/data" && ln -s "$data/lwhirl.dat" "$work/data/lwhirl.dat"
export LUMENWHIRL_PATH=$work/data

start_xvfb() { lw_xvfb -screen 0 320x240x24; }

# True once two looks at window $1, taken a little apart, differ: the show
# is drawing into it.
drawing() {
    local i
    for i in $(seq 100); do
        xwd -id "$1" -silent > "$work/a.xwd" 2> /dev/null; sleep 0.1
        xwd -id "$1" -silent > "$work/b.xwd" 2> /dev/null
        [ -s "$work/a.xwd" ] && ! cmp -s "$work/a.xwd" "$work/b.xwd" && return 0
    done
    return 1
}

# Ends the X server under the saver; the saver must be gone within 2 s with
# a non-zero status and say that the display is lost.
lose_display() {
    local what=$1 i
    kill -TERM "$xvfb"
    for i in $(seq 40); do kill -0 "$saver" 2> /dev/null || break; sleep 0.05; done
    if kill -0 "$saver" 2> /dev/null; then
        fail "$what: still running 2 s after its display went away"
        kill -9 "$saver"
    fi
    wait "$saver"; local status=$?
    [ $status -ne 0 ] || fail "$what: ended with status 0 when its display went away"
    grep -q "connection to the X display is lost" "$work/stderr" || fail "$what: nothing on standard error"
    saver=
    wait "$xvfb" 2> /dev/null
    xvfb=
}

# True once window $1 no longer looks as in the xwd file $2: the preview
# (a still picture) has drawn over its parent.
drawn_over() {
    local i
    for i in $(seq 200); do
        xwd -id "$1" -silent > "$work/a.xwd" 2> /dev/null
        [ -s "$work/a.xwd" ] && ! cmp -s "$work/a.xwd" "$2" && return 0
        sleep 0.1
    done
    return 1
}

root_id() { xwininfo -root | awk '/Window id:/ {print $4}'; }
# Waits until the saver's trace log says its package is loaded.
loaded() {
    local i
    for i in $(seq 200); do grep -q "FXPackage::Load" "$work/data/lwhirl.log" 2> /dev/null && return 0; sleep 0.05; done
    return 1
}

start_xvfb
rm -f "$work/data/lwhirl.log"
"$lumenwhirl" -root 2> "$work/stderr" & saver=$!
loaded && drawing "$(root_id)" || fail "the hack did not draw"
lose_display "the hack"
grep -q "#ERROR.*connection to the X display is lost" "$work/data/lwhirl.log" || fail "the hack's trace log has no line"

start_xvfb
rm -f "$work/data/lwhirl.log"
"$lumenwhirl" -s 2> "$work/stderr" & saver=$!
loaded && drawing "$(root_id)" || fail "the full-screen saver did not draw"
lose_display "the full-screen saver"
grep -q "#ERROR.*connection to the X display is lost" "$work/data/lwhirl.log" || fail "the saver's trace log has no line"

start_xvfb
xlogo -geometry 200x150+0+0 & parent=$!
id=$(xdotool search --sync --onlyvisible --name '^xlogo$' | head -1)
# The preview draws the same picture every frame, so what it must change is
# the parent's own look.
for _ in $(seq 50); do
    xwd -id "$id" -silent > "$work/parent.xwd" 2> /dev/null; sleep 0.1
    xwd -id "$id" -silent > "$work/b.xwd" 2> /dev/null
    [ -s "$work/parent.xwd" ] && cmp -s "$work/parent.xwd" "$work/b.xwd" && break
done
"$lumenwhirl" -p "$id" 2> "$work/stderr" & saver=$!
drawn_over "$id" "$work/parent.xwd" || fail "the preview did not draw"
lose_display "the preview"
wait "$parent" 2> /dev/null
parent=

lw_passed "display loss"
