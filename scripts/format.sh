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
  # The exit status decides: a clang-format that fails for any reason fails the check.
  if ! report=$(clang-format --dry-run --Werror "${files[@]}" 2>&1); then
    off=$(grep -o '^[^:]*\.\(cpp\|h\):[0-9]*:[0-9]*: error' <<<"$report" | cut -d: -f1 | sort -u || true)
    if [ -n "$off" ]; then
      echo "Not formatted (run scripts/format.sh):"
      printf '  %s\n' $off
    else
      echo "clang-format failed:"
      head -n 5 <<<"$report"
    fi
    exit 1
  fi
  exit 0
fi
clang-format -i "${files[@]}"
