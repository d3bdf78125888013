#!/usr/bin/env bash
# Installs every Debian package the build and the tests need, plus any named as arguments (tools
# that only some scripts use); skips what is already there. Then fetches the pinned Yoga sources and the
# test fonts into the cache, and installs and bundles the pinned third-party scripts there, once.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config clang-format ccache
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    libglib2.0-dev nlohmann-json3-dev media-types libssl-dev
    libjavascriptcoregtk-4.1-dev
    libpixman-1-dev
    libpng-dev libjpeg62-turbo-dev libgif-dev libwebp-dev
    libcurl4-openssl-dev ca-certificates curl libboost-dev
    dbus-daemon
    libegl-dev libgles-dev libegl1 libgles2 libegl-mesa0 libgl1-mesa-dri
    libfontconfig-dev libfreetype-dev libharfbuzz-dev fonts-dejavu-core fonts-liberation2
    locales
    libkissfft-dev libpulse-dev pulseaudio pulseaudio-utils
)
packages+=("$@")
# npm fetches Yoga's sources, the test fonts and the script packages; a machine that has Node.js from elsewhere keeps its own npm.
command -v npm >/dev/null 2>&1 || packages+=(npm)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    # sudo resets the environment: the frontend setting goes through env.
    sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    echo "setup: installing ${missing[*]}"
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

for source in yoga-source inter-font inter-variable-font; do
    "$(dirname "$0")/fetch-npm.sh" "cmake/$source.env" >/dev/null
done
"$(dirname "$0")/bundle-npm-scripts.sh" >/dev/null
