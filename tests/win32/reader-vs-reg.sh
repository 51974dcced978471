#!/usr/bin/env bash
# GetString of the product name reads what Wine's own `reg query` shows.
#   reader-vs-reg.sh <action_driver.exe>
set -euo pipefail
source "$(dirname "$(realpath "$0")")/../../scripts/wine-prefix.sh"
driver=$1
export WINEPREFIX="$TOVALSET_WINE_ROOT/base"

path='SOFTWARE\Microsoft\Windows NT\CurrentVersion'
shown=$(wine reg query "HKLM\\$path" /v ProductName | tr -d '\r' | sed -n 's/^\s*ProductName\s\+REG_SZ\s\+//p')
read=$(wine "$driver" read "$path" ProductName | tr -d '\r')
[[ -n "$shown" ]] || { echo "FAIL: reg query shows no ProductName"; exit 1; }
[[ "$read" == "$shown" ]] || { echo "FAIL: GetString read '$read', reg query shows '$shown'"; exit 1; }
echo "ProductName: $read"
