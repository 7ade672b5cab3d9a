#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Quilldeck need.
# Only missing packages are installed; works as root or as a user with sudo.
set -euo pipefail

# Only what the build, the tests and the scripts use: the CMake files' pkg-config modules and
# find_package calls, the headers the code includes, the programs the scripts run, and the
# GStreamer plug-ins the graphs are made of.
PACKAGES=(
    # compilers and build tools (gcc's sanitizers for the test build, clang's libFuzzer for fuzz/)
    build-essential cmake ninja-build pkg-config
    clang libclang-rt-14-dev
    # GoogleTest/GoogleMock for tests/, Google Benchmark for bench/
    libgtest-dev libgmock-dev libbenchmark-dev
    # glib/gobject/gio/gmodule, gstreamer core and base, gstreamer video/audio/app
    libglib2.0-dev libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
    # the plug-ins the graphs use; gst-launch-1.0 for the preview benchmark
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad gstreamer1.0-plugins-ugly
    gstreamer1.0-libav gstreamer1.0-alsa gstreamer1.0-x gstreamer1.0-tools
    # ffprobe, which the multiplexer module's tests read written files with; gst-discoverer-1.0,
    # to check a recording as a user would
    ffmpeg gstreamer1.0-plugins-base-apps
    # Qt Widgets, Network and Test; ALSA for the mixer
    qt6-base-dev libasound2-dev
    # a Japanese font for the program's UI texts
    fonts-ipafont-gothic
    # an X server without a screen for the native video test, and xvfb-run's xauth; xdotool, which
    # the scripts that drive the window under it use
    xvfb xauth xdotool
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
