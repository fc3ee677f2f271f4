#!/usr/bin/env bash
# lwpack.exe opens the files named on its command line and in its sources
# by their UTF-8 names: a manifest, an output and an OBJ whose material
# library and texture have non-ASCII names build under wine
# with --strict (a library "not found" is a warning, so an error here), and
# gives the package the Linux build gives.
# Usage: tests/tools/wine_lwpack_test.sh BUILD BUILD_WIN
set -u
build=$(realpath "$1") buildwin=$(realpath "$2")
source "$(dirname "$0")/lib.sh"
lw_at_exit 'WINEPREFIX="$work/prefix" wineserver -k 2> /dev/null'
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

src="$work/src"
mkdir -p "$src/matériaux/textures" && cd "$src" || exit 1
convert -size 16x8 plasma:fractal "PNG24:matériaux/textures/écorce_木.png"
printf 'newmtl bois\nKd 0.8 0.6 0.4\nmap_Kd -s 1 1 1 -clamp on textures\\écorce_木.png\n' > "matériaux/bibliothèque.mtl"
printf 'mtllib matériaux\\bibliothèque.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nvt 0 0\nvt 1 0\nvt 1 1\nusemtl bois\nf 1/1 2/2 3/3\n' \
    > shape.obj
printf 'model 10 shape.obj\n' > modèle.manifest

"$build/lwpack" build modèle.manifest -o "$work/linux.dat" --strict --quiet || fail "lwpack build on Linux"
wineboot -i > /dev/null 2>&1
wine "$buildwin/lwpack.exe" build "$(winepath -w modèle.manifest)" -o "$(winepath -w "$work/paquet_é.dat")" --strict \
    --quiet > "$work/wine.txt" 2>&1 || fail "lwpack build under wine: $(cat "$work/wine.txt")"
mv "$work/paquet_é.dat" "$work/wine.dat"
"$build/lwpack" verify "$work/wine.dat" || fail "the package built under wine does not verify"
# The model, its library and the texture: three entries, one a picture.
"$build/lwpack" list "$work/wine.dat" > "$work/wine.list" 2>&1
grep -q "^10	" "$work/wine.list" || fail "no model entry: $(cat "$work/wine.list")"
[ "$(awk -F'\t' 'NF == 3 && $2 != -1' "$work/wine.list" | wc -l)" = 1 ] ||
    fail "the texture is not stored: $(cat "$work/wine.list")"
cmp -s "$work/linux.dat" "$work/wine.dat" || fail "wine's package differs from Linux's"

lw_passed "lwpack.exe with non-ASCII source names"
