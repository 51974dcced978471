#!/usr/bin/env bash
# Installs, from Debian's packages, everything the build and the tests need. Does nothing when all of it
# is already there, so that `make test` can call it every time.
set -euo pipefail

packages=(
    make cmake g++ googletest libgtest-dev
    g++-mingw-w64-i686-win32 binutils-mingw-w64-i686 g++-mingw-w64-x86-64-win32
    wine wine32:i386 wine64
    xvfb fvwm
    openssl fp-utils libjpeg-dev imagemagick zip unzip osslsigncode python3
    bc procps locales
    icoutils libxml2-utils
    clang libclang-rt-14-dev clang-tidy clang-format cppcheck
)

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)

# Wine names files in the Unix locale's character set, so the English and Persian locales that the tests
# run under must exist in UTF-8: without them a folder with Persian letters cannot even be made.
make_locales() {
    local wanted=()
    for name in en_US fa_IR; do
        locale -a 2>/dev/null | grep -qix "$name.utf-\?8" || wanted+=("$name.UTF-8 UTF-8")
    done
    [[ ${#wanted[@]} -eq 0 ]] && return 0
    printf '%s\n' "${wanted[@]}" | "${sudo[@]}" tee -a /etc/locale.gen >/dev/null
    "${sudo[@]}" locale-gen >/dev/null
}

install() {
    [[ $# -gt 0 ]] || return 0
    echo "Installing: $*"
    # 32-bit Wine comes from the i386 architecture.
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        "${sudo[@]}" dpkg --add-architecture i386
    fi
    [[ -n "${updated:-}" ]] || "${sudo[@]}" apt-get update -q
    updated=1
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$@"
}
install "${missing[@]}"
make_locales

# Where the kernel runs no 32-bit code, 32-bit Wine cannot start: the 32-bit tests run on an emulated
# machine (scripts/run-emulated.sh), which boots Debian's kernel with a busybox initramfs.
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    missing=()
    for p in qemu-system-x86 linux-image-amd64 busybox-static cpio kmod; do
        status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
        [[ "$status" == "install ok installed" ]] || missing+=("$p")
    done
    install "${missing[@]}"
fi
