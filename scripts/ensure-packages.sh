#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those that are missing.
# Usage: scripts/ensure-packages.sh   (sourced or run; exits non-zero when it cannot install)
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-httpserver-dev qt6-websockets-dev
  xvfb xauth xdotool imagemagick
  fonts-dejavu-core
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

line="apt-get install -y --no-install-recommends ${missing[*]}"
echo "Installing missing packages: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  SUDO=()
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
  SUDO=(sudo -n)
else
  echo "Cannot install packages: not root and no password-less sudo." >&2
  echo "Please run as root:  apt-get update && $line" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
if ! "${SUDO[@]}" apt-get update -q || ! "${SUDO[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"; then
  echo "Package installation failed. Please run as root:  apt-get update && $line" >&2
  exit 1
fi
