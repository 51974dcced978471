#!/usr/bin/env bash
# The zip for administrators: the exe and what to put beside it. The demo stand-ins are not in it.
set -euo pipefail
root=$(realpath "$(dirname "$0")/..")
out="$root/build/TovalSet-1.00-win32.zip"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/TovalSet/All"
cp "$root/build/win32/bin/TovalSet.exe" "$stage/TovalSet/"
sed 's/$/\r/' "$root/docs/ADMIN.txt" >"$stage/TovalSet/README.txt"
rm -f "$out"
(cd "$stage" && zip -q -r -X "$out" TovalSet)
echo "$out"
