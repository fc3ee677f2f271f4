#!/usr/bin/env bash
# Soak run: 30 minutes of show time offscreen (not part of CI). Prints the
# recorder's figures; memory should be flat after the first minute.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
seconds=${LW_SOAK_SECONDS:-1800}
size=${LW_SOAK_SIZE:-640x360}
start=$(date +%s)
"$root/build/lumenwhirl" --record "$out" --no-pictures --seconds "$seconds" --size "$size"
echo "soak: $seconds s of show time at $size took $(( $(date +%s) - start )) s of wall time"
