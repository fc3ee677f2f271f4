#!/usr/bin/env bash
# The real xscreensaver daemon runs Lumenwhirl as its hack, on an Xvfb of its
# own whose root shows a picture of four coloured blocks: once activated,
# with the daemon's default fade and again without it, the screen must show
# the show drawing those blocks on the sheet, each in its place. With
# grabDesktopImages off, over a green root, the sheet shows no green: the
# built-in picture, or the picture xscreensaver's imageDirectory holds. The daemon
# and its hacks are ended by their ids. Its home is a temporary folder, so
# the settings of the user running the test are not touched. xscreensaver
# refuses to run as root, so as root the daemon runs as the system user
# lwsaver: in CI (CI set) the test creates it and removes it afterwards;
# elsewhere it uses one that exists and otherwise skips (exit 77).
set -u
lumenwhirl=$(realpath "$1") data=$(realpath "$2")
as_user=() made_user=
if [ "$(id -u)" -eq 0 ]; then
    if ! id lwsaver > /dev/null 2>&1; then
        if [ -z "${CI:-}" ]; then
            echo "SKIP: xscreensaver will not run as root, and the test adds its user lwsaver only in CI" \
                "(CI set); run as an ordinary user, with CI=1, or after: useradd --system lwsaver"
            exit 77
        fi
        useradd --system --no-create-home --shell /usr/sbin/nologin lwsaver || exit 1
        made_user=1
    fi
    as_user=(runuser -u lwsaver --)
fi
source "$(dirname "$0")/lib.sh"
chmod 755 "$work"
xvfb= daemon=
# The daemon and everything it started, by id.
family() {
    local p=$1 c
    for c in $(pgrep -P "$p"); do family "$c"; done
    echo "$p"
}
stop_daemon() {
    [ -n "$daemon" ] || return 0
    local all i
    all=$(family "$daemon")
    run xscreensaver-command -exit > /dev/null 2>&1
    for i in $(seq 50); do kill -0 "$daemon" 2> /dev/null || break; sleep 0.1; done
    for p in $all; do kill -9 "$p" 2> /dev/null; done
    wait "$daemon" 2> /dev/null
    daemon=
}
# userdel refuses while the user has processes, and an orphaned hack stays
# one, as a zombie, until init reaps it: wait for that, then say if the
# user is still there.
remove_user() {
    local i
    for i in $(seq 150); do pgrep -u lwsaver > /dev/null || break; sleep 0.1; done
    userdel lwsaver && return 0
    echo "FAIL: could not remove the test user lwsaver"
    ps -o pid,ppid,stat,args -u lwsaver | sed 's/^/    /'
    return 1
}
lw_at_exit stop_daemon
# The server goes before the user: an orphaned hack ends with it.
lw_at_exit '[ -n "$xvfb" ] && kill "$xvfb" 2> /dev/null && wait "$xvfb" 2> /dev/null'
lw_at_exit 'if [ -n "$made_user" ] && ! remove_user; then lw_exit_status=1; fi'
# Whether an id runs lumenwhirl. The daemon does not wait for its hacks, so
# a hack that exits after it stays a zombie until init reaps it, which here
# may take a while: kill -0 still finds a zombie, but a zombie has no
# program. Nor has an id another process took since.
runs_lumenwhirl() { [ "$(readlink "/proc/$1/exe" 2> /dev/null)" = "$lumenwhirl" ]; }
run() { "${as_user[@]}" env HOME="$work/home" DISPLAY="$DISPLAY" LUMENWHIRL_PATH="$work/data" "$@"; }

# -noreset: the root keeps its picture when the client that set it leaves.
lw_xvfb -ac -screen 0 640x480x24
# Red top left, green top right, blue bottom left, yellow bottom right.
convert -size 320x240 xc:'#ff0000' xc:'#00ff00' +append "$work/top.png"
convert -size 320x240 xc:'#0000ff' xc:'#ffff00' +append "$work/bottom.png"
convert "$work/top.png" "$work/bottom.png" -append "$work/blocks.png"
display -window root "$work/blocks.png"

