#!/usr/bin/env bash
# Arguments the saver cannot use are refused at once with a message: a
# window id that names no window (given by -window-id or by
# XSCREENSAVER_WINDOW) ends with status 1, as -p does; a number with
# trailing text, out of range or not finite is a usage error (status 2),
# never read as its leading digits.
set -u
lumenwhirl=$(realpath "$1") data=$(realpath "$2")
work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 320x240x24 -nolisten tcp 3> "$work/display" 2> /dev/null &
xvfb=$!
trap 'kill $xvfb 2> /dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
mkdir "$work/data" && ln -s "$data/lwhirl.dat" "$work/data/lwhirl.dat"
export DISPLAY=:$(cat "$work/display") LUMENWHIRL_PATH=$work/data
fails=0
fail() { echo "FAIL: $*"; fails=$((fails + 1)); }

# expect STATUS TEXT ARG...: the saver ends within 10 s with STATUS and
# says TEXT.
expect() {
    local want=$1 text=$2 status
    shift 2
    timeout -s KILL 10 "$lumenwhirl" "$@" > "$work/stdout" 2> "$work/stderr"
    status=$?
    [ $status -eq 137 ] && { fail "$*: still running after 10 s"; return; }
    [ $status -eq "$want" ] || fail "$*: status $status, not $want ($(head -1 "$work/stderr"))"
    cat "$work/stdout" "$work/stderr" | grep -q -e "$text" || fail "$*: it did not say \"$text\""
}

# A window id no window has: the server gives ids from 0x200000 up.
gone=0x1fffff0
expect 1 "there is no window $gone" -window-id $gone
expect 1 "there is no window $gone" -p $gone
XSCREENSAVER_WINDOW=$gone expect 1 "there is no window $gone" -root
XSCREENSAVER_WINDOW=12junk expect 2 "XSCREENSAVER_WINDOW" -root

expect 2 "-window-id needs" -window-id 12junk
expect 2 "-window-id needs" -window-id 0x100000000
expect 2 "-p needs" -p " 12"
expect 2 "-p needs" -p -5
expect 2 "--monitors needs" -s --monitors both
expect 2 "--monitors needs" -s --monitors " span"
expect 2 "--monitors needs" -s --monitors
for size in 64x48junk 64x48x2 x48 64x 64X48 " 64x48" 99999999999x48 8x48; do
    expect 2 "--size needs" --record "$work/out" --frames 1 --size "$size"
done
expect 2 "--fps needs" --record "$work/out" --frames 1 --fps nan
expect 2 "--fps needs" --record "$work/out" --frames 1 --fps 30fps
expect 2 "--seconds needs" --record "$work/out" --seconds inf
expect 2 "--seconds needs" --record "$work/out" --seconds 1e999
expect 2 "--frames needs" --record "$work/out" --frames 0x10
[ -e "$work/out" ] && fail "a refused recording wrote $(ls "$work/out" | head -3)"

# What is well formed still runs. A configured folder that holds no package
# is passed over for the program's data folder, and the trace log says so.
mkdir "$work/empty"
LUMENWHIRL_PATH=$work/empty expect 0 "package from $data)" --record "$work/ok" --frames 1 --size 64x48 --fps 10
grep -q "install folder from the program's data folder; $work/empty (LUMENWHIRL_PATH) holds no lwhirl.dat" \
    "$data/lwhirl.log" ||
    fail "the trace log does not say that $work/empty was passed over"
if [ $fails -eq 0 ]; then echo "arguments: all checks passed"; else exit 1; fi
