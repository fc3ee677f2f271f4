#!/usr/bin/env bash
# tests/tools/wine_installer_test.sh [BUILD_WIN_DIR]: lumenwhirl-setup.exe
# under wine, in a throw-away prefix on an Xvfb of its own and with no
# DevIL DLLs anywhere. A silent install puts the saver in the 64-bit
# System32 and the package in Program Files\Lumenwhirl, names that folder
# in the registry, makes the saver the current one and registers the
# uninstaller; the saver started as the system would start it reads its
# package and ends on a key; the silent uninstaller takes all of it back and
# leaves the user's other keys and values alone. Then the same with
# /NOCURRENT, which must leave the current saver as it was, and with the
# current saver named by its short (8.3) name in capitals.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(realpath "${1:-$here/../../build-win}")
[ -f "$build/lumenwhirl-setup.exe" ] || { echo "FAIL: no $build/lumenwhirl-setup.exe"; exit 1; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
package=$(sed -n 's/^LW_WIN_PACKAGE:[A-Z]*=//p' "$build/CMakeCache.txt")
[ -n "$version" ] && [ -f "$package" ] || { echo "FAIL: no version or package in $build/CMakeCache.txt"; exit 1; }

source "$here/lib.sh"
saver_pid=
lw_at_exit '[ -n "$saver_pid" ] && kill "$saver_pid" 2> /dev/null'
lw_at_exit '[ -d "$work/prefix" ] && WINEPREFIX="$work/prefix" wineserver -k 2> /dev/null'
# Away from the build, so the saver finds its package through the registry.
cd "$work" || exit 1
# Copies, which a rebuild of the build folder during the test leaves alone.
cp "$build/lumenwhirl-setup.exe" "$build/lumenwhirl.scr" "$work/" || exit 1
setup=$work/lumenwhirl-setup.exe
scr=$work/lumenwhirl.scr
lw_xvfb -screen 0 800x600x24
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
say() { echo "==> $*"; }

# regval KEY NAME: the value's data (64-bit view); fails when it is absent.
regval() {
    wine reg query "$1" /v "$2" /reg:64 2> /dev/null | tr -d '\r' |
        awk -v p="    $2    " 'index($0, p) == 1 { s = substr($0, length(p) + 1); sub(/^REG_[A-Z_]+    /, "", s);
                                                   print s; found = 1 } END { exit !found }'
}
regkey() { wine reg query "$1" /reg:64 > /dev/null 2>&1; }
regadd() { wine reg add "$1" /v "$2" /t REG_SZ /d "$3" /f /reg:64 > /dev/null 2>&1 || fail "cannot set $1 $2"; }
# expect_value KEY NAME WANT: compared as Windows does, without case.
expect_value() {
    local got
    got=$(regval "$1" "$2") || { fail "no value $2 under $1"; return; }
    [ "${got,,}" = "${3,,}" ] || fail "$1 $2 is \"$got\", not \"$3\""
}
# until_gone SECONDS PATH...: waits for all the paths to go.
until_gone() {
    local deadline=$((SECONDS + $1)) p
    shift
    while :; do
        for p in "$@"; do [ -e "$p" ] && break; done
        [ -e "$p" ] || return 0
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.2
    done
}

config='HKCU\Software\vorn3d\Screensavers\Lumenwhirl'
desktop='HKCU\Control Panel\Desktop'
uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Lumenwhirl'
sys32=$WINEPREFIX/drive_c/windows/system32
folder="$WINEPREFIX/drive_c/Program Files/Lumenwhirl"

say "making a wine prefix"
wineboot -i > /dev/null 2>&1
devil=$(find "$WINEPREFIX" -iname 'devil*.dll' -o -iname 'ilu*.dll' | head -1)
[ -z "$devil" ] || fail "the prefix has a DevIL DLL: $devil"
sys32_win=$(winepath -w "$sys32")
folder_win=$(winepath -w "$folder")
scr_win="$sys32_win\\lumenwhirl.scr"
# The user's own: a key beside ours under vorn3d, a value beside ours.
regadd 'HKCU\Software\vorn3d\Other' keep yes
regadd "$desktop" LwTestKeep yes
check_users_things() {
    expect_value 'HKCU\Software\vorn3d\Other' keep yes
    expect_value "$desktop" LwTestKeep yes
}

# installed_checks: what every install leaves, whatever its options.
installed_checks() {
    cmp -s "$scr" "$sys32/lumenwhirl.scr" || fail "no lumenwhirl.scr from the build in System32"
    [ -e "$WINEPREFIX/drive_c/windows/syswow64/lumenwhirl.scr" ] && fail "lumenwhirl.scr went into SysWOW64"
    cmp -s "$package" "$folder/lwhirl.dat" || fail "no lwhirl.dat from $package in $folder_win"
    [ -f "$folder/uninstall.exe" ] || fail "no uninstaller in $folder_win"
    expect_value "$config" path "$folder_win"
    local name size
    for name in DisplayName UninstallString QuietUninstallString DisplayIcon DisplayVersion Publisher \
                InstallLocation EstimatedSize NoModify NoRepair; do
        regval "$uninstall" $name > /dev/null || fail "the Uninstall key has no $name"
    done
    regval "$uninstall" DisplayName | grep -q Lumenwhirl || fail "DisplayName does not name Lumenwhirl"
    expect_value "$uninstall" DisplayVersion "$version"
    expect_value "$uninstall" Publisher "The Lumenwhirl developers"
    expect_value "$uninstall" InstallLocation "$folder_win"
    expect_value "$uninstall" UninstallString "\"$folder_win\\uninstall.exe\""
    expect_value "$uninstall" QuietUninstallString "\"$folder_win\\uninstall.exe\" /S"
    expect_value "$uninstall" DisplayIcon "$scr_win,0"
    expect_value "$uninstall" NoModify 0x1
    expect_value "$uninstall" NoRepair 0x1
    # KiB, at least the two files, at most a little more.
    size=$(regval "$uninstall" EstimatedSize) && size=$((size * 1024))
    local files=$(($(stat -c %s "$package") + $(stat -c %s "$scr")))
    [ "${size:-0}" -ge $files ] && [ "${size:-0}" -le $((files + 1048576)) ] ||
        fail "EstimatedSize is $size bytes for $files bytes of files"
    check_users_things
}

