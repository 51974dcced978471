#!/usr/bin/env bash
# The zip for administrators: the exe and what to put beside it. The demo stand-ins are not in it.
#   package.sh [--demo]
# A release for a service domain that is no service's host is refused; --demo builds it anyway, under a
# name that says so.
set -euo pipefail
root=$(realpath "$(dirname "$0")/..")
source "$root/scripts/release-domain.sh"
domain=$(sed -n 's/^TOVALSET_SERVICE_DOMAIN:[A-Z]*=//p' "$root/build/win32/CMakeCache.txt")
why=$(release_domain_refusal "$domain")
suffix=""
if [[ -n "$why" ]]; then
    if [[ "${1:-}" != --demo ]]; then
        echo "package: refused: the service domain $domain $why." >&2
        echo "Build for the service's host (cmake --preset win32 -DTOVALSET_SERVICE_DOMAIN=<host>), or" \
            "ask for a demo package: make package DEMO=1" >&2
        exit 1
    fi
    suffix=-demo
fi
out="$root/build/TovalSet-1.00-win32$suffix.zip"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/TovalSet/All"
cp "$root/build/win32/bin/TovalSet.exe" "$stage/TovalSet/"
sed 's/$/\r/' "$root/docs/ADMIN.txt" >"$stage/TovalSet/README.txt"
rm -f "$out"
(cd "$stage" && zip -q -r -X "$out" TovalSet)
echo "$out"
