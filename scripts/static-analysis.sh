#!/usr/bin/env bash
# Runs clang-tidy with the root .clang-tidy's checks over the program's and the
# demo service's sources, as a build folder compiles them; any finding fails.
# Usage: scripts/static-analysis.sh [BUILD_DIR]     (default: build)
# The build folder needs only to be configured; CMake writes the
# compile_commands.json that clang-tidy reads.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v run-clang-tidy >/dev/null 2>&1; then
  echo "clang-tidy is not installed (scripts/ensure-packages.sh analysis)." >&2
  exit 2
fi
build=${1:-build}
[ -f "$build/compile_commands.json" ] || cmake -S . -B "$build" -G Ninja >/dev/null

started=$SECONDS
if ! run-clang-tidy -quiet -p "$build" -j "$(nproc)" "^$(pwd)/(src|service)/.*\.cpp$" >"$build/clang-tidy.log" 2>&1; then
  sed 's/\x1b\[[0-9;]*m//g' "$build/clang-tidy.log" | grep -E "(warning|error): " | sort -u >&2 ||
    tail -n 20 "$build/clang-tidy.log" >&2
  echo "clang-tidy found the above (full output in $build/clang-tidy.log)." >&2
  exit 1
fi
echo "clang-tidy: no findings ($((SECONDS - started)) s)."
