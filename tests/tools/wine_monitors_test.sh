#!/usr/bin/env bash
# The Windows saver on a desk wider than one monitor, under wine on a
# 2304x768 Xvfb split by xrandr into a 1280x720 and a 1024x768 monitor,
# with the X root painted yellow. Wine lists one 2304x768 monitor there, so
# the saver's monitor list is replaced (LUMENWHIRL_TEST_MONITORS) where two
# are wanted. Checks that /s covers the whole virtual screen with the
# captured desktop on the sheet over its full width; that with two monitors
# each shows its own sheet on a window of its own, the rest is black, a
# display change leaves it running, and the pointer over the second one
# ends it after the grace time; that the registry's monitors = primary
# leaves the second monitor black and desktop = none keeps the screen off
# the sheet; that desktop = picture FILE puts that picture there.
# Usage: tests/tools/wine_monitors_test.sh [SCR] [PACKAGE]
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
scr=$(realpath "${1:-$root/build-win/lwhirl.scr}")
package=$(realpath "${2:-$root/build/data/lwhirl.dat}")
source "$root/tests/tools/lib.sh"
pids=()
lw_at_exit 'for p in ${pids[@]+"${pids[@]}"}; do kill "$p" 2> /dev/null; done'
lw_at_exit 'WINEPREFIX="$work/prefix" wineserver -k 2> /dev/null'
lw_xvfb -screen 0 2304x768x24
xrandr --setmonitor left 1280/338x720/190+0+0 screen > /dev/null || fail "xrandr cannot set the left monitor"
xrandr --setmonitor right 1024/270x768/203+1280+0 none > /dev/null || fail "xrandr cannot set the right monitor"
convert -size 2304x768 xc:'rgb(255,220,0)' "$work/root.png"
display -window root "$work/root.png" || true # it reports 1 even when the root shows it
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
say() { echo "==> $*"; }
key='HKCU\Software\vorn3d\Screensavers\Lumenwhirl'
two=LUMENWHIRL_TEST_MONITORS=1280x720+0+0,1024x768+1280+0
left=1280x720+0+0 right=1024x768+1280+0

# Per mille of the pixels in region $2 (WxH+X+Y) of screenshot $1 for which
# the fx expression $3 holds.
share() {
    convert "$1" -crop "$2" +repage -sample 10% -fx "$3 ? 1 : 0" -format '%[fx:round(1000*mean)]' info: 2> /dev/null ||
        echo -1
}
# Yellow as the sheet carries it, lit, not the root's own 255,220,0
# showing through a window that draws nothing.
yellow='r > b + 0.1 && g > b + 0.1 && g < 0.85'
blue='b > r + 0.1 && b > g + 0.1'
lit='max(r, max(g, b)) > 0.04'
setting() { wine reg add "$key" /v "$1" /t REG_SZ /d "$2" /f > /dev/null 2>&1 || fail "cannot set $1 in the registry"; }
unset_setting() { wine reg delete "$key" /v "$1" /f > /dev/null 2>&1; }

# Starts lwhirl.scr /s (with the environment in $@), waits until it shows
# and takes a screenshot of the sheet ($work/shot.png) and the saver's
# windows ($work/rect.txt: the saver window, then the shows' own ones).
start_saver() {
    rm -f "$work/data/lwhirl.log"
    (cd "$work" && exec env "$@" wine lwhirl.scr /s > /dev/null 2>&1) &
    saver=$!
    pids+=("$saver")
    timeout 40 xdotool search --sync --onlyvisible --name '^Lumenwhirl$' > /dev/null || fail "the saver did not show"
    shown=$SECONDS
    sleep 1
    xwd -root -silent | convert xwd:- "$work/shot.png"
    (cd "$work" && wine lw_winparent.exe rect > "$work/rect.txt" 2> /dev/null) || fail "no saver window to measure"
    tr -d '\r' < "$work/rect.txt" > "$work/rect" && mv "$work/rect" "$work/rect.txt"
}
end_saver() {
    xdotool key space
    ended_within "$saver" 5 || { fail "a key did not end the saver"; kill "$saver"; }
    wait "$saver" 2> /dev/null
}
logged() { grep -qF -- "$1" "$work/data/lwhirl.log" 2> /dev/null || fail "lwhirl.log has no \"$1\" line"; }

