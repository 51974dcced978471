#!/usr/bin/env bash
# Installs, from Debian's packages, everything the build and the tests need. Does nothing when all of it
# is already there, so that `make test` can call it every time.
set -euo pipefail

packages=(
    make cmake g++ googletest libgtest-dev
    g++-mingw-w64-i686-win32 binutils-mingw-w64-i686 g++-mingw-w64-x86-64-win32
    wine wine32:i386 wine64
    xvfb fvwm
    openssl fp-utils libjpeg-dev imagemagick zip
    bc procps
    icoutils libxml2-utils
    clang libclang-rt-14-dev clang-tidy clang-format cppcheck
)

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
# 32-bit Wine comes from the i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo[@]}" dpkg --add-architecture i386
fi
"${sudo[@]}" apt-get update -q
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
