#!/usr/bin/env bash
# Fails when a tracked C++ file differs from the repository's .clang-format style and names
# the files; `tools/check-format.sh --fix` rewrites them in place.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
    clang-format -i "${files[@]}"
    exit 0
fi
bad=$(clang-format --dry-run "${files[@]}" 2>&1 | sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: warning:.*/\1/p' | sort -u)
if [ -n "$bad" ]; then
    echo "check-format: these files differ from .clang-format (tools/check-format.sh --fix):"
    echo "$bad"
    exit 1
fi
