#!/usr/bin/env bash
# Writes the saver's icon: a 32 x 32, 32-bit .ico of a warm ring of light
# on a dark blue ground, computed here so the build needs no drawing tool.
set -eu
out=$1
hex() { printf '\\x%02x' "$@"; }
le16() { hex $(($1 & 255)) $((($1 >> 8) & 255)); }
le32() { hex $(($1 & 255)) $((($1 >> 8) & 255)) $((($1 >> 16) & 255)) $((($1 >> 24) & 255)); }
s=32 pixels=$((32 * 32 * 4)) mask=$((32 * 4))
bytes="$(le16 0)$(le16 1)$(le16 1)"                                   # ICONDIR
bytes+="$(hex $s $s 0 0)$(le16 1)$(le16 32)$(le32 $((40 + pixels + mask)))$(le32 22)"
bytes+="$(le32 40)$(le32 $s)$(le32 $((2 * s)))$(le16 1)$(le16 32)$(le32 0)$(le32 $((pixels + mask)))"
bytes+="$(le32 0)$(le32 0)$(le32 0)$(le32 0)"                         # BITMAPINFOHEADER
for ((y = 0; y < s; y++)); do                                          # rows bottom-up, BGRA
    for ((x = 0; x < s; x++)); do
        dx=$((2 * x - 31)) dy=$((2 * y - 31))
        d=$((dx * dx + dy * dy)) ring=$(((d - 400) * (d - 400)))
        glow=$((255 - ring / 200)); [ $glow -lt 0 ] && glow=0
        r=$((20 + glow * 235 / 255)) g=$((20 + glow * 160 / 255)) b=$((60 + glow * 40 / 255))
        bytes+="$(hex $b $g $r 255)"
    done
done
for ((i = 0; i < mask; i++)); do bytes+="$(hex 0)"; done             # AND mask: all shown
printf '%b' "$bytes" > "$out"
