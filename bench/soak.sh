#!/usr/bin/env bash
# Soak run, not part of CI: LW_SOAK_SECONDS (default 28800, eight hours) of
# show time offscreen on the virtual clock, the resident memory sampled at
# every minute of show time; it should stay flat after the first minute.
# Prints the recorder's figures and the curve's first and last minutes, and
# keeps the curve in LW_SOAK_OUT (default build/soak-memory.txt).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
seconds=${LW_SOAK_SECONDS:-28800}
size=${LW_SOAK_SIZE:-320x180}
keep=${LW_SOAK_OUT:-$root/build/soak-memory.txt}
start=$(date +%s)
"$root/build/lumenwhirl" --record "$out" --no-pictures --seconds "$seconds" --size "$size"
echo "soak: $seconds s of show time at $size took $(( $(date +%s) - start )) s of wall time"
if [ -s "$out/memory.txt" ]; then
    cp "$out/memory.txt" "$keep"
    awk '!/^#/ {n++; v[n] = $2; if (n == 1 || $2 < lo) lo = $2; if (n == 1 || $2 > hi) hi = $2}
         END {printf "soak: resident memory at minute 1: %.1f MB, minute 2: %.1f MB, minute %d: %.1f MB (%.1f to %.1f MB over the run)\n",
              v[1], v[2], n, v[n], lo, hi}' "$out/memory.txt"
    echo "soak: the curve is in $keep"
fi
