#!/usr/bin/env bash
# Installs the Debian packages that building and testing need; does nothing when all are present.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev libturbojpeg0-dev libpng-dev libglib2.0-dev
    clang libclang-rt-14-dev
    chromium
    fonts-noto-cjk
    desktop-file-utils appstream man-db bash-completion file
    dpkg-dev lintian
)
# The screenshots need a real X server.
[ "${1:-}" = "screenshots" ] && packages+=(xvfb xdotool)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Not root and no sudo: install ${missing[*]} by hand." >&2; exit 1; }
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
