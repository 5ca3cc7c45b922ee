#!/usr/bin/env bash
# Fails when a tracked C++ file differs from what clang-format makes of it.
set -euo pipefail
cd "$(dirname "$0")/.."
files=$(git ls-files '*.cpp' '*.h' 2>/dev/null || true)
[[ -z "$files" ]] && exit 0
if ! echo "$files" | xargs clang-format --dry-run --Werror; then
    echo "check-format: run 'git ls-files \"*.cpp\" \"*.h\" | xargs clang-format -i'" >&2
    exit 1
fi
