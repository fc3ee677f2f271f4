#!/usr/bin/env bash
# The real xscreensaver daemon under Xvfb runs Lumenwhirl as its hack:
# activating it starts lumenwhirl --root and the screen shows the show.
# xscreensaver refuses to run as root, so as root the test runs it as an
# ordinary user it creates when needed.
set -u
lumenwhirl=$(realpath "$1") data=$(realpath "$2")
work=$(mktemp -d)
chmod 755 "$work"
user=$(id -un)
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    user=lwsaver
    id "$user" > /dev/null 2>&1 || useradd -m "$user"
    as_user=(runuser -u "$user" --)
fi
home=$(getent passwd "$user" | cut -d: -f6)
Xvfb -displayfd 3 -ac -screen 0 640x480x24 -nolisten tcp 3> "$work/display" 2> /dev/null &
xvfb=$!
daemon=
cleanup() {
    [ -n "$daemon" ] && kill "$daemon" 2> /dev/null
    pkill -u "$user" -f "lumenwhirl --root" 2> /dev/null
    kill $xvfb 2> /dev/null
    rm -rf "$work"
}
trap cleanup EXIT
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$work/display")
fails=0
fail() { echo "FAIL: $*"; fails=$((fails + 1)); }

# The package in a folder the user may write its trace log into.
mkdir "$work/data" && cp "$data/lwhirl.dat" "$work/data/" && chmod -R a+rwX "$work/data"
config="$work/xscreensaver.conf"
cat > "$config" <<CONF
mode:		one
selected:	0
timeout:	0:30:00
lock:		False
splash:		False
fade:		False
unfade:		False
programs:	GL: "Lumenwhirl" $lumenwhirl --root \n
CONF
[ -f "$home/.xscreensaver" ] && [ "$user" != lwsaver ] && { echo "refusing to replace $home/.xscreensaver"; exit 1; }
cp "$config" "$home/.xscreensaver" && chown "$user" "$home/.xscreensaver" 2> /dev/null
# Nothing of an earlier run may still hold the test user's screen saver
# (never touched for a real user).
if [ "$user" = lwsaver ]; then
    pkill -u "$user" -f "xscreensaver|lumenwhirl" 2> /dev/null
    for _ in $(seq 30); do pgrep -u "$user" -f "xscreensaver|lumenwhirl --root" > /dev/null || break; sleep 0.1; done
fi

"${as_user[@]}" env HOME="$home" DISPLAY="$DISPLAY" LUMENWHIRL_PATH="$work/data" \
    xscreensaver --no-splash > "$work/daemon.log" 2>&1 &
daemon=$!
for _ in $(seq 50); do "${as_user[@]}" env DISPLAY="$DISPLAY" xscreensaver-command -version > /dev/null 2>&1 && break; sleep 0.2; done
# A daemon that has only just started may drop an activation: ask again.
for _ in $(seq 10); do
    "${as_user[@]}" env DISPLAY="$DISPLAY" xscreensaver-command -activate > /dev/null 2>&1
    for _ in $(seq 10); do pgrep -u "$user" -f "lumenwhirl --root" > /dev/null && break 2; sleep 0.2; done
done
pgrep -u "$user" -f "lumenwhirl --root" > /dev/null || { fail "the daemon did not start lumenwhirl"; cat "$work/daemon.log"; }
sleep 3
xwd -root -silent > "$work/a.xwd"; sleep 0.7; xwd -root -silent > "$work/b.xwd"
cmp -s "$work/a.xwd" "$work/b.xwd" && fail "the screen does not change"
grep -q "FXPackage::Load" "$work/data/lwhirl.log" 2> /dev/null || fail "the hack did not load the package"
"${as_user[@]}" env DISPLAY="$DISPLAY" xscreensaver-command -exit > /dev/null 2>&1
for _ in $(seq 40); do pgrep -u "$user" -f "lumenwhirl --root" > /dev/null || break; sleep 0.1; done
pgrep -u "$user" -f "lumenwhirl --root" > /dev/null && fail "lumenwhirl outlived the daemon"
[ "$user" = lwsaver ] && rm -f "$home/.xscreensaver"

if [ $fails -eq 0 ]; then echo "xscreensaver: all checks passed"; else exit 1; fi
