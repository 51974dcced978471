#!/usr/bin/env bash
# The exe that the 32-bit build's end-to-end tests drive: TovalSet.exe as the package zip holds it, signed,
# unpacked to <build>/shipped. `make test` packages before the Windows tests run; a zip older than the
# built exe, or none, is made again here first (a demo package: the tests build for the placeholder
# domain).
#   unpack-shipped-exe.sh <win32 build dir>
set -euo pipefail
build=$(realpath "$1")
# None yet is no failure: under pipefail a failing ls would end the script without a word.
newest() { ls -t "$build"/TovalSet-1.00-win32*.zip 2>/dev/null | head -n 1 || true; }
zip=$(newest)
if [[ -z "$zip" || "$zip" -ot "$build/bin/TovalSet.exe" ]]; then
    (cd "$build" && cpack -G ZIP -D TOVALSET_DEMO=1 >"$build/shipped.log" 2>&1) ||
        { cat "$build/shipped.log" >&2; echo "FAIL: cpack could not package the build" >&2; exit 1; }
    zip=$(newest)
fi
rm -rf "$build/shipped"
mkdir -p "$build/shipped"
unzip -q -j "$zip" TovalSet/TovalSet.exe -d "$build/shipped"
echo "the end-to-end tests drive TovalSet.exe from $(basename "$zip")"
