#!/usr/bin/env bash
# Formats every C++ file of the project with the root .clang-format.
# Usage: scripts/format.sh           format in place
#        scripts/format.sh --check   list the files that are not formatted; exit 1 if any
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v clang-format >/dev/null 2>&1; then
  echo "clang-format is not installed (apt-get install clang-format)." >&2
  exit 2
fi

mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
[ ${#files[@]} -eq 0 ] && exit 0

if [ "${1:-}" = "--check" ]; then
  off=$(clang-format --dry-run "${files[@]}" 2>&1 | grep -o '^[^:]*\.\(cpp\|h\)' | sort -u || true)
  if [ -n "$off" ]; then
    echo "Not formatted (run scripts/format.sh):"
    printf '  %s\n' $off
    exit 1
  fi
  exit 0
fi
clang-format -i "${files[@]}"
