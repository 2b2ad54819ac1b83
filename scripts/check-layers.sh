#!/usr/bin/env bash
# Checks every include of src/ against the table of layers, src/layers.txt: a file may include its
# own folder and the folders its folder uses (directly, or through the folders those use), nothing
# else. Also checks the table itself: each folder of src/ has a line, and a line names only folders
# above it. Exits 1 and names every offence; with --graph, prints for each folder, bottom to top,
# the folders it includes and those the table lets it use that it does not include.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
TABLE="$ROOT/src/layers.txt"

status=0
ORDER=()
declare -A SEES=()  # folder -> " a b c " (every folder it may include, itself included)
declare -A USES=()  # folder -> the folders its line names
while IFS='|' read -r folder uses _links; do
    folder="${folder//[[:space:]]/}"
    [[ -z "$folder" || "$folder" == \#* ]] && continue
    sees=" $folder "
    for used in $uses; do
        if [[ ! -v SEES[$used] ]]; then
            echo "src/layers.txt: $folder uses $used, which has no line above it" >&2
            status=1
            continue
        fi
        for seen in ${SEES[$used]}; do
            [[ "$sees" == *" $seen "* ]] || sees+="$seen "
        done
    done
    ORDER+=("$folder")
    SEES[$folder]="$sees"
    USES[$folder]="$uses"
done <"$TABLE"

declare -A EDGES=()
cd "$ROOT/src"
for dir in */; do
    [[ -v SEES[${dir%/}] ]] || { echo "src/${dir%/}: not in src/layers.txt" >&2; status=1; }
done
while IFS= read -r -d '' file; do
    from="${file%%/*}"
    [[ -v SEES[$from] ]] || continue
    while IFS=: read -r line target; do
        to="${target%%/*}"
        [ "$to" = "$from" ] && continue
        EDGES[$from]+=" $to"
        if [[ ! -v SEES[$to] ]]; then
            echo "src/$file:$line includes \"$target\": src/$to is not a layer" >&2
            status=1
        elif [[ "${SEES[$from]}" != *" $to "* ]]; then
            echo "src/$file:$line includes \"$target\": $from may not use $to (src/layers.txt)" >&2
            status=1
        fi
    done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"]+/[^"]+"' "$file" |
             sed -E 's/^([0-9]+):[^"]*"([^"]+)".*/\1:\2/')
done < <(find . -type f \( -name '*.h' -o -name '*.cpp' \) -printf '%P\0' | sort -z)

if [ "${1:-}" = "--graph" ]; then
    # Bottom to top, each list in table order.
    in_order() {
        local picked=()
        for f in "${ORDER[@]}"; do
            if [[ " $* " == *" $f "* ]]; then picked+=("$f"); fi
        done
        echo "${picked[*]}"
    }
    for folder in "${ORDER[@]}"; do
        included="$(in_order ${EDGES[$folder]:-})"
        unused=""
        for seen in ${SEES[$folder]}; do
            [[ "$seen" == "$folder" || " $included " == *" $seen "* ]] || unused+=" $seen"
        done
        unused="$(in_order $unused)"
        printf '%-12s %s%s\n' "$folder" "${included:-(nothing)}" "${unused:+   (may also use: $unused)}"
    done
fi
[ "$status" -eq 0 ] || echo "Layering check failed: see src/layers.txt for what each folder may use." >&2
exit "$status"
