# Shared set-up of scripts/show and scripts/check: installs what is missing
# from Debian's packages, then configures and builds into build/.
# Sourced, not run.

LW_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
LW_JOBS=${LW_JOBS:-$(nproc 2>/dev/null || echo 2)}

# Debian packages the show and lwpack need: the compiler, GL, EGL, X11,
# RandR and Xinerama for the monitors, Wayland with its protocols, DevIL,
# and Cairo with a font for lwgen, which draws the default package.
LW_SHOW_PACKAGES=(g++ cmake ninja-build pkg-config
                  libgl-dev libegl-dev libegl-mesa0 libgl1-mesa-dri libglu1-mesa-dev libdevil-dev
                  libcairo2-dev fonts-dejavu-core libx11-dev libxext-dev libxrandr-dev libxinerama-dev
                  x11-utils libwayland-dev wayland-protocols plasma-wayland-protocols)
# What the tests, benchmarks, fuzzing, the Debian package's check and the
# Windows cross build need on top of those; the Wayland saver's test runs a
# headless sway and weston.
LW_CHECK_PACKAGES=(libgtest-dev libbenchmark-dev clang-14 libclang-rt-14-dev
                   g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
                   xvfb xauth xdotool x11-apps x11-xserver-utils xscreensaver xscreensaver-gl imagemagick
                   dpkg-dev lintian libxml2-utils wine wine64 nsis
                   sway swaybg grim wtype weston libwayland-dev libwayland-bin)

lw_say() { printf '==> %s\n' "$*"; }

# lw_install_missing show|check: installs what is missing of the show's
# packages, and for check of the test packages too.
lw_install_missing() {
    local wanted=("${LW_SHOW_PACKAGES[@]}") missing=() p
    [ "${1:-check}" = show ] || wanted+=("${LW_CHECK_PACKAGES[@]}")
    for p in "${wanted[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    if [ ${#missing[@]} -eq 0 ]; then
        lw_say "all needed packages are installed"
        return 0
    fi
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    lw_say "installing from Debian's packages: ${missing[*]}"
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# lw_build DIR [cmake options...]: configures once, then rebuilds what changed.
lw_build() {
    local dir=$1
    shift
    # Configured every time, so a folder made by an older script takes the
    # options this one gives.
    lw_say "configuring $dir"
    if [ -f "$LW_ROOT/$dir/CMakeCache.txt" ]; then
        cmake -S "$LW_ROOT" -B "$LW_ROOT/$dir" "$@" > /dev/null
    else
        cmake -S "$LW_ROOT" -B "$LW_ROOT/$dir" -G Ninja "$@"
    fi
    lw_say "building $dir"
    cmake --build "$LW_ROOT/$dir" -j "$LW_JOBS"
}
