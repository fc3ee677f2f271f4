#!/usr/bin/env bash
# The frame caps of the X11 saver under Xvfb: max_fps from the
# configuration file holds a full-screen run to that rate, and on battery
# (a power-supply folder of the test's own) battery_fps from the command
# line replaces it. Presented frames are counted over 5 s by the LD_PRELOAD
# shim of scripts/x11-perf; bounds are wide, as the machine may be loaded.
# The caps are 20 and 10 frames a second; a machine too loaded to draw 26
# without a cap gets caps of half and a quarter of what it drew.
# Also: bad cap values are usage errors, and a server without DPMS counts as
# a display that is on.
set -u
lumenwhirl=$(realpath "$1") data=$(realpath "$2") shim=$(realpath "$3")
source "$(dirname "$0")/lib.sh"

for bad in "--max-fps 2x" "--max-fps -1" "--max-fps 1001" "--battery-fps 1e2" "--max-fps"; do
    # shellcheck disable=SC2086 # the option and its value are two words
    "$lumenwhirl" -s $bad > /dev/null 2>&1
    status=$?
    [ $status -eq 2 ] || fail "'$bad' gave status $status, not the usage error 2"
done

cc -O2 -shared -fPIC -o "$work/glxcount.so" "$shim" -ldl || { fail "cannot build the frame counter"; exit 1; }
lw_xvfb -screen 0 320x240x24
mkdir -p "$work/data" "$work/config/vorn3d" "$work/mains" "$work/battery/BAT0"
ln -s "$data/lwhirl.dat" "$work/data/lwhirl.dat"
echo Battery > "$work/battery/BAT0/type"
echo Discharging > "$work/battery/BAT0/status"
export LUMENWHIRL_PATH=$work/data XDG_CONFIG_HOME=$work/config

# frames NAME SUPPLIES [OPTION...]: a full-screen run with the power
# supplies in folder SUPPLIES; prints the frames presented from 1 to 6 s.
frames() {
    local name=$1 supplies=$2 pid
    shift 2
    LUMENWHIRL_POWER_SUPPLY=$supplies GLXCOUNT_OUT=$work/$name.frames GLXCOUNT_WINDOWS=1,6,6,7 \
        LD_PRELOAD=$work/glxcount.so "$lumenwhirl" -s "$@" > /dev/null 2>&1 &
    pid=$!
    sleep 7.5
    kill -TERM $pid 2> /dev/null
    ended_within $pid 3 || { fail "$name: the saver did not end on SIGTERM"; kill -9 $pid; }
    wait $pid 2> /dev/null
    cp "$work/data/lwhirl.log" "$work/$name.log" 2> /dev/null
    awk '$1 == "window0" {for (i = 2; i < NF; i++) if ($i == "frames") print $(i + 1)}' "$work/$name.frames" 2> /dev/null
}
within() { [ -n "$1" ] && [ "$1" -ge "$2" ] && [ "$1" -le "$3" ]; }

free=$(frames free "$work/mains")
grep -q "no DPMS, always on" "$work/free.log" || fail "the trace log does not say the display counts as on without DPMS"
mains=20 battery=10
if ! within "$free" 130 100000; then
    mains=$((${free:-0} / 10)) battery=$((${free:-0} / 20))
    if [ $battery -lt 2 ]; then
        [ $fails -eq 0 ] || exit 1
        echo "x11_pacing: only ${free:-no} frames in 5 s without a cap here: too few to tell a cap; skipped"
        exit 77
    fi
fi

echo "max_fps = $mains" > "$work/config/vorn3d/Lumenwhirl.conf"
capped=$(frames capped "$work/mains")
within "$capped" $((mains * 15 / 4)) $((mains * 11 / 2)) ||
    fail "max_fps $mains: ${capped:-no} frames in 5 s, not $((mains * 15 / 4)) to $((mains * 11 / 2)) (uncapped: $free)"

onBattery=$(frames battery "$work/battery" --battery-fps $battery)
within "$onBattery" $((battery * 7 / 2)) $((battery * 6)) ||
    fail "battery_fps $battery on battery: ${onBattery:-no} frames in 5 s, not $((battery * 7 / 2)) to $((battery * 6))"
grep -q "power: battery, at most $battery frames" "$work/battery.log" || fail "the trace log does not name the battery cap"
echo "x11_pacing: 5 s frames: $free without a cap, $capped at max_fps $mains, $onBattery at battery_fps $battery"
lw_passed x11_pacing
