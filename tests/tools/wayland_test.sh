#!/usr/bin/env bash
# tests/tools/wayland_test.sh LUMENWHIRL DATA_DIR LW_VPOINTER: the Wayland
# saver on a headless sway with two outputs, each showing its own picture
# of four coloured blocks (swaybg): the show carries each output's blocks
# in their places, then plays the movies; while no frames are asked for its
# shows' threads sleep, and draw again after; it survives an output's going and
# covers it again when it comes back; a key ends it at once, the pointer
# and a button only after the grace, the wheel never, with status 0 and
# nothing left behind; --idle waits for the seat to be idle, starts, ends on
# a key and starts again; the command line's settings apply (primary,
# desktop none, a cap); the compositor's going ends it within 2 s with
# status 1. On weston, which has no layer shell, it says so and fails.
# sway refuses to run as root, so as root everything runs as the system
# user lwwayland, made for the test and removed after it. Every process is
# ended by its own id. Skipped (77) when lumenwhirl was built without Wayland.
set -u
lumenwhirl=$(realpath "$1") data=$(realpath "$2") vpointer=$(realpath "$3")
if ! "$lumenwhirl" --help 2>&1 | grep -q -- --wayland; then
    echo "SKIP: $lumenwhirl was built without Wayland (its --help has no --wayland)"
    exit 77
fi
source "$(dirname "$0")/lib.sh"