# uninstall_silently: runs the registered uninstaller as Add/Remove Programs
# would and waits for it, which returns at once from a copy of itself.
uninstall_silently() {
    local exe
    exe=$(regval "$uninstall" UninstallString | tr -d '"') || { fail "nothing to uninstall with"; return 1; }
    wine "$exe" /S > /dev/null 2>&1 || fail "the uninstaller failed"
    until_gone 60 "$sys32/lumenwhirl.scr" "$folder" || fail "the uninstaller left files after a minute"
    local deadline=$((SECONDS + 30))
    while regkey "$uninstall" && [ $SECONDS -lt $deadline ]; do sleep 0.2; done
}

uninstalled_checks() {
    local f
    for f in "$sys32/lumenwhirl.scr" "$folder/lwhirl.dat" "$folder/lwhirl.log" "$folder/uninstall.exe" "$folder"; do
        [ -e "$f" ] && fail "$f is still there"
    done
    regkey "$config" && fail "$config is still there"
    regkey 'HKCU\Software\vorn3d\Screensavers' && fail "the empty Screensavers key is still there"
    regkey "$uninstall" && fail "the Uninstall key is still there"
}

say "lumenwhirl-setup.exe /S"
wine "$setup" /S > /dev/null 2>&1 || fail "the silent install failed"
installed_checks
expect_value "$desktop" SCRNSAVE.EXE "$scr_win"

say "the current screen saver, started as the system does"
log=$folder/lwhirl.log
if scrnsave=$(regval "$desktop" SCRNSAVE.EXE); then
    wine "$scrnsave" /s > /dev/null 2>&1 &
    saver_pid=$!
    deadline=$((SECONDS + 90))
    until grep -q "FXPackage::Load" "$log" 2> /dev/null; do
        kill -0 "$saver_pid" 2> /dev/null || break
        [ $SECONDS -lt $deadline ] || break
        sleep 0.2
    done
    grep -q "FXPackage::Load" "$log" 2> /dev/null || fail "no FXPackage::Load in $log"
    grep -E "#ERROR|FXPackage::Load" "$log" | sed 's/^/    lwhirl.log: /' | head -6
    # The package loads before the window is shown; a key before that is lost.
    until xdotool search --onlyvisible --name '^Lumenwhirl$' > /dev/null 2>&1; do
        kill -0 "$saver_pid" 2> /dev/null && [ $SECONDS -lt $deadline ] || break
        sleep 0.1
    done
    xdotool search --onlyvisible --name '^Lumenwhirl$' > /dev/null 2>&1 || fail "the saver shows no window"
    xdotool key space
    deadline=$((SECONDS + 10))
    while kill -0 "$saver_pid" 2> /dev/null && [ $SECONDS -lt $deadline ]; do sleep 0.1; done
    if kill -0 "$saver_pid" 2> /dev/null; then
        fail "a key did not end the saver within ten seconds"
        kill "$saver_pid"
    fi
    wait "$saver_pid" 2> /dev/null
    saver_pid=
fi

say "the uninstaller, silently"
uninstall_silently
uninstalled_checks
regval "$desktop" SCRNSAVE.EXE > /dev/null && fail "SCRNSAVE.EXE still names the removed saver"
check_users_things

say "lumenwhirl-setup.exe /S /NOCURRENT, with another current saver"
other="$sys32_win\\other.scr"
regadd "$desktop" SCRNSAVE.EXE "$other"
wine "$setup" /S /NOCURRENT > /dev/null 2>&1 || fail "the silent install with /NOCURRENT failed"
installed_checks
expect_value "$desktop" SCRNSAVE.EXE "$other"
# With nothing else of the user's under vorn3d, vorn3d goes too.
wine reg delete 'HKCU\Software\vorn3d\Other' /f /reg:64 > /dev/null 2>&1
uninstall_silently
uninstalled_checks
expect_value "$desktop" SCRNSAVE.EXE "$other"
regkey 'HKCU\Software\vorn3d' && fail "the empty vorn3d key is still there"
expect_value "$desktop" LwTestKeep yes

say "lumenwhirl-setup.exe /S, then the current saver by its short name"
regadd 'HKCU\Software\vorn3d\Other' keep yes
wine "$setup" /S > /dev/null 2>&1 || fail "the silent install failed"
installed_checks
short=$(wine cmd /c "dir /x $scr_win" 2> /dev/null | tr -d '\r' | awk '$NF == "lumenwhirl.scr" { print $(NF - 1) }')
if [[ $short == *"~"* ]]; then
    regadd "$desktop" SCRNSAVE.EXE "${sys32_win^^}\\$short"
    uninstall_silently
    uninstalled_checks
    regval "$desktop" SCRNSAVE.EXE > /dev/null && fail "SCRNSAVE.EXE as ${sys32_win^^}\\$short survived the uninstall"
    check_users_things
else
    fail "dir /x gives no short name for $scr_win"
fi

if [ $fails -eq 0 ]; then say "installer under wine: all checks passed"; else exit 1; fi
