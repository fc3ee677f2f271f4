#!/usr/bin/env bash
# The folders are layers in the order of README.md's folder table, bottom
# up: a file includes from its own folder and the ones listed before it.
# Every include of the project's own headers that reaches into a later
# folder is a failure.
# Usage: tests/tools/layers_test.sh [SOURCE_DIR]
set -u
root=$(realpath "${1:-$(dirname "$0")/../..}")
cd "$root" || exit 1
# The table's folders in order: rows of the form | `name/` | ... |.
mapfile -t layers < <(awk -F'`' '/^\| `[^`]+\/` \|/ {print $2}' README.md)
[ ${#layers[@]} -ge 8 ] || { echo "FAIL: README.md's folder table gives ${#layers[@]} folders"; exit 1; }
declare -A rank
for i in "${!layers[@]}"; do rank[${layers[$i]%/}]=$i; done
for needed in base sys package curves render geometry device show host platform authoring programs; do
    [ -n "${rank[$needed]:-}" ] || { echo "FAIL: the folder table has no $needed/"; exit 1; }
done

source "$root/tests/tools/lib.sh"
files=0
while IFS= read -r file; do
    top=${file%%/*}
    [ -n "${rank[$top]:-}" ] || continue
    files=$((files + 1))
    mine=${rank[$top]}
    while IFS= read -r inc; do
        dir=${inc%%/*}
        [ -n "${rank[$dir]:-}" ] || continue
        if [ "${rank[$dir]}" -gt "$mine" ]; then
            echo "FAIL: $file includes $inc, from a higher layer"
            fails=$((fails + 1))
        fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(git ls-files --cached --others --exclude-standard '*.h' '*.cpp' '*.c' 2> /dev/null || find . -name '*.[ch]' -o -name '*.cpp' | sed 's|^\./||')

if [ $fails -eq 0 ]; then echo "layers: $files files keep to the order ${layers[*]}"; else exit 1; fi
