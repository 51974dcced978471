#!/usr/bin/env bash
# The check of `make package` (cpack). The package of the win32 build tree, and that of the same sources copied to
# another folder (without .git) and built there later, in another time zone and with another umask (only
# the exe: nothing else in the zip is built), must be the same bytes, exe and zip. The packaged exe's
# signature must verify, SHA256SUMS must match what the zip holds, and the released exe with its
# signature removed must be the exe built here, as docs/CHECKING.txt tells administrators.
# A time stamp from a server would make each signing differ, so none is asked for here.
#   check-package.sh <win32 build dir>     (after it is built)
set -euo pipefail
root=$(realpath "$(dirname "$0")/../..")
build=$(realpath "$1")
work="$build/package-check"
rm -rf "$work"
mkdir -p "$work"
unset TOVALSET_SIGN_TIMESTAMP_URL
if [[ -z "${SOURCE_DATE_EPOCH:-}" ]]; then
    SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct)
fi
export SOURCE_DATE_EPOCH
fail() { echo "package: FAILED: $*" >&2; exit 1; }

# The tests build for the placeholder domain, which only a demo package may carry.
package() { # <build dir> <output folder>: the zip's path
    (cd "$1" && cpack -G ZIP -D TOVALSET_DEMO=1 -B "$2" >"$2.log" 2>&1) || { cat "$2.log" >&2; fail "cpack in $1"; }
    ls "$2"/*.zip
}
first=$(package "$build" "$work/first")

started=$(date +%s)
copy="$work/second/in another folder/TovalSet-source"
mkdir -p "$copy"
(
    cd "$root"
    if git rev-parse --git-dir >/dev/null 2>&1; then
        git ls-files -z -co --exclude-standard
    else
        find . \( -path ./build -o -path ./.git \) -prune -o -type f -print0
    fi
) | while IFS= read -r -d '' file; do [[ -e "$root/$file" ]] && printf '%s\0' "$file"; done |
    tar -C "$root" --null -T - -cf - | tar -C "$copy" -xf -
(
    cd "$copy"
    umask 077
    export TZ=Asia/Tehran
    # Only the exe is packaged: cpack must not build the whole tree's tests first, as its install would.
    cmake --preset win32 -DTOVALSET_STATIC_CHECKS=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
    cmake --build --preset win32 --target TovalSet >/dev/null
)
second=$(TZ=Asia/Tehran package "$copy/build/win32" "$work/second")
seconds=$(($(date +%s) - started))

hash() { sha256sum | cut -d' ' -f1; }
exe1=$(unzip -p "$first" TovalSet/TovalSet.exe | hash)
exe2=$(unzip -p "$second" TovalSet/TovalSet.exe | hash)
zip1=$(hash <"$first")
zip2=$(hash <"$second")
echo "package: first build:  exe $exe1, zip $zip1"
echo "package: second build: exe $exe2, zip $zip2 (in another folder, without .git, built in ${seconds} s)"
[[ $exe1 == "$exe2" ]] || fail "the two builds' exes differ"
[[ $zip1 == "$zip2" ]] || fail "the two builds' zips differ"

unpacked="$work/unpacked"
mkdir -p "$unpacked"
unzip -q "$first" -d "$unpacked"
(cd "$unpacked/TovalSet" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match the zip"
if [[ -n "${TOVALSET_SIGN_CERT:-}" ]]; then
    ca=${TOVALSET_SIGN_CA:-/etc/ssl/certs/ca-certificates.crt}
else
    ca="$root/scripts/signing/TovalSet-TEST-ONLY-signing.crt"
fi
osslsigncode verify -CAfile "$ca" -in "$unpacked/TovalSet/TovalSet.exe" >"$work/verify.log" 2>&1 ||
    { cat "$work/verify.log" >&2; fail "the packaged exe's signature does not verify"; }
osslsigncode remove-signature -in "$unpacked/TovalSet/TovalSet.exe" -out "$work/unsigned.exe" >/dev/null
cmp -s "$work/unsigned.exe" "$build/bin/TovalSet.exe" ||
    fail "the packaged exe without its signature is not the exe built here"
echo "package: $(basename "$first"): the same bytes from both builds, signature verified, SHA256SUMS matches"
