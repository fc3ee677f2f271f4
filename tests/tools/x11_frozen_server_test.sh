#!/usr/bin/env bash
# The X server stops reading under a running saver (a frozen or unreachable
# server, a remote display): a saver told to end by SIGTERM must be gone
# within 1.5 s in every run mode, instead of waiting for ever on a display
# lock or a write that never completes. Without MIT-SHM every frame goes
# through the socket, which fills at once. With the server answering, the
# same signal still ends the saver in order, with status 0.
set -u
lumenwhirl=$(realpath "$1") data=$(realpath "$2")
work=$(mktemp -d)
xvfb= saver= parent=
cleanup() {
    [ -n "$xvfb" ] && kill -CONT "$xvfb" 2> /dev/null
    for p in $saver $parent $xvfb; do kill -9 "$p" 2> /dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT
fails=0
fail() { echo "FAIL: $*"; fails=$((fails + 1)); }
mkdir "$work/data" && ln -s "$data/lwhirl.dat" "$work/data/lwhirl.dat"
export LUMENWHIRL_PATH=$work/data

start_xvfb() {
    rm -f "$work/display"
    Xvfb -displayfd 3 -noreset -extension MIT-SHM -screen 0 640x480x24 -nolisten tcp 3> "$work/display" \
        2> /dev/null &
    xvfb=$!
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
    export DISPLAY=:$(cat "$work/display")
}

stop_xvfb() {
    kill -CONT "$xvfb" 2> /dev/null
    kill -TERM "$xvfb" 2> /dev/null
    wait "$xvfb" 2> /dev/null
    xvfb=
}

# Waits until the saver's trace log says its package is loaded (the
# preview, which keeps no log: until its parent no longer looks as in
# $work/parent.xwd), then a little for frames to be presented.
running() {
    local i
    for i in $(seq 300); do
        if [ "${1:-}" = -p ]; then
            xwd -id "$2" -silent > "$work/now.xwd" 2> /dev/null
            [ -s "$work/now.xwd" ] && ! cmp -s "$work/now.xwd" "$work/parent.xwd" && { sleep 1; return 0; }
        elif grep -q "FXPackage::Load" "$work/data/lwhirl.log" 2> /dev/null; then
            sleep 1; return 0
        fi
        kill -0 "$saver" 2> /dev/null || return 1
        sleep 0.05
    done
    return 1
}

# Starts the saver with the arguments given and waits until it runs.
start_saver() {
    rm -f "$work/data/lwhirl.log"
    "$lumenwhirl" "$@" 2> "$work/stderr" & saver=$!
    running "$@" || fail "${*:-the normal window}: the saver did not start"
}

# Stops the X server, sends SIGTERM; the saver must be gone within 1.5 s.
frozen_end() {
    local what=$1 i
    kill -STOP "$xvfb"
    sleep 0.5
    kill -TERM "$saver"
    for i in $(seq 30); do kill -0 "$saver" 2> /dev/null || break; sleep 0.05; done
    if kill -0 "$saver" 2> /dev/null; then
        fail "$what: still running 1.5 s after SIGTERM with its X server stopped"
        kill -9 "$saver"
    fi
    wait "$saver" 2> /dev/null
    saver=
}

# Full screen, as a hack into the root window and into a given window, as
# a preview and as a normal window.
for mode in "-s" "-root" "-window-id" "-p" ""; do
    start_xvfb
    case $mode in
    -window-id | -p)
        xlogo -geometry 320x240+0+0 2> /dev/null & parent=$!
        id=$(timeout 20 xdotool search --sync --onlyvisible --name '^xlogo$' | head -1)
        sleep 0.5
        xwd -id "$id" -silent > "$work/parent.xwd" 2> /dev/null
        start_saver "$mode" "$id"
        ;;
    "") start_saver ;;
    *) start_saver "$mode" ;;
    esac
    [ -n "$saver" ] && frozen_end "${mode:-the normal window}"
    stop_xvfb
    [ -n "$parent" ] && { kill "$parent" 2> /dev/null; wait "$parent" 2> /dev/null; parent=; }
done

# A server that answers: SIGTERM ends the hack in order.
start_xvfb
start_saver -root
kill -TERM "$saver"
wait "$saver"; status=$?
saver=
[ $status -eq 0 ] || fail "SIGTERM with the server answering: status $status, $(cat "$work/stderr")"
stop_xvfb

if [ $fails -eq 0 ]; then echo "frozen server: all checks passed"; else exit 1; fi
