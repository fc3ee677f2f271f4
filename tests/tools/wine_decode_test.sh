#!/usr/bin/env bash
# The Windows Imaging Component gives the engine the pictures DevIL gives:
# every picture of the default package and pictures made here (PNGs with
# alpha, palette PNGs with and without transparency, grey and 16-bit PNGs, a
# grey+alpha PNG, grey, progressive and 4:4:4 JPEGs, bottom-up and indexed
# BMPs, a GIF with a transparent colour, plain, run-length, 32-bit,
# 16-bit and colour-mapped TGAs, a CMYK JPEG, and a "tran" mask) are decoded through the canvas by DevIL on Linux and by
# WIC under wine, and must match: sizes, bytes per pixel, opaque flags,
# alpha and padding exactly, colours exactly but for JPEGs, whose decoders
# may fill in subsampled colour differently (at most 6 levels on average).
# Then a package with a movie is built under wine (WIC writes its JPEG frames
# and masks) and must pass lwpack verify on Linux.
# Usage: tests/tools/wine_decode_test.sh BUILD BUILD_WIN
set -u
build=$(realpath "$1") buildwin=$(realpath "$2")
source "$(dirname "$0")/lib.sh"
lw_at_exit 'WINEPREFIX="$work/prefix" wineserver -k 2> /dev/null'
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

mkdir "$work/pics" && cd "$work/pics" || exit 1
convert -size 64x48 gradient:red-blue \( -size 64x48 gradient:white-none \) -compose CopyOpacity -composite \
    PNG32:alpha.png
convert -size 40x30 plasma:fractal -colors 16 PNG8:palette.png
convert -size 40x30 xc:none -fill red -draw "circle 20,15 20,5" -colors 8 PNG8:palette_trns.png
convert -size 50x40 gradient:black-white -colorspace Gray -depth 8 grey.png
convert -size 50x40 gradient:black-white -colorspace Gray -depth 16 grey16.png
convert -size 33x17 gradient:white-black -alpha set -channel A -fx 'i/w' -colorspace Gray PNG:greyalpha.png
convert -size 50x40 gradient:black-white -colorspace Gray -quality 90 grey.jpg
convert -size 80x60 plasma:fractal -interlace Plane -quality 85 progressive.jpg
convert -size 80x60 plasma:fractal -quality 85 -sampling-factor 1x1 full444.jpg
convert -size 30x20 plasma:fractal BMP3:bottomup.bmp
convert -size 30x20 plasma:fractal -colors 16 BMP3:indexed.bmp
convert -size 30x20 xc:none -fill blue -draw "rectangle 5,5 20,15" GIF:trans.gif
convert -size 30x20 plasma:fractal -compress none TGA:plain.tga
convert -size 30x20 plasma:fractal -compress RLE TGA:rle.tga
convert -size 30x20 plasma:fractal -alpha set -channel A -evaluate set 50% +channel TGA:alpha32.tga
convert -size 40x20 gradient:white-black -depth 8 mask_tran.png
convert -size 30x20 plasma:fractal -colors 16 -type Palette TGA:mapped.tga
convert -size 30x20 plasma:fractal -colors 16 -type Palette -compress RLE TGA:mappedrle.tga
convert -size 40x30 plasma:fractal -colorspace CMYK -quality 90 cmyk.jpg
# 16-bit Targa (x R G B, 5 bits each), which ImageMagick does not write.
python3 -c '
import struct, sys
w, h = 13, 7
px = b"".join(struct.pack("<H", (x * 2503 + y * 911) & 0xffff) for y in range(h) for x in range(w))
sys.stdout.buffer.write(bytes([0, 0, 2]) + bytes(9) + struct.pack("<HH", w, h) + bytes([16, 0]) + px)' > rgb16.tga
pictures=(*)
cd "$work" || exit 1
winpictures=()
for f in "${pictures[@]}"; do winpictures+=("$(winepath -w "$work/pics/$f" 2> /dev/null || echo "Z:$work/pics/$f")"); done

wineboot -i > /dev/null 2>&1
dlls=$(find "$WINEPREFIX" "$buildwin" -iname 'devil*.dll' -o -iname 'ilu*.dll' 2> /dev/null)
[ -z "$dlls" ] || fail "DevIL's DLLs are there, so WIC is not what is tested: $dlls"
package=$build/data/lwhirl.dat
"$build/lwdecode" -o linux.dump "$package" "${pictures[@]/#/pics/}" || fail "lwdecode on Linux"
wine "$buildwin/lwdecode.exe" -o wine.dump "$(winepath -w "$package")" "${winpictures[@]}" > wine.txt 2>&1 ||
    fail "lwdecode under wine: $(cat wine.txt)"
grep -q "decoded with the Windows Imaging Component (WIC)" wine.txt || fail "wine did not decode with WIC: $(cat wine.txt)"
"$build/lwdecode" --compare linux.dump wine.dump --jpeg-mean 6 > compare.txt
status=$?
grep -v "^lwhirl.dat#" compare.txt | sed 's/^/    /'
[ $status -eq 0 ] || { fail "the decoders differ"; grep "^lwhirl.dat#" compare.txt | head -5; }

# A movie authored on Windows: WIC's JPEG pictures and masks read by DevIL.
mkdir movie
for i in 0 1 2; do
    convert -size 32x32 xc:none -fill "rgb($((i * 100)),200,50)" -draw "circle 16,16 16,$((4 + i * 3))" \
        PNG32:movie/f$i.png
done
printf 'picture 5 ../pics/alpha.png\nmovie 7 ./ fps=10\n' > movie/m.manifest
wine "$buildwin/lwpack.exe" build "$(winepath -w movie/m.manifest)" -o "$(winepath -w movie.dat)" > pack.txt 2>&1 ||
    fail "lwpack build under wine: $(cat pack.txt)"
"$build/lwpack" verify movie.dat || fail "the package built under wine does not verify"

lw_passed "WIC against DevIL"