# The package in a folder the hack may write its trace log into.
mkdir -p "$work/data" "$work/home"
ln -s "$data/lwhirl.dat" "$work/data/lwhirl.dat"
[ ${#as_user[@]} -gt 0 ] && chown lwsaver "$work/data" "$work/home"

# The colours along a row (r Y) or a column (c X) of an X screenshot, one
# letter a run: R red, G green, B blue, Y yellow to orange, - anything else.
colours() {
    local crop
    if [ "$2" = r ]; then crop=640x1+0+$3; else crop=1x480+$3+0; fi
    convert "$1" -crop "$crop" +repage txt:- 2> /dev/null | awk -F'[(),]' 'NR > 1 {
        r = $(NF - 3) + 0; g = $(NF - 2) + 0; b = $(NF - 1) + 0; m = r > g ? r : g; if (b > m) m = b
        if (m < 50) c = "-"
        else if (r > 2 * g && r > 2 * b) c = "R"
        else if (g > 2 * r && g > 2 * b) c = "G"
        else if (b > 2 * r && b > 2 * g) c = "B"
        else if (r > 2 * b && g > 2 * b && 3 * (r < g ? r : g) > m) c = "Y"
        else c = "-"
        if (c != last) printf "%s", c; last = c
    } END { print "" }'
}

# The blocks in their places, allowing for the sheet's bending and the
# lights: red before green along the top, blue before yellow along the
# bottom, red above blue down the left.
blocks_in_place() {
    colours "$1" r 60 | grep -q 'R.*G' && colours "$1" r 420 | grep -q 'B.*Y' && colours "$1" c 60 | grep -q 'R.*B'
}

# The sheet without the desktop: lit, moving, and not a pixel of the green
# the root was painted with.
no_green() { local t; t=$(lw_tints "$1"); [ "${t%% *}" = 0 ] && [ "${t##* }" -gt 300 ]; }
# The sheet with xscreensaver's blue picture instead, and no green.
blue_not_green() { local t; t=$(lw_tints "$1"); set -- $t; [ "$1" = 0 ] && [ "$2" -gt 100 ]; }

# One activation of a freshly started daemon: the fade setting, what the
# screen must show (a test on a screenshot), the image preferences.
activation() {
    local fade=$1 check=$2 name=$1 i hack= shot=0
    [ $# -gt 2 ] && name=$3
    cat > "$work/home/.xscreensaver" << CONF
mode:		one
selected:	0
timeout:	0:30:00
lock:		False
splash:		False
fade:		$fade
unfade:		False
${4:-}
programs:	GL: "Lumenwhirl" $lumenwhirl --root \n
CONF
    [ ${#as_user[@]} -gt 0 ] && chown lwsaver "$work/home/.xscreensaver"
    rm -f "$work/data/lwhirl.log"
    run xscreensaver --no-splash > "$work/daemon.log" 2>&1 &
    daemon=$!
    for i in $(seq 100); do run xscreensaver-command -version > /dev/null 2>&1 && break; sleep 0.1; done
    # A daemon that has only just started may drop an activation: ask until
    # it says the screen is blanked.
    for i in $(seq 30); do
        run xscreensaver-command -activate > /dev/null 2>&1
        run xscreensaver-command -time 2> /dev/null | grep -q "screen blanked" && break
        sleep 0.5
    done
    # Its hack comes after the fade.
    for i in $(seq 300); do
        for p in $(family "$daemon"); do
            grep -qz -- "--root" "/proc/$p/cmdline" 2> /dev/null && runs_lumenwhirl "$p" && hack=$p
        done
        [ -n "$hack" ] && break
        sleep 0.1
    done
    if [ -z "$hack" ]; then
        fail "$name: the daemon did not start lumenwhirl"
        sed 's/^/    daemon: /' "$work/daemon.log" | tail -20
        stop_daemon
        return
    fi
    # The show on the screen: a picture that moves and passes the check.
    for i in $(seq 150); do
        xwd -root -silent > "$work/shot$((shot % 2)).xwd"
        shot=$((shot + 1))
        if [ $shot -ge 2 ] && ! cmp -s "$work/shot0.xwd" "$work/shot1.xwd" &&
            $check "$work/shot$(((shot - 1) % 2)).xwd"; then
            break
        fi
        sleep 0.1
    done
    if [ "$i" -eq 150 ]; then
        fail "$name: the moving sheet never passed $check"
        echo "    top row: $(colours "$work/shot0.xwd" r 60), bottom row: $(colours "$work/shot0.xwd" r 420)," \
            "green, blue, lit: $(lw_tints "$work/shot0.xwd")"
    fi
    grep -q "FXPackage::Load" "$work/data/lwhirl.log" 2> /dev/null || fail "$name: the hack did not load the package"
    grep -q "#ERROR" "$work/data/lwhirl.log" 2> /dev/null && fail "$name: errors in the hack's trace log"
    run xscreensaver-command -exit > /dev/null 2>&1
    for i in $(seq 50); do runs_lumenwhirl "$hack" || break; sleep 0.1; done
    if runs_lumenwhirl "$hack"; then
        fail "$name: lumenwhirl outlived the daemon"
        ps -o pid,ppid,stat,etime,args -p "$hack" | sed 's/^/    /'
        tail -5 "$work/data/lwhirl.log" 2> /dev/null | sed 's/^/    trace: /'
        kill -9 "$hack" 2> /dev/null # orphaned by then: not in the daemon's family
    fi
    stop_daemon
}

activation True blocks_in_place "fade True"
activation False blocks_in_place "fade False"
# grabDesktopImages off: the screen is never read, the sheet carries the
# built-in picture, or with chooseRandomImages one from imageDirectory.
convert -size 640x480 xc:'#00ff00' "$work/green.png"
display -window root "$work/green.png"
mkdir -p "$work/home/Pictures/2026"
convert -size 400x300 xc:'#0000ff' "$work/home/Pictures/2026/blue.jpg"
echo "no picture" > "$work/home/Pictures/readme.txt"
[ ${#as_user[@]} -gt 0 ] && chown -R lwsaver "$work/home/Pictures"
activation False no_green "grabDesktopImages False" "grabDesktopImages:	False
chooseRandomImages:	False"
grep -q "grabDesktopImages is off: the built-in picture" "$work/data/lwhirl.log" ||
    fail "grabDesktopImages False: the trace log does not say why the desktop is not shown"
activation False blue_not_green "chooseRandomImages True" "grabDesktopImages:	False
chooseRandomImages:	True
imageDirectory:	~/Pictures"

lw_passed xscreensaver
