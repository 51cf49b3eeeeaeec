#!/usr/bin/env bash
# Installs what the build and the tests need, only when something is missing.
set -eu
packages=(cmake make g++ googletest libgtest-dev libgmock-dev clang-format
          g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools
          nlohmann-json3-dev wine wine64 xvfb xauth openbox fonts-wine imagemagick xdotool x11-utils zip
          prometheus chromium chromium-driver curl "$@")
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=""
    [ "$(id -u)" -eq 0 ] || sudo_cmd=sudo
    $sudo_cmd apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y --no-install-recommends "${missing[@]}"
fi
