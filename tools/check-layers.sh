#!/usr/bin/env bash
# Lists the include edges between the product's folders and fails on an upward one: each
# folder may include only itself and the folders listed before it. With no upward edge no
# include circle can cross folders.
#   tools/check-layers.sh          the edges with their counts, then the verdict
#   tools/check-layers.sh -q       the verdict and any upward edge only
set -euo pipefail
cd "$(dirname "$0")/.."
quiet=${1:-}

# Bottom first.
layers=(
    framework/base
    framework/data
    framework/report/engine
    framework/report/output
    framework/controls
    framework/form
    framework/report/ui
    screen
    host
    host/scenario
    admin
)

rank_of() {
    local i
    for i in "${!layers[@]}"; do
        [ "${layers[$i]}" = "$1" ] && { echo "$i"; return; }
    done
    echo -1
}

# The folder a quoted include names: framework/ is the include root of the framework's
# headers; anything else is relative to the including file's folder.
target_folder() {
    local from=$1 name=$2
    if [ -f "$from/$name" ]; then
        dirname "$from/$name"
    elif [ -f "framework/$name" ]; then
        dirname "framework/$name"
    elif [ -f "host/$name" ]; then
        dirname "host/$name"
    fi
}

declare -A edges=()
unknown=()
for folder in "${layers[@]}"; do
    [ -d "$folder" ] || continue
    for file in "$folder"/*.cpp "$folder"/*.h; do
        [ -f "$file" ] || continue
        while IFS= read -r name; do
            to=$(target_folder "$folder" "$name")
            [ -n "$to" ] || continue
            to=${to%/.}
            [ "$to" = "$folder" ] && continue
            edges["$folder -> $to"]=$(( ${edges["$folder -> $to"]:-0} + 1 ))
        done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
    done
done
# Product folders that hold code but no rank: they must be placed before they are checked.
while IFS= read -r folder; do
    [ "$(rank_of "$folder")" -ge 0 ] || unknown+=("$folder")
done < <(find framework screen host admin -name '*.cpp' -printf '%h\n' 2>/dev/null | sort -u)

upward=0
for edge in $(printf '%s\n' "${!edges[@]}" | tr ' ' '|' | sort); do
    edge=${edge//|/ }
    from=${edge%% -> *}
    to=${edge##* -> }
    count=${edges["$edge"]}
    if [ "$(rank_of "$to")" -gt "$(rank_of "$from")" ]; then
        echo "UPWARD  $edge ($count)"
        upward=$((upward + 1))
    elif [ "$quiet" != "-q" ]; then
        echo "        $edge ($count)"
    fi
done
for folder in "${unknown[@]}"; do
    echo "UNRANKED $folder: add it to the layers of tools/check-layers.sh"
done
if [ "$upward" -gt 0 ] || [ "${#unknown[@]}" -gt 0 ]; then
    echo "check-layers: $upward upward edge(s), ${#unknown[@]} unranked folder(s)"
    exit 1
fi
echo "check-layers: ${#edges[@]} folder edges, none upward"
