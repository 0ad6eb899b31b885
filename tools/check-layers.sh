#!/usr/bin/env bash
# Checks every include of the product's folders against a graph of allowed edges. The
# linker already refuses a call from a lower framework library into a higher one (each links
# with no symbol left undefined); this check also catches what the linker cannot see: a
# header, a constant or an inline function taken from a folder above.
#
# Each include, "quoted" or <angled>, is resolved as the compiler finds it (beside the
# including file, then in the include roots framework/ and host/, then in the system's
# include folders) and its folder normalised, so "../host/X.h" counts as host. An include
# that names no file anywhere fails, and so does a product folder the graph does not place.
#   tools/check-layers.sh          the edges with their counts, then the verdict
#   tools/check-layers.sh -q       the verdict and the failures only
set -euo pipefail
cd "$(dirname "$0")/.."
quiet=${1:-}

framework="framework/base framework/data framework/report/engine framework/report/output
           framework/controls framework/form framework/report/ui"
# What each folder may include besides itself.
declare -A allowed=(
    [framework/base]=""
    [framework/data]="framework/base"
    [framework/report/engine]="framework/base framework/data"
    [framework/report/output]="framework/base framework/data framework/report/engine"
    [framework/controls]="framework/base framework/data"
    [framework/form]="framework/base framework/data framework/controls"
    [framework/report/ui]="framework/base framework/data framework/report/engine
                           framework/report/output framework/controls framework/form"
    [screen]="$framework"
    [host]="$framework"
    [host/scenario]="host $framework"
    [admin]="host $framework"
)

# The folders the compiler searches for <angled> names after the project's roots.
system_roots=()
while IFS= read -r dir; do
    system_roots+=("$dir")
done < <(echo | "${CXX:-c++}" -xc++ -E -v - 2>&1 |
             sed -n '/#include <...> search starts here/,/End of search list/s/^ //p')
qt_headers=$(qtpaths6 --query QT_INSTALL_HEADERS 2>/dev/null || true)
if [ -n "$qt_headers" ]; then
    system_roots+=("$qt_headers" "$qt_headers"/Qt*)
fi

# The file an include names, relative to the repository; empty when it names a system
# header or one the build makes, "?" when it names no file at all.
resolve() {
    local from=$1 name=$2 kind=$3 root
    # Made by the build: Qt's moc output and the headers configured from a .in file.
    case "$name" in
        *.moc | moc_*.cpp | ui_*.h) return ;;
    esac
    if [ "$kind" = quoted ] && [ -f "$from/$name" ]; then
        realpath -m --relative-to=. "$from/$name"
        return
    fi
    for root in framework host; do
        if [ -f "$root/$name" ]; then
            realpath -m --relative-to=. "$root/$name"
            return
        fi
        [ -f "$root/$name.in" ] && return
    done
    for root in "${system_roots[@]}"; do
        [ -f "$root/$name" ] && return
    done
    echo "?"
}

declare -A edges=()
failures=()
declare -a folders
mapfile -t folders < <(find framework screen host admin -name '*.cpp' -printf '%h\n' |
                           sort -u)
for folder in "${folders[@]}"; do
    if [ -z "${allowed[$folder]+placed}" ]; then
        failures+=("UNPLACED $folder: add it to the graph of tools/check-layers.sh")
        continue
    fi
    for file in "$folder"/*.cpp "$folder"/*.h; do
        [ -f "$file" ] || continue
        while IFS=' ' read -r kind name; do
            target=$(resolve "$folder" "$name" "$kind")
            if [ "$target" = "?" ]; then
                failures+=("UNRESOLVED $file: $name")
                continue
            fi
            [ -n "$target" ] || continue
            to=$(dirname "$target")
            [ "$to" = "$folder" ] && continue
            edge="$folder -> $to"
            edges[$edge]=$(( ${edges[$edge]:-0} + 1 ))
            if [[ " $(echo ${allowed[$folder]}) " != *" $to "* ]]; then
                failures+=("UPWARD $file: $name ($edge)")
            fi
        done < <(sed -n -e 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/quoted \1/p' \
                        -e 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*<\([^>]*\)>.*/angled \1/p' \
                        "$file")
    done
done

if [ "$quiet" != "-q" ]; then
    for edge in "${!edges[@]}"; do
        echo "        $edge (${edges[$edge]})"
    done | sort
fi
for failure in "${failures[@]}"; do
    echo "$failure"
done
if [ "${#failures[@]}" -gt 0 ]; then
    echo "check-layers: ${#failures[@]} include(s) or folder(s) outside the graph"
    exit 1
fi
echo "check-layers: ${#edges[@]} folder edges, all in the graph"
