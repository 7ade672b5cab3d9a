#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Quilldeck need.
# Only missing packages are installed; works as root or as a user with sudo.
set -euo pipefail

PACKAGES=(
    # toolchain and test frameworks
    build-essential cmake ninja-build pkg-config git
    clang libclang-rt-14-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    # media framework
    libglib2.0-dev libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev libgstreamer-plugins-bad1.0-dev
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad gstreamer1.0-plugins-ugly
    gstreamer1.0-libav gstreamer1.0-alsa gstreamer1.0-x gstreamer1.0-tools
    # user interface, sound, system services
    qt6-base-dev libasound2-dev libsystemd-dev
    # headless runs and screenshots; a Japanese font for the UI texts
    xvfb xauth imagemagick fonts-ipafont-gothic
)

missing=()
for package in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
    SUDO=()
elif command -v sudo >/dev/null 2>&1; then
    SUDO=(sudo)
else
    echo "These packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
    exit 1
fi
"${SUDO[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${SUDO[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
