#!/usr/bin/env bash
# lumenwhirl --record with the default package: frames, contact sheet and
# the trace log are written, and bad options are refused.
set -u
lumenwhirl=$(realpath "$1") data=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fails=0
fail() { echo "FAIL: $*"; fails=$((fails + 1)); }
export LUMENWHIRL_PATH=$data

"$lumenwhirl" --record "$work/full" --frames 8 --size 160x90 > "$work/out.txt" || fail "full run"
[ "$(ls "$work/full" | grep -c '^frame-[0-9]\{5\}\.png$')" -eq 8 ] || fail "eight frames"
[ -s "$work/full/contact-sheet.png" ] || fail "contact sheet"
grep -q "wrote 8 frames, frame-00000.png to frame-00007.png" "$work/out.txt" || fail "summary"
grep -q "FXPackage::Load" "$data/lwhirl.log" || fail "trace log in the install folder"

"$lumenwhirl" --record "$work/preview" --preview --frames 3 --size 64x48 > /dev/null || fail "preview run"
[ -s "$work/preview/frame-00002.png" ] || fail "preview frames"
"$lumenwhirl" --record "$work/notice" --no-multitexture --frames 2 --size 64x48 --no-pictures > /dev/null \
    || fail "run without multitexturing"
[ ! -e "$work/notice/frame-00000.png" ] && [ -s "$work/notice/contact-sheet.png" ] || fail "--no-pictures"

"$lumenwhirl" --record "$work/x" --size 10x10 > /dev/null 2>&1; [ $? -eq 2 ] || fail "a size too small"
"$lumenwhirl" --frames 3 > /dev/null 2>&1; [ $? -eq 2 ] || fail "no --record"
"$lumenwhirl" --help | grep -q -- "--record DIR" || fail "--help"

if [ $fails -eq 0 ]; then echo "lumenwhirl --record: all checks passed"; else exit 1; fi
