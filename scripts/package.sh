#!/usr/bin/env bash
# The zip for administrators: the exe, signed, what to put beside it, and SHA256SUMS of what it holds. The
# demo stand-ins are not in it.
#
# A release for a service domain that is no service's host (a reserved name such as the placeholder the
# build starts with, or an IP address) is refused; --demo builds it anyway, under a name that says so.
#
# The same commit gives the same bytes, in any folder and at any time: the exe is linked with no time
# stamp and no build path (CMakeLists.txt), its signing time is the commit's, and in the zip every entry
# has the commit's time and a fixed mode, in sorted order.
#
# Signed with Authenticode (SHA-256) by osslsigncode, with the key and certificate (PEM files) that
#   TOVALSET_SIGN_KEY, TOVALSET_SIGN_CERT  name, and, if set, with a time stamp from the RFC 3161 server
#   TOVALSET_SIGN_TIMESTAMP_URL            (a time stamp makes each signing differ: see docs/CHECKING.txt).
# Without them it signs with the TEST ONLY key in scripts/signing, and the zip's name says TEST-ONLY.
#   package.sh [--demo] [<build dir> [<output folder>]]     build/win32 and build by default
#   SOURCE_DATE_EPOCH: the time of everything in the package; the commit's by default.
set -euo pipefail
root=$(realpath "$(dirname "$0")/..")
demo=0
if [[ "${1:-}" == --demo ]]; then
    demo=1
    shift
fi
build=$(realpath "${1:-$root/build/win32}")
output=$(realpath -m "${2:-$root/build}")
exe="$build/bin/TovalSet.exe"

source "$root/scripts/release-domain.sh"
domain=$(sed -n 's/^TOVALSET_SERVICE_DOMAIN:[A-Z]*=//p' "$build/CMakeCache.txt")
why=$(release_domain_refusal "$domain")
name=TovalSet-1.00-win32
if [[ -n "$why" ]]; then
    if [[ $demo != 1 ]]; then
        echo "package: refused: the service domain $domain $why." >&2
        echo "Build for the service's host (cmake --preset win32 -DTOVALSET_SERVICE_DOMAIN=<host>), or" \
            "ask for a demo package: make package DEMO=1" >&2
        exit 1
    fi
    name+=-demo
fi

if [[ -z "${SOURCE_DATE_EPOCH:-}" ]]; then
    SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null) ||
        { echo "package: not a git checkout; set SOURCE_DATE_EPOCH to the commit's time" >&2; exit 1; }
fi
if [[ -n "${TOVALSET_SIGN_KEY:-}${TOVALSET_SIGN_CERT:-}" ]]; then
    [[ -r "${TOVALSET_SIGN_KEY:-}" && -r "${TOVALSET_SIGN_CERT:-}" ]] ||
        { echo "package: TOVALSET_SIGN_KEY and TOVALSET_SIGN_CERT must both name readable files" >&2; exit 1; }
    key=$TOVALSET_SIGN_KEY cert=$TOVALSET_SIGN_CERT
    zip="$output/$name.zip"
else
    key="$root/scripts/signing/TovalSet-TEST-ONLY-signing.key"
    cert="$root/scripts/signing/TovalSet-TEST-ONLY-signing.crt"
    zip="$output/$name-TEST-ONLY-signed.zip"
fi

# Nothing weaker than what the tests check goes out: the 32-bit exe, hardened.
if ! report=$(bash "$root/tests/win32/check-exe.sh" i686-w64-mingw32-objdump "$exe" "$build/compile_commands.json" \
    "$root/actions" "$root/platform" "$root/ui"); then
    echo "$report" >&2
    echo "package: $exe fails its checks" >&2
    exit 1
fi

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
folder="$stage/TovalSet"
mkdir -p "$folder/All"
timestamp=()
[[ -n "${TOVALSET_SIGN_TIMESTAMP_URL:-}" ]] && timestamp=(-ts "$TOVALSET_SIGN_TIMESTAMP_URL")
osslsigncode sign -certs "$cert" -key "$key" -h sha256 -n "TovalSet 1.00" -time "$SOURCE_DATE_EPOCH" \
    "${timestamp[@]}" -in "$exe" -out "$folder/TovalSet.exe" >/dev/null
cat "$root/docs/ADMIN.txt" <(echo) "$root/docs/CHECKING.txt" | sed 's/$/\r/' >"$folder/README.txt"
(cd "$folder" && sha256sum TovalSet.exe README.txt >SHA256SUMS)

# Times in the zip are local DOS times: UTC, so that the builder's time zone does not show.
chmod 755 "$folder" "$folder/All"
chmod 644 "$folder"/*.exe "$folder/README.txt" "$folder/SHA256SUMS"
find "$stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
mkdir -p "$output"
rm -f "$zip"
(cd "$stage" && find TovalSet | LC_ALL=C sort | TZ=UTC zip -q -X -@ "$zip")
echo "$zip"
