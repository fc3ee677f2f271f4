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
    "$dir/package_fuzz" -runs=0 "$corpus" "$seeds" "$LW_ROOT/fuzz/corpus/package" \
        "$LW_ROOT/fuzz/regressions/package" 2>&1 | tail -n 2
    lw_say "fuzzing the package readers for ${LW_FUZZ_SECONDS}s"
    "$dir/package_fuzz" -max_total_time="$LW_FUZZ_SECONDS" -print_final_stats=0 \
        -artifact_prefix="$dir/" "$corpus" "$seeds" 2>&1 | tail -n 3
}
