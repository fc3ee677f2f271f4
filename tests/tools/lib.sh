# The shared parts of the test scripts (tests/tools/*.sh, scripts/wine-smoke).
# Source it after `set -u`:
#   source "$(dirname "$0")/lib.sh"
# It makes the scratch folder $work, counts failures, and at exit runs what
# lw_at_exit was given, ends the processes lw_track was given, by their ids
# (never by name), and removes $work. A script must not set its own EXIT trap.
#
#   fail MSG...               prints "FAIL: MSG" and counts it in $fails
#   lw_at_exit CMD            runs CMD (one string, eval'd) at exit, in order;
#                             one that sets lw_exit_status makes it the status
#   lw_track PID...           ends PID at exit: TERM, KILL when still there 2 s on
#   lw_xvfb [ARG...]          an Xvfb -noreset on a free display (with ARGs,
#                             default a 640x480x24 screen), tracked, $xvfb its
#                             id and DISPLAY exported
#   alive PID                 true while PID runs
#   ended_within PID SECONDS  true when PID ends within SECONDS
#   wait_until SECONDS CMD... polls CMD until it succeeds; false after SECONDS
#   lw_tints XWD              "GREEN BLUE LIT": how many pixels of an xwd
#                             screenshot, scaled to 64x48, are mostly green,
#                             mostly blue, and not dark
#   lw_passed NAME            "NAME: all checks passed", or exits 1 after failures

work=$(mktemp -d)
fails=0
lw_exit_cmds=()
lw_tracked=()

fail() { echo "FAIL: $*"; fails=$((fails + 1)); }
alive() { kill -0 "$1" 2> /dev/null; }
ended_within() {
    local i
    for i in $(seq $(($2 * 20))); do alive "$1" || return 0; sleep 0.05; done
    return 1
}
wait_until() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.05
    done
}
lw_at_exit() { lw_exit_cmds+=("$1"); }
lw_track() { lw_tracked+=("$@"); }

lw_cleanup() {
    local status=$? c p
    for c in ${lw_exit_cmds[@]+"${lw_exit_cmds[@]}"}; do eval "$c"; done
    for p in ${lw_tracked[@]+"${lw_tracked[@]}"}; do kill "$p" 2> /dev/null; done
    for p in ${lw_tracked[@]+"${lw_tracked[@]}"}; do
        ended_within "$p" 2 || kill -9 "$p" 2> /dev/null
        wait "$p" 2> /dev/null
    done
    rm -rf "$work"
    exit "${lw_exit_status:-$status}"
}
trap lw_cleanup EXIT

lw_xvfb() {
    local args=("$@")
    [ ${#args[@]} -gt 0 ] || args=(-screen 0 640x480x24)
    rm -f "$work/display"
    Xvfb -displayfd 3 -noreset -nolisten tcp "${args[@]}" 3> "$work/display" 2> /dev/null &
    xvfb=$!
    lw_track $xvfb
    wait_until 10 test -s "$work/display" || { fail "Xvfb did not start"; exit 1; }
    export DISPLAY=:$(cat "$work/display")
}

lw_tints() {
    convert "xwd:$1" -scale 64x48\! txt:- 2> /dev/null | awk -F'[(),]' 'NR > 1 {
        r = $(NF - 3) + 0; g = $(NF - 2) + 0; b = $(NF - 1) + 0
        if (g > 60 && g > 2 * r && g > 2 * b) green++
        if (b > 60 && b > 2 * r && b > 2 * g) blue++
        if (r > 60 || g > 60 || b > 60) lit++
    } END { printf "%d %d %d\n", green, blue, lit }'
}

lw_passed() {
    if [ $fails -eq 0 ]; then echo "$1: all checks passed"; else exit 1; fi
}
