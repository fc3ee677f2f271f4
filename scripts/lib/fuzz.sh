# Fuzzing stage of scripts/check: builds the libFuzzer targets with the
# newest clang, seeds a corpus with packages made by lwpack, replays the
# corpus kept in fuzz/corpus (minimised from a long run), the local one and
# the regression inputs, then fuzzes for a bounded time. Sourced.

LW_FUZZ_SECONDS=${LW_FUZZ_SECONDS:-60}

# The newest clang++ on the machine that links a libFuzzer target.
lw_fuzz_compiler() {
    local cxx
    for cxx in $(compgen -c clang++- | grep -E '^clang\+\+-[0-9]+$' | sort -t- -k2 -n -r -u) clang++; do
        command -v "$cxx" > /dev/null || continue
        if printf 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }\n' |
            "$cxx" -x c++ -fsanitize=fuzzer -o /dev/null - 2> /dev/null; then
            command -v "$cxx"
            return 0
        fi
    done
    return 1
}

lw_fuzz() {
    local dir=$LW_ROOT/build-fuzz cxx cc
    cxx=$(lw_fuzz_compiler) || { echo "fuzz: no clang++ with libFuzzer (Debian: clang-14 libclang-rt-14-dev)" >&2; return 1; }
    cc=${cxx/clang++/clang}
    # Configured every time, so the folder takes this script's options; made
    # anew when the newest compiler is another than the one it was made with.
    if [ -f "$dir/CMakeCache.txt" ] && ! grep -qx "CMAKE_CXX_COMPILER:FILEPATH=$cxx" "$dir/CMakeCache.txt" &&
        ! grep -qx "CMAKE_CXX_COMPILER:STRING=$cxx" "$dir/CMakeCache.txt"; then
        rm -rf "$dir"
    fi
    lw_say "configuring build-fuzz with $cxx"
    local generator=()
    [ -f "$dir/CMakeCache.txt" ] || generator=(-G Ninja)
    CC=$cc CXX=$cxx cmake -S "$LW_ROOT" -B "$dir" "${generator[@]}" -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLW_FUZZ=ON -DLW_BUILD_TESTS=OFF -DLW_WERROR=ON > /dev/null
    lw_say "building build-fuzz"
    cmake --build "$dir" -j "$LW_JOBS" --target package_fuzz picture_fuzz

    local corpus=$dir/corpus/package seeds=$dir/seeds/package
    mkdir -p "$corpus" "$seeds"
    local lwpack=$LW_ROOT/build/lwpack tmp
    tmp=$(mktemp -d)
    printf 'newmtl a\nKd 1 0 0\n' > "$tmp/a.mtl"
    printf '\x00\x00\x00\x00\x16\x2c\x01\x07\x09' > "$tmp/idx.bin"
    head -c 64 /dev/zero > "$tmp/m.bin"
    "$lwpack" pack "$seeds/plain.dat" 1=$tmp/a.mtl 2=$tmp/idx.bin 3=$tmp/m.bin > /dev/null
    "$lwpack" pack "$seeds/transposed.dat" --transpose 1=$tmp/a.mtl 7=$tmp/idx.bin > /dev/null
    rm -rf "$tmp"

    lw_say "replaying the fuzz corpus and regression inputs"
    "$dir/package_fuzz" -runs=0 "$corpus" "$seeds" "$LW_ROOT/fuzz/corpus/package" \
        "$LW_ROOT/fuzz/regressions/package" 2>&1 | tail -n 2
    lw_say "fuzzing the package readers for ${LW_FUZZ_SECONDS}s"
    "$dir/package_fuzz" -max_total_time="$LW_FUZZ_SECONDS" -print_final_stats=0 \
        -artifact_prefix="$dir/" "$corpus" "$seeds" 2>&1 | tail -n 3

    lw_fuzz_pictures "$dir"
}

# Picture seeds: a flags byte, the picture's length (16 bits), the
# picture, the mask; Targa of the kinds the engine decodes, and the other
# types' headers.
lw_fuzz_picture_seeds() {
    python3 - "$1" << 'EOF_SEEDS'
import os, struct, sys
out = sys.argv[1]
def tga(t, w, h, bits, desc=0, cmap=b"", mbits=0, body=None):
    n = len(cmap) // max(1, mbits // 8)
    hdr = bytes([0, 1 if cmap else 0, t]) + struct.pack("<HHB", 0, n, mbits) + struct.pack("<HHHH", 0, 0, w, h)
    hdr += bytes([bits, desc])
    return hdr + cmap + (body if body is not None else bytes(range(256)) * ((w * h * ((bits + 7) // 8)) // 256 + 1))
def seed(name, flags, pict, mask=b""):
    with open(os.path.join(out, name), "wb") as f:
        f.write(bytes([flags]) + struct.pack("<H", len(pict)) + pict + mask)
seed("tga24", 0x40, tga(2, 5, 3, 24), tga(3, 5, 3, 8))
seed("tga32top", 0x58, tga(2, 4, 4, 32, 0x28), tga(3, 4, 4, 8))
seed("tga16", 0x66, tga(2, 3, 3, 16), tga(3, 3, 3, 8))
seed("tgarle", 0x40, tga(10, 4, 2, 24, 0, body=bytes([0x83, 1, 2, 3, 0x03]) + bytes(12)), tga(11, 4, 2, 8, 0, body=bytes([0x87, 9])))
seed("tgamap", 0x30, tga(1, 4, 2, 8, 0, bytes(range(12)), 24, bytes([0, 1, 2, 3, 3, 2, 1, 0])))
seed("tgamaprle", 0x10, tga(9, 4, 2, 8, 0, bytes(range(16)), 32, bytes([0x87, 2])))
seed("tgahuge", 0x40, tga(2, 65535, 65535, 32, 0, body=b""))
png = b"\x89PNG\r\n\x1a\n" + struct.pack(">I", 13) + b"IHDR" + struct.pack(">IIBBBBB", 40, 30, 8, 3, 0, 0, 0) + bytes(4)
png += struct.pack(">I", 3) + b"tRNS" + bytes(7) + struct.pack(">I", 0) + b"IDAT" + bytes(4)
seed("png", 0x01, png)
seed("jpeg", 0x03, b"\xff\xd8\xff\xe0\x00\x04ab\xff\xc0\x00\x11\x08\x00\x20\x00\x30\x03" + bytes(12) + b"\xff\xd9")
seed("bmp", 0x02, b"BM" + bytes(12) + struct.pack("<IiiHH", 40, 7, -5, 1, 24) + bytes(40))
seed("gif", 0x04, b"GIF89a" + struct.pack("<HH", 9, 9) + bytes(8))
EOF_SEEDS
}

lw_fuzz_pictures() {
    local dir=$1
    local corpus=$dir/corpus/picture seeds=$dir/seeds/picture
    mkdir -p "$corpus" "$seeds"
    lw_fuzz_picture_seeds "$seeds"
    mkdir -p "$LW_ROOT/fuzz/regressions/picture"
    lw_say "replaying the picture corpus and regression inputs"
    "$dir/picture_fuzz" -runs=0 "$corpus" "$seeds" "$LW_ROOT/fuzz/corpus/picture" \
        "$LW_ROOT/fuzz/regressions/picture" 2>&1 | tail -n 2
    lw_say "fuzzing the picture decoding for ${LW_FUZZ_SECONDS}s"
    "$dir/picture_fuzz" -max_total_time="$LW_FUZZ_SECONDS" -print_final_stats=0 \
        -artifact_prefix="$dir/" "$corpus" "$seeds" 2>&1 | tail -n 3
}