say "making a wine prefix"
wineboot -i > /dev/null 2>&1
mkdir "$work/data" && cp "$package" "$work/data/"
cp "$scr" "$work/lwhirl.scr"
cp "$(dirname "$scr")/lw_winparent.exe" "$work/" || fail "no lw_winparent.exe beside $scr"
setting path "$(winepath -w "$work/data")"

say "/s as wine lists the monitors: one window over the virtual screen, the desktop on the sheet"
start_saver
[ "$(head -1 "$work/rect.txt")" = "0 0 2304 768" ] ||
    fail "the saver window is not the virtual screen: $(cat "$work/rect.txt")"
logged "virtual screen 2304 x 768 at 0, 0"
a=$(share "$work/shot.png" $left "$yellow") b=$(share "$work/shot.png" $right "$yellow")
say "the yellow desktop on the sheet: $a / 1000 of the left monitor, $b of the right one"
[ "$a" -gt 150 ] && [ "$b" -gt 150 ] || fail "the captured desktop is not on the sheet over the whole width ($a, $b)"
end_saver

say "/s on two monitors: a show on each, the pointer over the second one ends it after the grace time"
start_saver "$two"
sed 1d "$work/rect.txt" | sort > "$work/views.txt"
printf '0 0 1280 720\n1280 0 2304 768\n' > "$work/want.txt"
cmp -s "$work/views.txt" "$work/want.txt" || fail "the shows' windows are not the monitors: $(cat "$work/views.txt")"
a=$(share "$work/shot.png" $left "$yellow") b=$(share "$work/shot.png" $right "$yellow")
g=$(share "$work/shot.png" 1280x48+0+720 "$lit")
say "the sheet: $a / 1000 of the left monitor, $b of the right one; $g lit below the left one"
[ "$a" -gt 150 ] && [ "$b" -gt 150 ] || fail "a monitor has no sheet with the desktop ($a, $b)"
[ "$g" -eq 0 ] || fail "the part below the smaller monitor is not black ($g / 1000 lit)"
(cd "$work" && wine lw_winparent.exe display) || fail "no saver window to tell of a changed display"
sleep 0.5
alive "$saver" || fail "a display change ended the saver"
logged "display changed: the virtual screen is 2304 x 768 at 0, 0"
while [ $((SECONDS - shown)) -lt 5 ]; do sleep 0.2; done
xdotool mousemove 1500 300 mousemove 1700 400
ended_within "$saver" 5 || { fail "the pointer over the second monitor did not end the saver"; end_saver; }

say "/s on two monitors with monitors = primary and desktop = none"
setting monitors primary
setting desktop none
start_saver "$two"
a=$(share "$work/shot.png" $left "$lit") y=$(share "$work/shot.png" $left "$yellow")
b=$(share "$work/shot.png" $right "$lit")
say "left monitor: $a / 1000 lit, $y yellow; right monitor: $b lit"
[ "$a" -gt 150 ] || fail "no sheet on the primary monitor ($a / 1000 lit)"
[ "$y" -lt 10 ] || fail "the screen is on the sheet with desktop = none ($y / 1000 yellow)"
[ "$b" -eq 0 ] || fail "the second monitor is not black with monitors = primary ($b / 1000 lit)"
logged "; primary; 1 viewports"
logged "desktop: the built-in picture"
end_saver

say "/s with desktop = picture FILE"
unset_setting monitors
convert -size 64x48 xc:'rgb(30,60,255)' "$work/blue.png"
setting desktop "picture $(winepath -w "$work/blue.png")"
start_saver
a=$(share "$work/shot.png" $left "$blue") y=$(share "$work/shot.png" $left "$yellow")
say "the sheet: $a / 1000 blue, $y yellow"
[ "$a" -gt 150 ] && [ "$y" -lt 10 ] || fail "the picture is not on the sheet ($a / 1000 blue, $y yellow)"
logged "desktop: the picture"
end_saver

lw_passed wine_monitors_test
