#!/usr/bin/env bash
# Checks that the includes of src/ point down the layers: a file may include its own folder and the
# folders ranked below it, never one ranked above it nor a different folder of the same rank.
# Exits 1 and names every offending include; with --graph, prints what each folder includes.
#
#   core < db = results = recovery < run = ui < grid = editor = dialogs < query = connections < app
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

declare -A RANK=([core]=0 [db]=1 [results]=1 [recovery]=1 [run]=2 [ui]=2 [grid]=3 [editor]=3 [dialogs]=3 [query]=4 [connections]=4 [app]=5)

status=0
declare -A EDGES=()
cd "$ROOT/src"
while IFS= read -r -d '' file; do
    from="${file%%/*}"
    if [[ ! -v RANK[$from] ]]; then
        echo "src/$file: src/$from is not a layer (give it a rank in scripts/check-layers.sh)" >&2
        status=1
        continue
    fi
    while IFS=: read -r line target; do
        to="${target%%/*}"
        [ "$to" = "$from" ] && continue
        EDGES[$from]+=" $to"
        if [[ ! -v RANK[$to] ]]; then
            echo "src/$file:$line includes \"$target\": src/$to is not a layer" >&2
            status=1
        elif (( RANK[$to] >= RANK[$from] )); then
            echo "src/$file:$line includes \"$target\": $from may not include $to (it is not below it)" >&2
            status=1
        fi
    done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"]+/[^"]+"' "$file" |
             sed -E 's/^([0-9]+):[^"]*"([^"]+)".*/\1:\2/')
done < <(find . -type f \( -name '*.h' -o -name '*.cpp' \) -printf '%P\0' | sort -z)

if [ "${1:-}" = "--graph" ]; then
    for folder in $(for f in "${!RANK[@]}"; do echo "${RANK[$f]} $f"; done | sort -n | cut -d' ' -f2); do
        [ -d "$folder" ] || continue
        includes="$(tr ' ' '\n' <<<"${EDGES[$folder]:-}" | sed '/^$/d' | sort -u |
                    while read -r to; do echo "${RANK[$to]:-9} $to"; done | sort -n | cut -d' ' -f2 | paste -sd' ')"
        printf '%-12s %s\n' "$folder" "${includes:-(nothing)}"
    done
fi
[ "$status" -eq 0 ] || echo "Layering check failed: an include points up (see above)." >&2
exit "$status"
