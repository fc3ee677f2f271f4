#!/usr/bin/env bash
# lwpack end to end: pack, list, verify and extract round-trip arbitrary
# files; malformed packages give an error and status 1, never a crash.
set -u
lwpack=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
fails=0
fail() { echo "FAIL: $*"; fails=$((fails + 1)); }

head -c 70001 /dev/urandom > pic.PNG
printf 'newmtl a\nKd 1 0 0\n' > lib.mtl
: > empty.bin

for flag in "" --transpose; do
    "$lwpack" pack out.dat $flag 7=pic.PNG -3=lib.mtl 12=empty.bin > /dev/null || fail "pack $flag"
    expected=$(printf '7\t1066\t70001\n-3\t-1\t18\n12\t-1\t0\n3 entries, 70019 bytes')
    [ "$("$lwpack" list out.dat)" = "$expected" ] || fail "list $flag"
    # The container is sound; the "PNG" of random bytes is not a picture.
    "$lwpack" verify out.dat > out.txt; [ $? -eq 1 ] && grep -q "entry 7: .*cannot decode" out.txt \
        && [ "$(grep -c '^lwpack: ' out.txt)" -eq 1 ] || fail "verify $flag"
    for e in "7 pic.PNG" "-3 lib.mtl" "12 empty.bin"; do
        set -- $e
        "$lwpack" extract out.dat "$1" got.bin && cmp -s got.bin "$2" || fail "extract $1 $flag"
    done
done

# Not packages, truncated and bit-flipped ones: status 1 and a message.
size=$(stat -c %s out.dat)
for cut in 0 3 9 30 $((size / 2)) $((size - 1)); do
    head -c "$cut" out.dat > cut.dat
    "$lwpack" list cut.dat > /dev/null 2> err.txt
    rc=$?
    # Cutting the data area of a transposed package scrambles it: any
    # outcome but a crash is acceptable, and a failure must say why.
    [ $rc -le 1 ] || fail "list of a package cut to $cut bytes exited $rc"
    [ $rc -eq 0 ] || grep -q "cut.dat" err.txt || fail "no message for a package cut to $cut"
done
"$lwpack" pack plain.dat 1=lib.mtl > /dev/null
"$lwpack" verify plain.dat | grep -q "well formed, 1 entries" || fail "verify of a sound package"
printf '\xff\xff\xff\x7f' | dd of=plain.dat bs=1 seek=9 conv=notrunc 2> /dev/null
"$lwpack" verify plain.dat > out.txt; [ $? -eq 1 ] && grep -q "does not fit" out.txt || fail "hostile count"
"$lwpack" list lib.mtl > /dev/null 2>&1; [ $? -eq 1 ] || fail "list of a text file"
"$lwpack" extract out.dat 99 x.bin 2> /dev/null; [ $? -eq 1 ] || fail "extract of a missing id"
"$lwpack" pack bad.dat 1=absent 2> /dev/null; [ $? -ne 0 ] && [ ! -e bad.dat ] || fail "pack of a missing file"
"$lwpack" pack bad.dat x=lib.mtl 2> /dev/null; [ $? -eq 2 ] || fail "pack with a bad id"
for c in pack list verify extract; do "$lwpack" $c --help | grep -q "usage: lwpack $c" || fail "$c --help"; done

if [ $fails -eq 0 ]; then echo "lwpack: all checks passed"; else exit 1; fi
