#!/usr/bin/env bash
# Installs everything the project needs to build, test and run on Debian 12.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git
    clang libclang-rt-14-dev
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    zlib1g-dev libssl-dev openssl libisal-dev
    libdeflate-dev pigz
    firebird-dev libfbclient2 libib-util firebird3.0-server firebird3.0-utils
    qt6-base-dev qt6-base-dev-tools libgl-dev
    fonts-liberation xvfb xauth libx11-dev
    binutils-mingw-w64-x86-64
    g++-mingw-w64-x86-64-posix libz-mingw-w64-dev libgcrypt-mingw-w64-dev wine wine64
    procps iproute2
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done

if ((${#missing[@]})); then
    sudo=""
    [[ $(id -u) -eq 0 ]] || sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update
    # Recommended packages are installed too: the Firebird server recommends the UDF support
    # library (libib-util) and Qt its platform plugins, which the tests load.
    $sudo apt-get install -y "${missing[@]}"
fi
