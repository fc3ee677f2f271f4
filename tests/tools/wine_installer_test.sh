#!/usr/bin/env bash
# tests/tools/wine_installer_test.sh [BUILD_WIN_DIR]: lumenwhirl-setup.exe
# under wine, in a throw-away prefix on an Xvfb of its own and with no
# DevIL DLLs anywhere. A silent install puts the saver in the 64-bit
# System32 and the package in its folder, names that folder under HKLM,
# registers lumenwhirl-uninstall.exe and writes nothing of the product's
# under HKCU (the installer runs elevated, as an account that may not be
# the user's). The saver started as the system would start it finds its
# package through HKLM, and through the user's own HKCU value before that,
# and ends on a key. The silent uninstaller takes back everything it wrote,
# leaves the user's HKCU as it was and the vendor's other keys alone. Once
# in a folder of its own (/D=), once in Program Files.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(realpath "${1:-$here/../../build-win}")
[ -f "$build/lumenwhirl-setup.exe" ] || { echo "FAIL: no $build/lumenwhirl-setup.exe"; exit 1; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
package=$(sed -n 's/^LW_WIN_PACKAGE:[A-Z]*=//p' "$build/CMakeCache.txt")
[ -n "$version" ] && [ -f "$package" ] || { echo "FAIL: no version or package in $build/CMakeCache.txt"; exit 1; }
# The saver's file name, as the installer puts it in System32 and the build makes it.
scr_name=$(sed -n 's/^!define LW_SCR_NAME "\(.*\)"/\1/p' "$here/../../scripts/installer/lumenwhirl.nsi")
[ -n "$scr_name" ] && [ -f "$build/$scr_name" ] || { echo "FAIL: no $build/${scr_name:-(LW_SCR_NAME)}"; exit 1; }

source "$here/lib.sh"
saver_pid=
lw_at_exit '[ -n "$saver_pid" ] && kill "$saver_pid" 2> /dev/null'
lw_at_exit '[ -d "$work/prefix" ] && WINEPREFIX="$work/prefix" wineserver -k 2> /dev/null'
# Away from the build, so the saver finds its package through the registry.
cd "$work" || exit 1
# Copies, which a rebuild of the build folder during the test leaves alone.
cp "$build/lumenwhirl-setup.exe" "$build/$scr_name" "$work/" || exit 1
setup=$work/lumenwhirl-setup.exe
scr=$work/$scr_name
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

config='HKLM\Software\vorn3d\Screensavers\Lumenwhirl'
user_config='HKCU\Software\vorn3d\Screensavers\Lumenwhirl'
desktop='HKCU\Control Panel\Desktop'
uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Lumenwhirl'
sys32=$WINEPREFIX/drive_c/windows/system32

say "making a wine prefix"
wineboot -i > /dev/null 2>&1
devil=$(find "$WINEPREFIX" -iname 'devil*.dll' -o -iname 'ilu*.dll' | head -1)
[ -z "$devil" ] || fail "the prefix has a DevIL DLL: $devil"
sys32_win=$(winepath -w "$sys32")
scr_win="$sys32_win\\$scr_name"
appdata=$(winepath -u "$(wine cmd /c echo %LOCALAPPDATA% 2> /dev/null | tr -d '\r')" 2> /dev/null)
# The user's own: a key beside ours under vorn3d and their current saver;
# and the vendor's other product under HKLM.
regadd 'HKCU\Software\vorn3d\Other' keep yes
regadd "$desktop" SCRNSAVE.EXE "$sys32_win\\other.scr"
regadd 'HKLM\Software\vorn3d\Other' keep yes

# hkcu_ours: every key and value under HKCU that names the product, its
# files or the current screen saver, one a line.
hkcu_ours() {
    local f=$work/hkcu.reg
    rm -f "$f"
    wine reg export HKCU "$(winepath -w "$f")" /y /reg:64 > /dev/null 2>&1 || { echo "(HKCU export failed)"; return; }
    iconv -f UTF-16 -t UTF-8 "$f" | tr -d '\r' |
        awk 'function ours(s) { return tolower(s) ~ /lumenwhirl|lwhirl|vorn3d|scrnsave/ }
             /^\[/ { key = $0; if (ours(key)) print key; next }
             /./ && (ours(key) || ours($0)) { print key " " $0 }'
}
# expect_hkcu WHEN BEFORE: HKCU's share of the product is still BEFORE.
expect_hkcu() {
    local now
    now=$(hkcu_ours)
    [[ $now == *'[HKEY_CURRENT_USER\Software\vorn3d\Other] "keep"="yes"'* ]] ||
        fail "HKCU as exported after $1 lacks the user's own vorn3d\\Other key"
    [ "$now" = "$2" ] && return
    fail "$1 changed HKCU (< before, > after):"
    diff <(echo "$2") <(echo "$now") | grep '^[<>]' | sed 's/^/    /'
}

# installed_checks FOLDER: what every install into FOLDER leaves.
installed_checks() {
    local folder=$1 folder_win name size
    folder_win=$(winepath -w "$folder")
    cmp -s "$scr" "$sys32/$scr_name" || fail "no $scr_name from the build in System32"
    [ -e "$WINEPREFIX/drive_c/windows/syswow64/$scr_name" ] && fail "$scr_name went into SysWOW64"
    cmp -s "$package" "$folder/lwhirl.dat" || fail "no lwhirl.dat from $package in $folder_win"
    [ -f "$folder/lumenwhirl-uninstall.exe" ] || fail "no lumenwhirl-uninstall.exe in $folder_win"
    [ -e "$folder/uninstall.exe" ] && fail "the uninstaller is named uninstall.exe, like any other program's"
    expect_value "$config" path "$folder_win"
    for name in DisplayName UninstallString QuietUninstallString DisplayIcon DisplayVersion Publisher \
                InstallLocation EstimatedSize NoModify NoRepair; do
        regval "$uninstall" $name > /dev/null || fail "the Uninstall key has no $name"
    done
    regval "$uninstall" DisplayName | grep -q Lumenwhirl || fail "DisplayName does not name Lumenwhirl"
    expect_value "$uninstall" DisplayVersion "$version"
    expect_value "$uninstall" Publisher "The Lumenwhirl developers"
    expect_value "$uninstall" InstallLocation "$folder_win"
    expect_value "$uninstall" UninstallString "\"$folder_win\\lumenwhirl-uninstall.exe\""
    expect_value "$uninstall" QuietUninstallString "\"$folder_win\\lumenwhirl-uninstall.exe\" /S"
    expect_value "$uninstall" DisplayIcon "$scr_win,0"
    expect_value "$uninstall" NoModify 0x1
    expect_value "$uninstall" NoRepair 0x1
    # KiB, at least the two files, at most a little more.
    size=$(regval "$uninstall" EstimatedSize) && size=$((size * 1024))
    local files=$(($(stat -c %s "$package") + $(stat -c %s "$scr")))
    [ "${size:-0}" -ge $files ] && [ "${size:-0}" -le $((files + 1048576)) ] ||
        fail "EstimatedSize is $size bytes for $files bytes of files"
}

# uninstall_silently FOLDER: runs the registered uninstaller as Add/Remove
# Programs would and waits for it, which returns at once from a copy of itself.
uninstall_silently() {
    local exe
    exe=$(regval "$uninstall" UninstallString | tr -d '"') || { fail "nothing to uninstall with"; return 1; }
    wine "$exe" /S > /dev/null 2>&1 || fail "the uninstaller failed"
    until_gone 60 "$sys32/$scr_name" "$1" || fail "the uninstaller left files after a minute"
    local deadline=$((SECONDS + 30))
    while regkey "$uninstall" && [ $SECONDS -lt $deadline ]; do sleep 0.2; done
}

uninstalled_checks() {
    local f
    for f in "$sys32/$scr_name" "$1/lwhirl.dat" "$1/lwhirl.log" "$1/lumenwhirl-uninstall.exe" "$1"; do
        [ -e "$f" ] && fail "$f is still there"
    done
    regkey "$config" && fail "$config is still there"
    regkey 'HKLM\Software\vorn3d\Screensavers' && fail "the empty HKLM Screensavers key is still there"
    regkey "$uninstall" && fail "the Uninstall key is still there"
}

# saver_reads FOLDER: the installed saver, started as the system starts the
# current one, must name FOLDER in its trace log as the folder it took the
# package from, and end on a key.
saver_reads() {
    local want log= l got deadline
    want=$(winepath -w "$1")
    local logs=("$1/lwhirl.log")
    [ -n "$appdata" ] && logs+=("$appdata/Lumenwhirl/lwhirl.log")
    rm -f "${logs[@]}"
    wine "$scr_win" /s > /dev/null 2>&1 &
    saver_pid=$!
    deadline=$((SECONDS + 90))
    while [ -z "$log" ]; do
        for l in "${logs[@]}"; do grep -q "FXPackage::Load" "$l" 2> /dev/null && log=$l; done
        kill -0 "$saver_pid" 2> /dev/null && [ $SECONDS -lt $deadline ] || break
        [ -n "$log" ] || sleep 0.2
    done
    if [ -z "$log" ]; then
        fail "no FXPackage::Load in ${logs[*]}"
    else
        grep -E "#ERROR|install folder|FXPackage::Load" "$log" | sed 's/^/    lwhirl.log: /' | head -6
        got=$(tr -d '\r' < "$log" | sed -n 's/.*install folder: //p' | head -1)
        [ "${got,,}" = "${want,,}" ] || fail "the saver took its package from \"$got\", not \"$want\""
    fi
    # Program Files is no place for a log: it is the user's.
    case ${want,,} in *"program files"*) [ -e "$1/lwhirl.log" ] && fail "the saver wrote lwhirl.log into $1" ;; esac
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
}

# A folder of its own, so that only HKLM can lead the saver to it (the
# saver's own folder is System32).
folder=$WINEPREFIX/drive_c/LwData/Lumenwhirl
say "lumenwhirl-setup.exe /S /D=$(winepath -w "$folder")"
before=$(hkcu_ours)
wine "$setup" /S "/D=$(winepath -w "$folder")" > /dev/null 2>&1 || fail "the silent install failed"
installed_checks "$folder"
expect_hkcu "the installer" "$before"
expect_value 'HKLM\Software\vorn3d\Other' keep yes

say "the installed saver, with nothing of the user's: HKLM"
saver_reads "$folder"

say "the installed saver, with the user's own path under HKCU"
own=$WINEPREFIX/drive_c/LwOwn
mkdir -p "$own" && cp "$package" "$own/"
regadd "$user_config" path "$(winepath -w "$own")"
saver_reads "$own"
# The user's choice, as the Screen Saver settings would write it.
regadd "$desktop" SCRNSAVE.EXE "$scr_win"

say "the uninstaller, silently"
before=$(hkcu_ours)
uninstall_silently "$folder"
uninstalled_checks "$folder"
expect_hkcu "the uninstaller" "$before"
expect_value 'HKLM\Software\vorn3d\Other' keep yes

say "lumenwhirl-setup.exe /S, with nothing else of the vendor's under HKLM"
folder="$WINEPREFIX/drive_c/Program Files/Lumenwhirl"
wine reg delete 'HKLM\Software\vorn3d\Other' /f /reg:64 > /dev/null 2>&1
before=$(hkcu_ours)
wine "$setup" /S > /dev/null 2>&1 || fail "the silent install failed"
installed_checks "$folder"
expect_hkcu "the installer" "$before"
uninstall_silently "$folder"
uninstalled_checks "$folder"
regkey 'HKLM\Software\vorn3d' && fail "the empty HKLM vorn3d key is still there"
expect_hkcu "the uninstaller" "$before"

if [ $fails -eq 0 ]; then say "installer under wine: all checks passed"; else exit 1; fi
