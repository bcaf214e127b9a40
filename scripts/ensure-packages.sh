#!/usr/bin/env bash
# Installs the Debian packages that a task needs, only those that are missing.
# Usage: scripts/ensure-packages.sh [build]          building and testing (./test.sh)
#        scripts/ensure-packages.sh build display    and a virtual display (./run.sh without one)
#        scripts/ensure-packages.sh format           the formatter that CI checks the sources with
#        scripts/ensure-packages.sh analysis         the static analysis that CI runs
# Exits non-zero, naming what is missing, when it cannot install.
set -euo pipefail

# Building and testing.
build=(
  build-essential cmake ninja-build
  pkg-config         # Qt's Gui CMake config finds XKB through it
  qt6-base-dev qt6-httpserver-dev
  qt6-websockets-dev # Debian's Qt6HttpServer CMake config requires Qt6WebSockets
  fonts-dejavu-core  # the demo service draws its advertisement's text
  desktop-file-utils # desktop-file-validate, for the installed-tree test
  appstream          # appstreamcli, for the installed-tree test
  dpkg-dev           # dpkg-shlibdeps, for the package (build-essential brings it too)
  file               # CPack's DEB generator picks out the programs with it
)
# Running the window where there is no display.
display=(
  xvfb        # the virtual display
  imagemagick # `import`, for the screenshot command that run.sh prints
)
# Checking the sources' formatting (CI).
format=(
  clang-format # version 14 on Debian 12, which the root .clang-format is written for
)

# Static analysis (CI, scripts/static-analysis.sh).
analysis=(
  clang-tidy # version 14 on Debian 12, with run-clang-tidy
)

[ $# -eq 0 ] && set -- build
wanted=()
for group in "$@"; do
  case "$group" in
  build) wanted+=("${build[@]}") ;;
  display) wanted+=("${display[@]}") ;;
  format) wanted+=("${format[@]}") ;;
  analysis) wanted+=("${analysis[@]}") ;;
  *) echo "Unknown package group: $group" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

install=(apt-get install -y --no-install-recommends "${missing[@]}")
install_line="${install[*]}"
if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
  as_root=(sudo -n)
else
  echo "Missing packages: ${missing[*]}" >&2
  # sudo that asks for a password still works at a terminal; without sudo, only root can.
  if command -v sudo >/dev/null 2>&1; then
    echo "Install them with:  sudo apt-get update && sudo $install_line" >&2
  else
    echo "Install them as root (for example after su -):  apt-get update && $install_line" >&2
  fi
  exit 1
fi

log=$(mktemp)
trap 'rm -f "$log"' EXIT
echo "Installing ${missing[*]} ..."
started=$SECONDS
if ! "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q >"$log" 2>&1 ||
  ! "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive "${install[@]}" -q >>"$log" 2>&1; then
  tail -n 20 "$log" >&2
  echo "Installing the packages failed. As root:  apt-get update && $install_line" >&2
  exit 1
fi
# From apt-get's summary "0 upgraded, 44 newly installed, 0 to remove and 0 not upgraded."
count=$(grep -m1 -o '[0-9]* newly installed' "$log" || true)
echo "Done in $((SECONDS - started)) s (${count:-nothing newly installed}, dependencies included)."
