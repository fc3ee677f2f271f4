#!/usr/bin/env bash
# lumenwhirl --record with the default package: frames, contact sheet and
# the trace log are written, and bad options are refused.
set -u
lumenwhirl=$(realpath "$1") data=$(realpath "$2")
source "$(dirname "$0")/lib.sh"
# The package in a folder of the test's own: its trace log is the test's
# alone, whatever other tests run beside it.
mkdir -p "$work/data" && ln -s "$data/lwhirl.dat" "$work/data/lwhirl.dat"
export LUMENWHIRL_PATH=$work/data

"$lumenwhirl" --record "$work/full" --frames 8 --size 160x90 > "$work/out.txt" || fail "full run"
[ "$(ls "$work/full" | grep -c '^frame-[0-9]\{5\}\.png$')" -eq 8 ] || fail "eight frames"
[ -s "$work/full/contact-sheet.png" ] || fail "contact sheet"
grep -q "wrote 8 frames, frame-00000.png to frame-00007.png" "$work/out.txt" || fail "summary"
grep -q "FXPackage::Load" "$work/data/lwhirl.log" || fail "trace log in the install folder"
# The screen has no alpha: every frame is an opaque RGB picture (PNG colour
# type 2 in its header).
for f in "$work"/full/frame-*.png; do
    [ "$(od -An -tu1 -j 25 -N 1 "$f" | tr -d ' ')" = 2 ] || { fail "$(basename "$f") is not opaque RGB"; break; }
done

# A soak's memory curve: the resident memory at each whole minute of show
# time (two minutes here, at two frames a second).
"$lumenwhirl" --record "$work/soak" --no-pictures --seconds 125 --fps 2 --size 64x48 > "$work/soak.txt" ||
    fail "soak run"
[ "$(grep -vc '^#' "$work/soak/memory.txt" 2> /dev/null)" = 2 ] &&
    awk '!/^#/ && !($1 ~ /^[12]$/ && $2 > 10) {bad = 1} END {exit bad}' "$work/soak/memory.txt" ||
    fail "memory.txt: $(cat "$work/soak/memory.txt" 2> /dev/null)"
grep -q "resident memory .* after the first minute of show time" "$work/soak.txt" || fail "soak summary"

"$lumenwhirl" --record "$work/preview" --preview --frames 3 --size 64x48 > /dev/null || fail "preview run"
[ -s "$work/preview/frame-00002.png" ] || fail "preview frames"
"$lumenwhirl" --record "$work/notice" --no-multitexture --frames 2 --size 64x48 --no-pictures > /dev/null \
    || fail "run without multitexturing"
[ ! -e "$work/notice/frame-00000.png" ] && [ -s "$work/notice/contact-sheet.png" ] || fail "--no-pictures"

# Bad input, as a new user gives it: a clear line on standard error, and a
# failure status when there is no package to show (a copy of the program
# away from the build, which has no data folder to fall back on).
mkdir "$work/bin" && cp "$lumenwhirl" "$work/bin/lumenwhirl"
LUMENWHIRL_PATH=$work/none "$work/bin/lumenwhirl" --record "$work/none-out" --frames 3 > /dev/null 2> "$work/err.txt"
[ $? -eq 1 ] || fail "a missing package is not a failure"
grep -qx "lumenwhirl: cannot load the package $work/none/lwhirl.dat: No such file or directory" "$work/err.txt" ||
    fail "missing package: $(cat "$work/err.txt")"
[ ! -e "$work/none-out" ] || fail "frames were written without a package"
mkdir "$work/bad" && echo "plain text, not a package" > "$work/bad/lwhirl.dat"
LUMENWHIRL_PATH=$work/bad "$lumenwhirl" --record "$work/bad-out" --frames 3 > /dev/null 2> "$work/err.txt"
[ $? -eq 1 ] || fail "a file that is not a package is not a failure"
grep -q "^lumenwhirl: cannot load the package $work/bad/lwhirl.dat: not a package (" "$work/err.txt" ||
    fail "not a package: $(cat "$work/err.txt")"
"$lumenwhirl" --record "$work/desk" --frames 2 --size 64x48 --desktop /etc/passwd > /dev/null 2> "$work/err.txt" ||
    fail "an undecodable desktop stopped the recording"
grep -qx "lumenwhirl: cannot decode the desktop picture /etc/passwd; the desktop is black" "$work/err.txt" ||
    fail "undecodable desktop: $(cat "$work/err.txt")"
"$lumenwhirl" --record "$work/desk" --frames 2 --size 64x48 --desktop "$work/nothing.png" > /dev/null 2> "$work/err.txt"
grep -q "cannot read the desktop picture $work/nothing.png: No such file or directory" "$work/err.txt" ||
    fail "missing desktop: $(cat "$work/err.txt")"
"$lumenwhirl" --bogus > "$work/out.txt" 2> "$work/err.txt"; [ $? -eq 2 ] || fail "a wrong switch"
[ ! -s "$work/out.txt" ] && [ "$(wc -l < "$work/err.txt")" -eq 3 ] && grep -q "^usage: " "$work/err.txt" &&
    grep -qx "try 'lumenwhirl --help'" "$work/err.txt" || fail "a wrong switch prints: $(cat "$work/err.txt")"

"$lumenwhirl" --record "$work/x" --size 10x10 > /dev/null 2>&1; [ $? -eq 2 ] || fail "a size too small"
"$lumenwhirl" --frames 3 > /dev/null 2>&1; [ $? -eq 2 ] || fail "no --record"
"$lumenwhirl" --help | grep -q -- "--record DIR" || fail "--help"

lw_passed "lumenwhirl --record"
