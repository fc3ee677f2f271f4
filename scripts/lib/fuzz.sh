# Fuzzing stage of scripts/check: builds the libFuzzer targets with clang,
# seeds a corpus with packages made by lwpack, replays the saved corpus and
# the regression inputs, then fuzzes for a bounded time. Sourced.

LW_FUZZ_SECONDS=${LW_FUZZ_SECONDS:-60}

lw_fuzz() {
    local dir=$LW_ROOT/build-fuzz
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        lw_say "configuring build-fuzz"
        CC=clang-14 CXX=clang++-14 cmake -S "$LW_ROOT" -B "$dir" -G Ninja \
            -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLW_FUZZ=ON -DLW_BUILD_TESTS=OFF -DLW_WERROR=ON
    fi
    lw_say "building build-fuzz"
    cmake --build "$dir" -j "$LW_JOBS" --target package_fuzz

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
    "$dir/package_fuzz" -runs=0 "$corpus" "$seeds" "$LW_ROOT/fuzz/regressions/package" 2>&1 | tail -n 2
    lw_say "fuzzing the package readers for ${LW_FUZZ_SECONDS}s"
    "$dir/package_fuzz" -max_total_time="$LW_FUZZ_SECONDS" -print_final_stats=0 \
        -artifact_prefix="$dir/" "$corpus" "$seeds" 2>&1 | tail -n 3
}
