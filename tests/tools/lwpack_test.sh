#!/usr/bin/env bash
# lwpack end to end: pack, list, verify and extract round-trip arbitrary
# files; malformed packages give an error and status 1, never a crash.
set -u
lwpack=$(realpath "$1")
source "$(dirname "$0")/lib.sh"
cd "$work" || exit 1

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
"$lwpack" build --help | grep -q -- "--strict makes every warning an error" || fail "build --help names --strict"

# build, with sources as Windows tools save them: "\" in the files they
# name, UTF-16 and UTF-8 with a byte-order mark. Each encoding gives the
# package of the plain files.
last_line_ends() { [ ! -s "$1" ] || [ "$(tail -c 1 "$1" | od -An -c | tr -d ' ')" = '\n' ]; }
dot='iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNkYPhfDwAChwGA60e6kgAAAABJRU5ErkJggg=='
for form in plain utf16le utf16be utf8bom; do
    mkdir -p "$form/textures"
    echo "$dot" | base64 -d > "$form/textures/wood.png"
    printf 'model 2 model.obj\n' > "$form/m.manifest"
    printf '# Holz\nnewmtl Holz_\xc3\xa4\r\nKd 1 1 1\r\nmap_Kd .\\textures\\wood.png\r\n' > mtl.txt
    printf 'mtllib .\\materials.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nvt 0 0\nvt 1 0\nvt 1 1\n' > obj.txt
    printf 'usemtl Holz_\xc3\xa4\nf 1/1 2/2 3/3\n' >> obj.txt
    for f in mtl:materials.mtl obj:model.obj; do
        case $form in
        plain) cp "${f%%:*}.txt" "$form/${f#*:}" ;;
        utf16le) { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "${f%%:*}.txt"; } > "$form/${f#*:}" ;;
        utf16be) { printf '\xfe\xff'; iconv -f UTF-8 -t UTF-16BE "${f%%:*}.txt"; } > "$form/${f#*:}" ;;
        utf8bom) { printf '\xef\xbb\xbf'; cat "${f%%:*}.txt"; } > "$form/${f#*:}" ;;
        esac
    done
    (cd "$form" && "$lwpack" build m.manifest -o out.dat --quiet 2> err.txt) || { cat "$form/err.txt"; fail "build of $form sources"; }
    [ ! -s "$form/err.txt" ] || fail "build of $form sources says: $(cat "$form/err.txt")"
    cmp -s plain/out.dat "$form/out.dat" || fail "$form sources give another package than the plain ones"
done
"$lwpack" verify plain/out.dat | grep -q "well formed, 3 entries (1 models, 0 animations, 0 movies, 1 libraries, 1 pictures)" \
    || fail "verify of the built package"

# A missing texture is named with the MTL's line, on a line of its own; the
# build fails and leaves no package.
cd plain || exit 1
printf 'newmtl Holz\n\nmap_Kd textures\\gone.jpg\n' > materials.mtl
"$lwpack" build m.manifest -o bad.dat 2> err.txt; rc=$?
[ $rc -eq 1 ] && [ ! -e bad.dat ] || fail "build with a missing texture exited $rc"
[ "$(cat err.txt)" = "lwpack: m.manifest:1: ./materials.mtl:3: texture textures/gone.jpg: No such file or directory" ] \
    && last_line_ends err.txt || fail "missing texture message: $(od -c err.txt | head -5)"

# A missing material library is a warning: status 0 and a package;
# --strict makes it an error and leaves no package.
printf 'mtllib lost\\materials.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 3\n' > model.obj
"$lwpack" build m.manifest -o warned.dat > out.txt 2> err.txt; rc=$?
[ $rc -eq 0 ] && [ -s warned.dat ] || fail "build with a missing library exited $rc"
[ "$(cat err.txt)" = "lwpack: model.obj:1: warning: material library lost/materials.mtl: No such file or directory; its materials get the default" ] \
    && last_line_ends err.txt || fail "missing library warning: $(cat err.txt)"
grep -q "warned.dat: 1 manifest entries" out.txt || fail "summary of a build with warnings"
"$lwpack" build m.manifest -o strict.dat --strict 2> err.txt; rc=$?
[ $rc -eq 1 ] && [ ! -e strict.dat ] && grep -q "^lwpack: m.manifest:1: model.obj:1: warning: material library" err.txt \
    && last_line_ends err.txt || fail "--strict build exited $rc: $(cat err.txt)"
cd ..

lw_passed lwpack
