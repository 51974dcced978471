#!/usr/bin/env bash
# ConfigureBrowserZone on Wine's real registry, with a browser of another process running: the seven values
# must be there as Wine's own `reg query` shows them, each browser frame asked once to close, nothing else.
#   zone-action.sh <zone_driver.exe> <fake_browser.exe> <service domain>
set -euo pipefail
source "$(dirname "$(realpath "$0")")/../../scripts/wine-prefix.sh"
driver=$1 browser=$2 domain=$3

wine_prefix_copy
trap wine_prefix_drop EXIT
work="$WINEPREFIX/drive_c/zone-test"
mkdir -p "$work"

fail() { echo "FAIL: $*" >&2; exit 1; }

wine "$browser" 'C:\zone-test\done' >"$work/browser.out" &
browser_pid=$!
for _ in $(seq 200); do grep -q ready "$work/browser.out" 2>/dev/null && break; sleep 0.1; done
grep -q ready "$work/browser.out" || fail "the stand-in browser did not come up"

wine "$driver" zone | tr -d '\r' >"$work/driver.out"
touch "$work/done"
wait "$browser_pid"

messages=$(grep '^message: ' "$work/driver.out" || true)
[[ "$messages" == "message: Confoguration Is OK!!" ]] || fail "messages were: $messages"

counts=$(tr -d '\r' <"$work/browser.out" | grep -v ready)
expected=$'IEFrame 1\nIEFrame 1\nTovalSetOther 0\nIEFrame 1'
[[ "$counts" == "$expected" ]] || fail "close requests: $counts"

settings='Software\Microsoft\Windows\CurrentVersion\Internet Settings'
zone=$(wine reg query "HKCU\\$settings\\Zones\\2" | tr -d '\r')
for name in 1001 1004 1201 1400 1402 1208; do
    grep -Eq "^\s+$name\s+REG_DWORD\s+0x0$" <<<"$zone" || fail "zone value $name: $zone"
done
mapping=$(wine reg query "HKCU\\$settings\\ZoneMap\\Domains\\$domain" | tr -d '\r')
grep -Eq '^\s+\*\s+REG_DWORD\s+0x2$' <<<"$mapping" || fail "domain mapping: $mapping"
echo "zone values, domain mapping and close requests as expected"