user=$(id -un) as_user=() made_user=
procs=() # ids of the processes the test started, and of their runuser
# Ends every process of the test, newest first, then the user made for it.
stop_all() {
    local i p
    for ((i = ${#procs[@]} - 1; i >= 0; i--)); do kill "${procs[i]}" 2> /dev/null; done
    for p in ${procs[@]+"${procs[@]}"}; do
        ended_within "$p" 2 || kill -9 "$p" 2> /dev/null
        wait "$p" 2> /dev/null
    done
    procs=()
    [ -n "$made_user" ] || return 0
    for i in $(seq 50); do pgrep -u "$user" > /dev/null || break; sleep 0.1; done
    userdel "$user" && return 0
    echo "FAIL: could not remove the test user $user"
    ps -o pid,ppid,stat,args -u "$user" | sed 's/^/    /'
    lw_exit_status=1
}
lw_at_exit stop_all
if [ "$(id -u)" -eq 0 ]; then
    user=lwwayland
    if ! id "$user" > /dev/null 2>&1; then
        useradd --system --no-create-home --shell /usr/sbin/nologin "$user" || exit 1
        made_user=1
    fi
    as_user=(runuser -u "$user" --)
fi
chmod 755 "$work"
mkdir -p "$work/run" "$work/home" "$work/data" "$work/out"
chmod 700 "$work/run"
ln -s "$data/lwhirl.dat" "$work/data/lwhirl.dat"
[ ${#as_user[@]} -gt 0 ] && chown "$user" "$work/run" "$work/home" "$work/data" "$work/out"

# A command as the test user, in the test's session: its own runtime folder
# and HOME, no X display, the compositor of $socket.
socket= swaysock=
run() {
    "${as_user[@]}" env -u DISPLAY -u WAYLAND_DISPLAY -u WAYLAND_SOCKET -u SWAYSOCK HOME="$work/home" \
        XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/home/.config" LUMENWHIRL_PATH="$work/data" \
        ${socket:+WAYLAND_DISPLAY="$socket"} ${swaysock:+SWAYSOCK="$swaysock"} "$@"
}
# start NAME CMD...: CMD in the background as the test user, its output in
# $work/NAME.log; pid is CMD's own id, wrapper runuser's (or the same).
start() {
    local name=$1
    shift
    rm -f "$work/out/$name.pid"
    run sh -c 'echo $$ > "$0"; exec "$@"' "$work/out/$name.pid" "$@" > "$work/$name.log" 2>&1 &
    wrapper=$!
    procs+=("$wrapper")
    wait_until 10 test -s "$work/out/$name.pid" || { fail "$name did not start"; pid=$wrapper; return 1; }
    pid=$(cat "$work/out/$name.pid")
    procs+=("$pid")
}
# finish WRAPPER: waits for a process that ended; status is its status.
finish() {
    wait "$1"
    status=$?
}
# The processes of the test's session but the compositor and the test's
# own clients (swaybg, the pointer, the keyboard): what a saver that ended
# left behind.
leftovers() {
    local e p
    for e in /proc/[0-9]*/environ; do
        p=${e#/proc/}
        p=${p%/environ}
        case " $sway $swaybg $vp $keyboard " in *" $p "*) continue ;; esac
        { tr '\0' '\n' < "$e"; } 2> /dev/null | grep -qxF "XDG_RUNTIME_DIR=$work/run" && ps -o pid=,args= -p "$p"
    done
}

# shot NAME [OUTPUT]: grim's screenshot of OUTPUT (default all) as $work/out/NAME.png.
shot() { run grim ${2:+-o "$2"} "$work/out/$1.png" 2> /dev/null; }
# The colour of a region of a picture (geometry WxH+X+Y), one letter from
# its mean: R G B, Y (red and green), C (green and blue), M (red and blue),
# K (dark), W (light), - (none clearly).
colour() {
    convert "$1" -crop "$2" +repage -scale '1x1!' -format '%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]' info: |
        awk '{ m = $1; if ($2 > m) m = $2; if ($3 > m) m = $3
               if (m < 60) { print "K"; exit }
               c = ($1 > m / 2) * 4 + ($2 > m / 2) * 2 + ($3 > m / 2)
               print substr("-BGCRMYW", c + 1, 1) }'
}
# The blocks of one output's screenshot: top left, top right, bottom left,
# bottom right, each from the middle of its quarter.
blocks() {
    echo "$(colour "$1" 80x60+40+30)$(colour "$1" 80x60+200+30)$(colour "$1" 80x60+40+150)$(colour "$1" 80x60+200+150)"
}
# The mean brightness (0..255) of a screenshot.
brightness() { convert "$1" -colorspace Gray -scale '1x1!' -format '%[fx:int(255*r)]' info:; }
# differ A B N: whether more than N pixels of two screenshots differ. The
# show's first frames differ from the desktop in a few hundred pixels
# (edges); the desktop's screenshots are the same bytes.
differ() { [ "$(compare -metric AE -fuzz 3% "$1" "$2" null: 2>&1)" -gt "$3" ] 2> /dev/null; }
# Both outputs show something other than the desktop, or both the desktop.
covered() {
    shot c1 HEADLESS-1 && shot c2 HEADLESS-2 && differ "$work/out/c1.png" "$work/out/desk1.png" 100 &&
        differ "$work/out/c2.png" "$work/out/desk2.png" 100
}
# One screenshot of both: the desktop may show for only 2 s between shows.
uncovered() { shot c && cmp -s "$work/out/c.png" "$work/out/desk.png"; }
key() { run wtype -s 300 -k space; }
# thread_use PID: the processor time (clock ticks) and the voluntary
# context switches (sleeps) so far of every thread of PID but its first,
# which is the event loop.
thread_use() {
    local t ticks=0 wakes=0
    for t in /proc/$1/task/*; do
        [ "${t##*/}" = "$1" ] && continue
        ticks=$((ticks + $(awk '{ print $14 + $15 }' "$t/stat" 2> /dev/null || echo 0)))
        wakes=$((wakes + $(awk '/^voluntary_ctxt_switches/ { print $2 }' "$t/status" 2> /dev/null || echo 0)))
    done
    echo "$ticks $wakes"
}
ms() { echo $(($(date +%s%N) / 1000000)); }
cursor() { run swaymsg -q seat - cursor "$@"; }
# saver [ARG...]: lumenwhirl --wayland ARG... as the test user, with the
# environment LW_SAVER_ENV (VAR=VALUE) when set; saver is its id.
saver() {
    rm -f "$work/data/lwhirl.log"
    start saver env ${LW_SAVER_ENV:-} "$lumenwhirl" --wayland "$@"
    saver=$pid saver_wrapper=$wrapper
}
# ends_cleanly WHAT: the saver ended within a second, status 0, nothing left.
ends_cleanly() {
    local left
    if ! ended_within "$saver" 1; then
        fail "$1 did not end the saver within a second"
        kill "$saver" 2> /dev/null
        return
    fi
    finish "$saver_wrapper"
    [ "$status" -eq 0 ] || fail "$1: status $status, not 0"
    left=$(leftovers)
    [ -z "$left" ] || fail "$1 left processes behind: $left"
}
# up WHAT: waits until the saver has a show on both outputs (its trace log
# names them), which starts the grace. Its first frames copy the desktop,
# so screenshots tell only later.
up() {
    wait_until 30 sh -c "grep -q HEADLESS-1 '$work/data/lwhirl.log' && grep -q HEADLESS-2 '$work/data/lwhirl.log'" 2> /dev/null &&
        { up_ms=$(ms); return 0; }
    fail "$1: the saver did not start a show on both outputs"
    sed 's/^/    saver: /' "$work/saver.log" | tail -5
    return 1
}
# shown WHAT: waits until the screenshots of both outputs differ from the desktop.
shown() {
    wait_until 30 covered && return 0
    fail "$1: the saver did not cover both outputs"
    sed 's/^/    saver: /' "$work/saver.log" | tail -5
    return 1
}

# sway with two outputs side by side, each 320x240, and a pointer and a
# keyboard on its seat: without them it gives its clients none, and one
# that comes with the key (wtype's own) may be bound too late for it.
cat > "$work/sway.conf" << 'CONF'
xwayland disable
swaybg_command -
output HEADLESS-1 mode 320x240 position 0 0
output HEADLESS-2 mode 320x240 position 320 0
CONF
chmod 644 "$work/sway.conf"
start sway env WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 WLR_HEADLESS_OUTPUTS=2 \
    sway -c "$work/sway.conf" || exit 1
sway=$pid swaybg= vp= keyboard=
wait_until 10 sh -c "ls '$work/run' | grep -q '^sway-ipc.*sock$'" || { fail "sway did not start: $(tail -3 "$work/sway.log")"; exit 1; }
socket=$(ls "$work/run" | grep -m1 '^wayland-[0-9]*$')
swaysock=$work/run/$(ls "$work/run" | grep -m1 '^sway-ipc.*sock$')
start vpointer "$vpointer" && vp=$pid
wait_until 10 grep -q ready "$work/vpointer.log" || { fail "no pointer: $(cat "$work/vpointer.log")"; exit 1; }
start keyboard wtype -s 600000 && keyboard=$pid

# Red top left, green top right, blue bottom left, yellow bottom right on
# the first output; cyan, magenta, green, red on the second: no flip nor
# swap of one is the other.
convert \( -size 160x120 xc:'#ff0000' xc:'#00ff00' +append \) \( -size 160x120 xc:'#0000ff' xc:'#ffff00' +append \) \
    -append "$work/one.png"
convert \( -size 160x120 xc:'#00ffff' xc:'#ff00ff' +append \) \( -size 160x120 xc:'#00ff00' xc:'#ff0000' +append \) \
    -append "$work/two.png"
chmod 644 "$work/one.png" "$work/two.png"
start swaybg swaybg -o HEADLESS-1 -i "$work/one.png" -m stretch -o HEADLESS-2 -i "$work/two.png" -m stretch && swaybg=$pid
desktop() { shot desk1 HEADLESS-1 && shot desk2 HEADLESS-2 && [ "$(blocks "$work/out/desk1.png")" = RGBY ] &&
    [ "$(blocks "$work/out/desk2.png")" = CMGR ] && shot desk; }
wait_until 10 desktop || { fail "the desktop did not show the pictures"; exit 1; }

# The show: each output's blocks in their places on the sheet, then, once
# the sheet has gone (8 s in), the movies, dark and moving, on both.
saver
if up "the show"; then
    shown_at=$SECONDS seen=
    for _ in $(seq 60); do
        shot s1 HEADLESS-1 && shot s2 HEADLESS-2 || break
        differ "$work/out/s1.png" "$work/out/desk1.png" 100 && differ "$work/out/s2.png" "$work/out/desk2.png" 100 ||
            continue
        seen="$(blocks "$work/out/s1.png") $(blocks "$work/out/s2.png")"
        [ "$seen" = "RGBY CMGR" ] && break
    done
    [ "$seen" = "RGBY CMGR" ] || fail "the sheets do not carry their outputs' blocks: ${seen:-the desktop}, not RGBY CMGR"
    movies=
    while [ $((SECONDS - shown_at)) -lt 10 ]; do sleep 0.5; done
    for _ in $(seq 30); do
        shot m1 HEADLESS-1 && shot m2 HEADLESS-2 || break
        if [ "$(brightness "$work/out/m1.png")" -lt 30 ] && [ "$(brightness "$work/out/m2.png")" -lt 30 ]; then
            sleep 0.5
            shot n1 HEADLESS-1 && shot n2 HEADLESS-2
            ! cmp -s "$work/out/m1.png" "$work/out/n1.png" && ! cmp -s "$work/out/m2.png" "$work/out/n2.png" &&
                { movies=1; break; }
        fi
        sleep 0.5
    done
    [ -n "$movies" ] || fail "no movies on both outputs 10 to 25 s into the show (brightness $(brightness "$work/out/m1.png"))"

    # A surface the compositor does not show gets no frame callbacks. The
    # headless backend cannot power an output off, so the compositor is
    # stopped instead, which withholds them from both: after the frame each
    # show had begun, its threads sleep (no wakes, no processor time) until
    # frames are asked for again, and then both draw again.
    sway_parent=$(ps -o ppid= -p "$sway" | tr -d ' ')
    kill -STOP "$sway"
    sleep 1
    before=$(thread_use "$saver")
    sleep 5
    after=$(thread_use "$saver")
    # runuser, sway's parent, stops itself with it: it must go on too.
    kill -CONT "$sway" "$sway_parent"
    read -r t0 w0 <<< "$before"
    read -r t1 w1 <<< "$after"
    echo "NOTE: 5 s without frame callbacks: the shows' threads woke $((w1 - w0)) times, took $(((t1 - t0) * 10)) ms"
    [ $((t1 - t0)) -le 2 ] && [ $((w1 - w0)) -le 10 ] ||
        fail "without frame callbacks for 5 s the shows' threads woke $((w1 - w0)) times and took $(((t1 - t0) * 10)) ms"
    sleep 1
    shot a1 HEADLESS-1; shot a2 HEADLESS-2; sleep 0.5; shot b1 HEADLESS-1; shot b2 HEADLESS-2
    cmp -s "$work/out/a1.png" "$work/out/b1.png" || cmp -s "$work/out/a2.png" "$work/out/b2.png" &&
        fail "the shows did not draw again when frames were asked for again"

    # An output that goes leaves the show running on the other; one that
    # comes is covered.
    run swaymsg -q output HEADLESS-2 disable
    sleep 1
    shot a1 HEADLESS-1; sleep 0.5; shot b1 HEADLESS-1
    alive "$saver" || fail "the saver ended when an output went"
    cmp -s "$work/out/a1.png" "$work/out/b1.png" && fail "the show stopped on HEADLESS-1 when HEADLESS-2 went"
    run swaymsg -q output HEADLESS-2 enable
    wait_until 15 covered || fail "the output that came back was not covered"
    key
    ends_cleanly "a key after the grace"
fi
# The desktop as the outputs' coming back left it.
wait_until 10 desktop || fail "the desktop did not come back after the show"
grep -q "#ERROR" "$work/data/lwhirl.log" 2> /dev/null && fail "errors in the trace log: $(grep -m3 '#ERROR' "$work/data/lwhirl.log")"

# A key within the grace ends it at once. An output at scale 2 gets a show
# in its physical pixels, twice its logical size.
run swaymsg -q output HEADLESS-1 scale 2
saver
# The surfaces map, and take the keyboard, with their first frames.
if up "a key" && shown "a key"; then
    grep -q "HEADLESS-1: a show of 320 x 240 pixels at 0, 0, scale 2" "$work/data/lwhirl.log" ||
        fail "scale 2: $(grep -m1 'HEADLESS-1: a show' "$work/data/lwhirl.log")"
    key
    ends_cleanly "a key within the grace"
fi
run swaymsg -q output HEADLESS-1 scale 1

# Within the grace the pointer and a button are dropped; after it the
# wheel is too, and the pointer is not. On a machine so busy that the
# first frames come after most of the grace, the first part cannot be told.
# Headless sway draws no cursor, so the protocol log tells that the saver
# takes it away whenever the pointer enters one of its surfaces.
LW_SAVER_ENV=WAYLAND_DEBUG=client saver
if up "the pointer" && shown "the pointer"; then
    cursor move 40 40
    cursor press button1; cursor release button1
    late=$(($(ms) - up_ms))
    sleep 0.5
    if [ $late -gt 3500 ]; then
        echo "NOTE: the first frames came $late ms into the grace: the pointer within it is not tested"
    elif ! alive "$saver"; then
        fail "the pointer or a button $late ms into the grace ended the saver"
    fi
    if alive "$saver"; then
        sleep 4.5
        cursor press button4; cursor release button4; cursor press button5; cursor release button5
        sleep 0.5
        alive "$saver" || fail "the wheel ended the saver"
        cursor move 40 40
        ends_cleanly "the pointer after the grace"
    fi
    enters=$(grep -c 'wl_pointer@[0-9]*\.enter(' "$work/saver.log")
    hides=$(grep -c 'wl_pointer@[0-9]*\.set_cursor([0-9]*, nil, 0, 0)' "$work/saver.log")
    [ "$enters" -gt 0 ] && [ "$hides" -ge "$enters" ] ||
        fail "the cursor: the pointer entered the saver's surfaces $enters times, the cursor was hidden $hides times"
fi

# After the grace a move within the pointer's tolerance is nothing, a
# button ends it.
saver
if up "a button"; then
    sleep 4.5
    cursor move 2 0; cursor move 0 2
    sleep 0.5
    alive "$saver" || fail "a move of 2 pixels ended the saver"
    cursor press button1; cursor release button1
    ends_cleanly "a button after the grace"
fi

# The settings of the command line: --monitors primary puts the show on
# the output at the origin and the other black, --desktop none leaves the
# desktop unread (the built-in picture, not the blocks), --max-fps is the
# cap in force.
saver --monitors primary --desktop none --max-fps 7
if up "the settings" && shown "the settings"; then
    sleep 1
    shot p1 HEADLESS-1 && shot p2 HEADLESS-2
    [ "$(convert "$work/out/p2.png" -format '%[fx:int(255*maxima)]' info:)" -eq 0 ] ||
        fail "--monitors primary: HEADLESS-2 is not black"
    [ "$(brightness "$work/out/p1.png")" -gt 0 ] && [ "$(blocks "$work/out/p1.png")" != RGBY ] ||
        fail "--desktop none: HEADLESS-1 shows $(blocks "$work/out/p1.png"), not the built-in picture"
    grep -q "at most 7 frames a second" "$work/data/lwhirl.log" || fail "--max-fps 7 is not the cap in force"
    grep -q "desktop setting is none" "$work/data/lwhirl.log" || fail "--desktop none: no trace line says so"
    key
    ends_cleanly "a key with the settings"
fi

# --idle 2: no show while the seat is busy (its trace log opens with the
# first), one after 2 s without input, gone on a key, back after 2 s more.
# The compositor's going then ends it within 2 s, with status 1.
# The screenshots show the cursor: the desktop again, where the pointer is now.
wait_until 10 desktop || fail "the desktop did not come back after the pointer's runs"
saver --idle 2
for _ in $(seq 8); do
    run wtype -k Shift_L
    grep -q HEADLESS "$work/data/lwhirl.log" 2> /dev/null && { fail "--idle 2 started a show while the seat was busy"; break; }
    sleep 0.5
done
if up "--idle 2" && shown "--idle 2"; then
    key
    wait_until 5 uncovered || fail "--idle 2: a key did not end the show"
    alive "$saver" || fail "--idle 2: the saver ended on a key"
    shown "--idle 2 after a key" || true
fi
if alive "$saver"; then
    kill "$sway"
    ended_within "$sway" 5 || fail "sway did not end"
    if ended_within "$saver" 2; then
        finish "$saver_wrapper"
        [ "$status" -eq 1 ] || fail "the compositor's going: status $status, not 1"
        grep -q compositor "$work/saver.log" || fail "the compositor's going: no line on standard error"
        grep -q compositor "$work/data/lwhirl.log" 2> /dev/null || fail "the compositor's going: no line in the trace log"
    else
        fail "the saver outlived the compositor by 2 s"
    fi
else
    fail "--idle 2 did not keep running"
fi

# Without the layer shell: a message naming it, status 1.
socket=lw-weston
start weston weston --backend=headless-backend.so --socket=$socket --no-config || exit 1
weston=$pid
wait_until 10 test -S "$work/run/$socket" || fail "weston did not start: $(tail -3 "$work/weston.log")"
saver
if ended_within "$saver" 10; then
    finish "$saver_wrapper"
    [ "$status" -eq 1 ] || fail "without the layer shell: status $status, not 1"
    grep -q zwlr_layer_shell_v1 "$work/saver.log" || fail "without the layer shell: $(cat "$work/saver.log")"
else
    fail "without the layer shell the saver ran on"
fi
kill "$weston"

lw_passed "Wayland saver"
