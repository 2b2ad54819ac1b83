#!/usr/bin/env bash
# Checks that every C++ file of src/, tests/ and bench/ is laid out as .clang-format says, and names
# each one that is not; with --fix it formats them in place instead. The test command runs the check,
# so a change that is not formatted fails there, before anything is built.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
mapfile -d '' files < <(find src tests bench -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z)
if [ "${1:-}" = "--fix" ]; then
    clang-format -i --style=file "${files[@]}"
    exit 0
fi
if ! clang-format --dry-run -Werror --style=file "${files[@]}" 2>/tmp/tbn-format.$$; then
    grep -oE '^[^:]+\.(cpp|h)' /tmp/tbn-format.$$ | sort -u | sed 's/^/not formatted: /' >&2
    rm -f /tmp/tbn-format.$$
    echo "Formatting check failed: run scripts/check-format.sh --fix (clang-format $(clang-format --version | grep -oE '[0-9]+\.[0-9.]+' | head -1))." >&2
    exit 1
fi
rm -f /tmp/tbn-format.$$
