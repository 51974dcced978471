#!/usr/bin/env bash
# Installs, from Debian's packages, what a command of the Makefile needs, and nothing more. Does nothing
# when all of it is already there, so that every command can call it every time.
#
#   install-deps.sh [group...]     no group: everything `make test` needs on this kernel
#
# The groups:
#   host      the host build, its tests and the static checks
#   cross     the cross-build of the exe, its support folder (its demo middleware signed) and the checks of
#             its headers
#   wine      64-bit Wine and the window tools that the Windows tests, the tour and the bench use
#   wine32    32-bit Wine, from the i386 architecture (added only for this group)
#   emulated  the emulated machine that runs 32-bit Wine where this kernel runs no 32-bit code
#   package   the signed zip for administrators
#   bench     what bench/bench.sh measures with
#
# A package mirror is sometimes caught synchronising, and one of its indices fails to download: apt-get
# update is then tried again with growing pauses, TOVALSET_APT_WAIT seconds of pauses in all (300). When it
# still fails the install goes on with the indices there are, and only if a package cannot be had from
# them does it stop, with exit code 75 (try again later).
set -euo pipefail

here=$(dirname "$(realpath "${BASH_SOURCE[0]}")")

declare -A groups=(
    [host]="make cmake g++ googletest libgtest-dev libjpeg-dev clang libclang-rt-14-dev clang-tidy clang-format cppcheck"
    [cross]="make cmake g++-mingw-w64-i686-win32 binutils-mingw-w64-i686 g++-mingw-w64-x86-64-win32 fp-utils openssl
             osslsigncode python3 icoutils libxml2-utils"
    [wine]="wine wine64 xvfb fvwm imagemagick procps locales"
    [wine32]="wine32:i386"
    [emulated]="qemu-system-x86 linux-image-amd64 busybox-static cpio kmod"
    [package]="zip unzip osslsigncode openssl"
    [bench]="bc procps"
)

wanted=("$@")
if [[ ${#wanted[@]} -eq 0 ]]; then
    wanted=(host cross wine wine32 package bench)
    "$here/kernel-runs-i386.sh" || wanted+=(emulated)
fi
packages=()
for group in "${wanted[@]}"; do
    [[ -v "groups[$group]" ]] || { echo "install-deps.sh: no group '$group' (${!groups[*]})" >&2; exit 2; }
    read -r -a list <<<"${groups[$group]//$'\n'/ }"
    packages+=("${list[@]}")
done

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" || " ${missing[*]} " == *" $p "* ]] || missing+=("$p")
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

# update <apt-get options...>: apt-get update, tried again while it fails and the pauses stay within
# TOVALSET_APT_WAIT seconds. Sets failed_indices to what the last try could not fetch.
failed_indices=""
update() {
    local bound=${TOVALSET_APT_WAIT:-300} waited=0 pause=5 log
    log=$(mktemp)
    while true; do
        if "${sudo[@]}" apt-get update -q "$@" >"$log" 2>&1; then
            failed_indices=""
            rm -f "$log"
            return 0
        fi
        # apt names each index it could not fetch ("E: Failed to fetch <address> <reason>").
        failed_indices=$(grep -E '^[EW]: Failed to fetch' "$log" | sed -E 's/^[EW]: Failed to fetch //' || true)
        [[ -n "$failed_indices" ]] || failed_indices=$(grep -E '^[EW]: ' "$log" || tail -n 3 "$log")
        echo "apt-get update failed:"
        sed 's/^/    /' <<<"$failed_indices"
        if ((waited + pause > bound)); then
            echo "apt-get update still fails after ${waited} s of retries; going on with the indices there are"
            rm -f "$log"
            return 1
        fi
        echo "trying again in $pause s (${waited} s of $bound s waited)"
        sleep "$pause"
        waited=$((waited + pause))
        pause=$((pause * 2))
    done
}

install() {
    [[ $# -gt 0 ]] || return 0
    echo "Installing: $*"
    local native options=() with_i386=no
    [[ " $* " == *":i386 "* ]] && with_i386=yes
    if [[ $with_i386 == yes ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        "${sudo[@]}" dpkg --add-architecture i386
    fi
    # Once the i386 architecture is there, every update fetches its indices too: a command that needs no
    # i386 package updates its own architecture's alone, so that a fault of theirs does not stop it.
    if [[ $with_i386 == no ]] && dpkg --print-foreign-architectures | grep -qx i386; then
        native=$(dpkg --print-architecture)
        options=(-o "APT::Architectures=$native")
    fi
    local updated=yes
    update "${options[@]}" || updated=no
    # An install that an earlier run left half done is finished first.
    "${sudo[@]}" dpkg --configure -a
    if ! "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$@"; then
        [[ $updated == yes ]] && exit 100
        cat >&2 <<EOF

install-deps.sh: these packages could not be installed: $*
The package mirror could not give every index, even after retries:
$(sed 's/^/    /' <<<"$failed_indices")
This is the mirror, not the project: it is being synchronised or is out of reach. Run the same command
again later; it goes on from where this one stopped, and installs only what is still missing.
Meanwhile \`make quick\` needs no i386 package: it runs the host tests and the Windows tests of the
x86_64 build under 64-bit Wine.
EOF
        exit 75
    fi
}
install "${missing[@]}"
if [[ " ${wanted[*]} " == *" wine "* ]]; then
    make_locales
fi
