#!/usr/bin/env bash
# Arguments the saver cannot use are refused at once with a message: a
# window id that names no window (given by -window-id or by
# XSCREENSAVER_WINDOW) ends with status 1, as -p does; a number with
# trailing text, out of range or not finite is a usage error (status 2),
# never read as its leading digits; so is a --desktop that is none of its
# values, and the ones that are put their picture on the sheet.
set -u
lumenwhirl=$(realpath "$1") data=$(realpath "$2")
source "$(dirname "$0")/lib.sh"
lw_xvfb -screen 0 320x240x24
mkdir "$work/data" && ln -s "$data/lwhirl.dat" "$work/data/lwhirl.dat"
export LUMENWHIRL_PATH=$work/data

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
# The Wayland saver takes the same switches, and refuses those it cannot
# serve rather than running as the X11 saver.
if "$lumenwhirl" --help 2>&1 | grep -q -- --wayland; then
    expect 2 "--idle is the Wayland saver's" -s --idle 2
    expect 2 "--wayland covers every output" --wayland -root
    expect 2 "--max-fps needs" --wayland --max-fps 5x
fi
for size in 64x48junk 64x48x2 x48 64x 64X48 " 64x48" 99999999999x48 8x48; do
    expect 2 "--size needs" --record "$work/out" --frames 1 --size "$size"
done
expect 2 "--fps needs" --record "$work/out" --frames 1 --fps nan
expect 2 "--fps needs" --record "$work/out" --frames 1 --fps 30fps
expect 2 "--seconds needs" --record "$work/out" --seconds inf
expect 2 "--seconds needs" --record "$work/out" --seconds 1e999
expect 2 "--frames needs" --record "$work/out" --frames 0x10
expect 2 "--desktop: \"nothing\" is none of" -s --desktop nothing
expect 2 "--desktop: picture needs a file" --desktop picture -s
expect 2 "--desktop needs" -s --desktop
[ -e "$work/out" ] && fail "a refused recording wrote $(ls "$work/out" | head -3)"

# What is well formed still runs. A configured folder that holds no package
# is passed over for the program's data folder, and the trace log says so.
mkdir "$work/empty"
LUMENWHIRL_PATH=$work/empty expect 0 "package from $data)" --record "$work/ok" --frames 1 --size 64x48 --fps 10
grep -q "install folder from the program's data folder; $work/empty (LUMENWHIRL_PATH) holds no lwhirl.dat" \
    "$data/lwhirl.log" ||
    fail "the trace log does not say that $work/empty was passed over"

# What --desktop puts on the sheet, with the root painted green: the
# desktop as captured shows green, the built-in picture none (the screen
# is not read), a picture file its own blue and no green. Counted on a
# 64 x 48 copy of the screenshot (lw_tints).
#
# sheet NAME WANT ARG...: once the full-screen saver shows, a screenshot
# within 20 s must meet the awk condition WANT on $1 green, $2 blue, $3
# lit; unless WANT asks for green, no screenshot may show any.
sheet() {
    local name=$1 want=$2 pid t i
    shift 2
    "$lumenwhirl" -s "$@" > "$work/sheet.log" 2>&1 &
    pid=$!
    timeout 30 xdotool search --sync --onlyvisible --name '^Lumenwhirl$' > /dev/null ||
        fail "--desktop $name: the saver did not show"
    for i in $(seq 100); do
        xwd -root -silent > "$work/shot.xwd"
        t=$(lw_tints "$work/shot.xwd")
        case $want in *'$1 >'*) ;; *) [ "${t%% *}" = 0 ] || { fail "--desktop $name: green on the screen: $t"; break; } ;; esac
        echo "$t" | awk "{ exit !($want) }" && break
        sleep 0.2
    done
    [ "$i" -lt 100 ] || fail "--desktop $name: the screen never met $want: green, blue, lit $t"
    kill "$pid" 2> /dev/null
    wait "$pid" 2> /dev/null
}
if command -v convert > /dev/null; then
    convert -size 320x240 xc:'#00ff00' "$work/green.png" && display -window root "$work/green.png"
    convert -size 200x100 xc:'#0000ff' "$work/blue.png"
    sheet capture '$1 > 100' --desktop capture
    sheet none '$1 == 0 && $3 > 300' --desktop none
    sheet "picture" '$1 == 0 && $2 > 100' --desktop "picture $work/blue.png"
    grep -q "desktop picture: $work/blue.png" "$work/data/lwhirl.log" || fail "the trace log does not name the picture"
fi
lw_passed arguments
