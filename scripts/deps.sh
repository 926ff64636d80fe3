#!/usr/bin/env bash
# Installs what building and testing VOR Tavrin needs, from Debian's archive.
# Idempotent and silent when everything is there already.
set -euo pipefail

packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    libsdl2-dev libpng-dev zlib1g-dev
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    libz-mingw-w64-dev dpkg-dev
    wine wine64
    xvfb xauth xdotool x11-utils imagemagick openbox
    libcairo2-dev fonts-dejavu-core
    zip procps
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "installing: ${missing[*]}"
if [[ $(id -u) -ne 0 ]]; then sudo=sudo; else sudo=; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq >/dev/null
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
