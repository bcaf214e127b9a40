#!/usr/bin/env bash
# Installs what building and testing need, builds, and runs every test through
# CTest (among them the install rules and the Debian package).
set -euo pipefail
cd "$(dirname "$0")"

scripts/ensure-packages.sh build

# Formatting is checked where clang-format is installed.
if command -v clang-format >/dev/null 2>&1; then
  scripts/format.sh --check
fi

# Warnings are errors in CI; locally they only warn.
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTICKERLOOM_WERROR="$werror" >/dev/null
cmake --build build
ctest --test-dir build --output-on-failure -j2
