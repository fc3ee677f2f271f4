#!/usr/bin/env bash
# tests/tools/deb_test.sh [BUILD_DIR]: the Debian package made by
# scripts/make-deb passes lintian without errors, holds the installed files,
# and unpacked into a scratch root its saver and its xscreensaver hack read
# the show package beside them, never the build's, write their trace log
# into the user's state folder, never into the installed tree, and leave
# the rest of HOME alone; its lwpack verifies its show.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../../build}
source "$here/lib.sh"
work=$(realpath "$work")

deb=$("$here/../../scripts/make-deb" "$build" | tail -1) && [ -s "$deb" ] || { echo "FAIL: scripts/make-deb"; exit 1; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$(dirname "$deb")/CMakeCache.txt")
[ "$(basename "$deb")" = "lumenwhirl_${version}_$(dpkg --print-architecture).deb" ] || fail "file name $(basename "$deb")"

lintian "$deb" > "$work/lintian.txt" 2>&1
status=$?
sed '/running with root privileges/d' "$work/lintian.txt"
{ [ $status -eq 0 ] && ! grep -q '^E:' "$work/lintian.txt"; } || fail "lintian reports errors"

dpkg -c "$deb" | awk '{ print $6 }' > "$work/contents.txt"
for f in usr/bin/lumenwhirl usr/libexec/xscreensaver/lumenwhirl usr/share/xscreensaver/config/lumenwhirl.xml \
         usr/share/lumenwhirl/lwhirl.dat usr/share/man/man6/lumenwhirl.6.gz usr/share/doc/lumenwhirl/copyright \
         usr/share/doc/lumenwhirl/changelog.gz usr/bin/lwpack usr/share/man/man1/lwpack.1.gz; do
    grep -qx "./$f" "$work/contents.txt" || fail "dpkg -c has no /$f"
done
depends=$(dpkg-deb -f "$deb" Depends)
wanted=(libdevil1c2 libegl-mesa0 libegl1 libglu1-mesa libglx0 libx11-6 libc6)
"$build/lumenwhirl" --help 2>&1 | grep -q -- --wayland && wanted+=(libwayland-client0 libwayland-egl1)
for p in "${wanted[@]}"; do
    grep -qE "(^|, )$p( |,|$)" <<< "$depends" || fail "Depends lacks $p: $depends"
done

root=$work/root
dpkg -x "$deb" "$root" || fail "dpkg -x"
# The packaged lwpack reads the packaged show.
"$root/usr/bin/lwpack" verify "$root/usr/share/lumenwhirl/lwhirl.dat" > "$work/verify.txt" 2>&1 ||
    fail "the packaged lwpack does not pass the packaged show: $(tail -3 "$work/verify.txt")"
xml=$root/usr/share/xscreensaver/config/lumenwhirl.xml
xmllint --noout "$xml" || fail "lumenwhirl.xml is not well formed"
[ "$(xmllint --xpath 'string(/screensaver/@name)' "$xml")" = lumenwhirl ] &&
    [ "$(xmllint --xpath 'string(/screensaver/command/@arg)' "$xml")" = --root ] &&
    [ -n "$(xmllint --xpath 'normalize-space(/screensaver/_description)' "$xml")" ] || fail "lumenwhirl.xml fields"

# Each program as xscreensaver starts a hack: through sh, by its bare name,
# from its folder on PATH, with the user's HOME (empty here) and neither
# LUMENWHIRL_PATH nor XDG_CONFIG_HOME.
mkdir "$work/home"
share=$root/usr/share/lumenwhirl state=$work/home/.local/state/lumenwhirl
for dir in "$root/usr/bin" "$root/usr/libexec/xscreensaver"; do
    rm -rf "$work/frames" "$state/lwhirl.log"
    (cd "$work" && env -u LUMENWHIRL_PATH -u XDG_CONFIG_HOME -u XDG_STATE_HOME HOME="$work/home" PATH="$dir:$PATH" \
        sh -c "exec lumenwhirl --record '$work/frames' --frames 3 --size 64x48") > "$work/out.txt" 2>&1 ||
        { fail "$dir/lumenwhirl --record: $(cat "$work/out.txt")"; continue; }
    grep -qF "(package from $share)" "$work/out.txt" ||
        fail "$dir/lumenwhirl read $(grep -o 'package from [^)]*' "$work/out.txt")"
    [ "$(ls "$work/frames" | grep -c '^frame-[0-9]\{5\}\.png$')" -eq 3 ] || fail "$dir/lumenwhirl wrote no 3 frames"
    grep -q "FXPackage::Load" "$state/lwhirl.log" 2> /dev/null || fail "$dir/lumenwhirl did not load $share/lwhirl.dat"
    leftover=$(find "$root" -name lwhirl.log)
    [ -z "$leftover" ] || fail "$dir/lumenwhirl wrote into the installed tree: $leftover"
done
rm -f "$state/lwhirl.log"
rmdir "$state" "$work/home/.local/state" "$work/home/.local" 2> /dev/null
[ -z "$(ls -A "$work/home")" ] || fail "the saver wrote into HOME: $(find "$work/home" | head -5)"

if [ $fails -eq 0 ]; then echo "Debian package $(basename "$deb"): all checks passed"; else exit 1; fi
