#!/usr/bin/env bash
# The resources of the built lwhirl.scr, read back from its resource
# section as Windows' loader and Explorer read them: one manifest (id 1)
# that makes the saver per-monitor DPI aware (PerMonitorV2, with true/pm for
# systems that only read dpiAware) and asks for the common controls of
# version 6, under the project's version; a version resource whose fixed
# numbers and strings give the name, the version and the maker; the display
# name as string 1 and the icon group 101.
# Usage: tests/tools/win_resources_test.sh [SCR] [SOURCE_DIR]
set -u
root=$(realpath "${2:-$(dirname "$0")/../..}")
scr=$(realpath "${1:-$root/build-win/lwhirl.scr}")
objdump=${LW_OBJDUMP:-x86_64-w64-mingw32-objdump}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fails=0
fail() { echo "FAIL: $*"; fails=$((fails + 1)); }

version=$(sed -n 's/^project(Lumenwhirl VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || { echo "FAIL: no project version in $root/CMakeLists.txt"; exit 1; }
quad=$version
while [ "$(echo "$quad" | tr -cd . | wc -c)" -lt 3 ]; do quad=$quad.0; done

"$objdump" -p "$scr" > "$work/headers" || { echo "FAIL: $objdump cannot read $scr"; exit 1; }
"$objdump" -h "$scr" > "$work/sections" || exit 1
hex='^[0-9a-fA-F]+$'
base=$(awk '$1 == "ImageBase" {print $2}' "$work/headers")
read -r vma fileoff < <(awk '$2 == ".rsrc" {print $4, $6}' "$work/sections")
[[ $base =~ $hex && $vma =~ $hex && $fileoff =~ $hex ]] || { echo "FAIL: $scr has no resource section"; exit 1; }
# The section's place in memory relative to the image, and in the file.
rva=$((16#$vma - 16#$base)) fileoff=$((16#$fileoff))
# "TYPE NAME ADDR SIZE" per resource: the type and name entries sit three
# and five blanks in, the leaf with the data's address and size below them.
awk '
    /^[0-9a-f]+   Entry: ID: /   { type = $4 }
    /^[0-9a-f]+     Entry: ID: / { name = $4 }
    /Leaf: Addr: /               { print type, name, $4, $6 }
' "$work/headers" | tr -d , | while read -r t n a s; do
    echo "$((t)) $((n)) $((a)) $((s))"
done > "$work/resources"
sed 's/^/    resource (type, id, address, size): /' "$work/resources"
# The bytes of resource TYPE ID into FILE; false when there is not one.
extract() {
    local rows
    rows=$(awk -v t="$1" -v n="$2" '$1 == t && $2 == n' "$work/resources")
    [ "$(printf '%s\n' "$rows" | grep -c .)" -eq 1 ] || return 1
    local addr size
    read -r _ _ addr size <<< "$rows"
    dd if="$scr" of="$3" bs=1 skip=$((addr - rva + fileoff)) count="$size" status=none
    [ "$(stat -c %s "$3")" -eq "$size" ]
}

# The manifest: RT_MANIFEST (24), id 1, the only one.
[ "$(awk '$1 == 24' "$work/resources" | wc -l)" -eq 1 ] || fail "not exactly one manifest"
if ! extract 24 1 "$work/manifest.xml"; then
    fail "no manifest with id 1"
elif ! xmllint --noout "$work/manifest.xml" 2> "$work/xmllint"; then
    fail "the manifest is not well formed: $(head -3 "$work/xmllint")"
else
    x() { xmllint --xpath "$1" "$work/manifest.xml" 2> /dev/null; }
    [ "$(x 'normalize-space(//*[local-name()="dpiAwareness"])')" = "PerMonitorV2, PerMonitor" ] ||
        fail "dpiAwareness is not PerMonitorV2, PerMonitor"
    [ "$(x 'string(//*[local-name()="dpiAwareness"]/namespace::*[name()=""])')" = \
        http://schemas.microsoft.com/SMI/2016/WindowsSettings ] || fail "dpiAwareness in the wrong namespace"
    [ "$(x 'normalize-space(//*[local-name()="dpiAware"])')" = true/pm ] || fail "dpiAware is not true/pm"
    [ "$(x 'string(//*[local-name()="dpiAware"]/namespace::*[name()=""])')" = \
        http://schemas.microsoft.com/SMI/2005/WindowsSettings ] || fail "dpiAware in the wrong namespace"
    cc='//*[local-name()="dependentAssembly"]/*[local-name()="assemblyIdentity"]'
    [ "$(x "string($cc/@name)") $(x "string($cc/@version)") $(x "string($cc/@publicKeyToken)")" = \
        "Microsoft.Windows.Common-Controls 6.0.0.0 6595b64144ccf1df" ] || fail "no common controls 6 dependency"
    [ "$(x 'string(/*[local-name()="assembly"]/*[local-name()="assemblyIdentity"]/@version)')" = "$quad" ] ||
        fail "the manifest's version is not $quad"
    echo "    manifest: dpiAwareness $(x 'normalize-space(//*[local-name()="dpiAwareness"])'), dpiAware" \
        "$(x 'normalize-space(//*[local-name()="dpiAware"])'), common controls $(x "string($cc/@version)")"
fi

# The version resource (16, id 1): VS_FIXEDFILEINFO right after its
# "VS_VERSION_INFO" key, then the strings as UTF-16.
if ! extract 16 1 "$work/version"; then
    fail "no version resource with id 1"
else
    words=($(od -An -tx4 -j40 -N16 -v "$work/version"))
    IFS=. read -r a b c d <<< "$quad"
    [ "${words[0]:-}" = feef04bd ] || fail "the version resource has no fixed file information"
    [ "${words[2]:-} ${words[3]:-}" = "$(printf '%04x%04x %04x%04x' "$a" "$b" "$c" "$d")" ] ||
        fail "the file version numbers are not $quad: ${words[*]}"
    strings -el -n 3 "$work/version" > "$work/strings"
    # The value that follows KEY among the strings.
    value() { awk -v k="$1" 'found {print; exit} $0 == k {found = 1}' "$work/strings"; }
    [ "$(value ProductName)" = Lumenwhirl ] || fail "ProductName is not Lumenwhirl"
    [ "$(value FileDescription)" = Lumenwhirl ] || fail "FileDescription is not Lumenwhirl"
    [ "$(value FileVersion)" = "$version" ] || fail "FileVersion is not $version"
    [ "$(value ProductVersion)" = "$version" ] || fail "ProductVersion is not $version"
    [ "$(value OriginalFilename)" = lwhirl.scr ] || fail "OriginalFilename is not lwhirl.scr"
    maker=$(value CompanyName)
    [ -n "$maker" ] && [ "$maker" != LegalCopyright ] || fail "no CompanyName"
    echo "    version: $(value ProductName) $(value FileVersion) by $maker"
fi

# The display name (string table block 1 holds strings 0 to 15; string 1
# is the second, after the empty string 0) and the icon group.
if extract 6 1 "$work/strings1"; then
    [ "$(od -An -tu2 -j2 -N2 "$work/strings1" | tr -d ' ')" = 10 ] &&
        [ "$(dd if="$work/strings1" bs=1 skip=4 count=20 status=none | iconv -f UTF-16LE -t UTF-8)" = Lumenwhirl ] ||
        fail "string 1 is not Lumenwhirl"
else
    fail "no string table block 1"
fi
extract 14 101 "$work/icons" || fail "no icon group 101"

if [ $fails -eq 0 ]; then echo "win resources: $scr carries its manifest, version and names"; else exit 1; fi
