#!/usr/bin/env bash
# The default package: it verifies, holds every entry the show loads, and
# the generator makes the same bytes again from scratch.
set -u
lwgen=$(realpath "$1") lwpack=$(realpath "$2") data=$(realpath "$3")
source "$(dirname "$0")/lib.sh"

"$lwpack" verify "$data" > "$work/verify.txt" || { cat "$work/verify.txt"; fail "verify"; }
"$lwpack" list "$data" | cut -f1 > "$work/ids.txt"
for id in 2 3 4 8 11 12 133 454 685 686 687 688; do
    grep -qx -- "$id" "$work/ids.txt" || fail "entry $id is missing"
done
size=$(stat -c %s "$data")
[ "$size" -le $((24 * 1024 * 1024)) ] || fail "the package is $size bytes, over 24 MB"

"$lwgen" "$work/src" && "$lwpack" build "$work/src/lwhirl.manifest" -o "$work/again.dat" --quiet || fail "rebuild"
cmp -s "$data" "$work/again.dat" || fail "a second build gives other bytes"

if [ $fails -eq 0 ]; then echo "lwhirl.dat: $size bytes, all checks passed"; else exit 1; fi
