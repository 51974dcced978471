#!/usr/bin/env bash
# The zone action on Wine's real registry, with a browser of another process running.
#   zones.sh <action_driver.exe> <fake_browser.exe> <key_lock.exe> <service domain> action
#       the seven values are there as Wine's own `reg query` shows them, each browser frame asked once to
#       close, nothing else
#   zones.sh <action_driver.exe> <fake_browser.exe> <key_lock.exe> <service domain> faults
#       a zone key the user may not change, a mapping key the user may not change, a browser whose
#       windows handle no message, and policies that override what was written: each ends with its one
#       message, keeps what was in the keys before, and leaves the program running
set -euo pipefail
source "$(dirname "$(realpath "$0")")/../../scripts/wine.sh"
source "$(dirname "$(realpath "$0")")/../support/time-scale.sh"
driver=$1 browser=$2 lock=$3 domain=$4 group=$5

fail() { echo "FAIL: $*" >&2; exit 1; }
settings='Software\Microsoft\Windows\CurrentVersion\Internet Settings'

if [[ $group == action ]]; then
    wine_prefix_copy
    trap wine_prefix_drop EXIT
    work="$WINEPREFIX/drive_c/zone-test"
    mkdir -p "$work"

    wine "$browser" 'C:\zone-test\done' >"$work/browser.out" &
    browser_pid=$!
    wait_for 20 grep -q ready "$work/browser.out" || fail "the stand-in browser did not come up"

    wine "$driver" zone | tr -d '\r' >"$work/driver.out"
    touch "$work/done"
    wait "$browser_pid"

    messages=$(grep '^message: ' "$work/driver.out" || true)
    [[ "$messages" == "message: Confoguration Is OK!!" ]] || fail "messages were: $messages"

    counts=$(tr -d '\r' <"$work/browser.out" | grep -v ready)
    expected=$'IEFrame 1\nIEFrame 1\nTovalSetOther 0\nIEFrame 1'
    [[ "$counts" == "$expected" ]] || fail "close requests: $counts"

    zone=$(wine_reg query "HKCU\\$settings\\Zones\\2" | tr -d '\r')
    for name in 1001 1004 1201 1400 1402 1208; do
        grep -Eq "^\s+$name\s+REG_DWORD\s+0x0$" <<<"$zone" || fail "zone value $name: $zone"
    done
    mapping=$(wine_reg query "HKCU\\$settings\\ZoneMap\\Domains\\$domain" | tr -d '\r')
    grep -Eq '^\s+\*\s+REG_DWORD\s+0x2$' <<<"$mapping" || fail "domain mapping: $mapping"
    echo "zone values, domain mapping and close requests as expected"
    exit 0
fi
[[ $group == faults ]] || fail "unknown group $group"
zone_key="$settings\\Zones\\2"
domain_key="$settings\\ZoneMap\\Domains\\$domain"
settings_written=(1001 1004 1201 1400 1402 1208)
failed=$'message: AntiVirus/Firewall Is Start.Configuration Is Not OK!!\nstill running'

# A fresh prefix whose server runs until the prefix is dropped: Wine keeps a key's security in the running
# server only, never in the registry files, so a server that ended between two steps would drop the lock.
fresh() {
    [[ "${WINEPREFIX:-}" == "${TOVALSET_WINE_ROOT:-}"/copies/* ]] && wine_prefix_drop
    wine_prefix_copy
    # Only a copy of our own is ever dropped, never a prefix that came with the environment.
    trap 'wine_prefix_drop || true' EXIT
    wineserver -p </dev/null >/dev/null 2>&1
    work="$WINEPREFIX/drive_c/zone-faults"
    mkdir -p "$work"
}
zone() { wine "$driver" zone | tr -d '\r'; }
query() { wine_reg query "HKCU\\$1" 2>/dev/null | tr -d '\r'; }
# has <query output> <name> <hex value>
has() { grep -Eq "^\s+$2\s+REG_DWORD\s+$3$" <<<"$1"; }
# Locks a key with values in it, and requires the registry to refuse writing a value there.
lock() {
    local said
    said=$(wine "$lock" "$@" | tr -d '\r') || true
    echo "    locked $1:"
    sed 's/^/        /' <<<"$said"
    grep -q '^set value: refused' <<<"$said" || fail "Wine let the user write a value into a locked key: $said"
}

# refused <case> <hex>: the action showed its one failure message, and the six zone settings hold <hex>
# (0 where they were written before the step that failed, what was there before where nothing was).
refused() {
    out=$(zone)
    [[ "$out" == "$failed" ]] || fail "$1 the action showed: $out"
    zone_values=$(query "$zone_key")
    for name in "${settings_written[@]}"; do
        has "$zone_values" "$name" "$2" || fail "$1 zone value $name is not $2: $zone_values"
    done
}

echo "== the service domain's mapping key may not be changed"
fresh
# An administrator mapped the domain into Restricted sites and locked the key. (Locking ZoneMap\Domains
# against new subkeys would show nothing under Wine: its server checks no right on the parent of a key it
# creates, so the mapping key would be made anyway. The host tests cover a creation that fails.)
lock "$domain_key" '*=4' http=4
refused "with the mapping key locked" 0x0
mapping=$(query "$domain_key")
has "$mapping" '\*' 0x4 && has "$mapping" http 0x4 || fail "the locked mapping changed: $mapping"

echo "== the zone key may not be changed"
# Values that were there before: the six settings disallowed (3), and one the action never touches.
lock "$zone_key" 1001=3 1004=3 1201=3 1400=3 1402=3 1208=3 1A00=1
refused "with the zone key locked" 0x3
has "$zone_values" 1A00 0x1 || fail "a value the action never writes changed: $zone_values"

echo "== a browser whose windows handle no message"
fresh
# One stand-in hangs, one answers: neither may hold up the action, and each frame gets its one request.
wine "$browser" 'C:\zone-faults\done' hang >"$work/hung.out" 2>/dev/null &
hung_pid=$!
wine "$browser" 'C:\zone-faults\done' close >"$work/answering.out" 2>/dev/null &
answering_pid=$!
browsers_ready() { grep -q ready "$work/hung.out" && grep -q ready "$work/answering.out"; }
wait_for 20 browsers_ready || fail "the stand-in browsers did not come up"
start=$(date +%s%N)
out=$(timeout "$(bound 60)" wine "$driver" zone | tr -d '\r') || true
took=$((($(date +%s%N) - start) / 1000000))
touch "$work/done"
wait "$hung_pid" "$answering_pid"
echo "    the action took $took ms with a hung browser window"
[[ "$out" == $'message: Confoguration Is OK!!\nstill running' ]] || fail "with a hung browser the action showed: $out"
# An action that waited would wait until the hung browser gives up, after its own 30 s, stretched alike.
((took < $(bound 10000))) || fail "the action waited for the hung browser window: $took ms"
expected=$'IEFrame 1\nIEFrame 1\nTovalSetOther 0\nIEFrame 1'
hung=$(tr -d '\r' <"$work/hung.out" | grep -v ready)
[[ "$hung" == "$expected" ]] || fail "close requests found in the hung browser's queue: $hung"
answering=$(tr -d '\r' <"$work/answering.out" | grep -v ready)
[[ "$answering" == "$expected" ]] || fail "close requests to the answering browser: $answering"
echo "== policies and settings that override what was written"
fresh
policies='HKLM\Software\Policies\Microsoft\Windows\CurrentVersion\Internet Settings'
user_policies='HKCU\Software\Policies\Microsoft\Windows\CurrentVersion\Internet Settings'
ok=$'message: Confoguration Is OK!!\nstill running'
# overridden_by <key> <value> <type> <data> <cause>: with that one value set, the zone action writes all
# it writes and shows the cause instead of success ("" for a value that overrides nothing). The key of a
# site list goes afterwards, since a list counts by being there; of anything else, the value.
overridden_by() {
    local key=$1 value=$2 type=$3 data=$4 cause=$5 expected=$ok
    wine_reg add "$key" /v "$value" /t "$type" /d "$data" /f >/dev/null 2>&1 || fail "could not set $key\\$value"
    [[ -z $cause ]] || expected="message: The settings were written, but a policy on this computer overrides them: $cause. Ask your administrator to add $domain to Trusted Sites."$'\nstill running'
    out=$(zone)
    [[ "$out" == "$expected" ]] || fail "with $key\\$value = $data the action showed: $out"
    has "$(query "$domain_key")" '\*' 0x2 || fail "with $key\\$value = $data the mapping was not written"
    echo "    $value = $data: ${cause:-no override}"
    if [[ $key == *ZoneMapKey ]]; then
        wine_reg delete "$key" /f >/dev/null 2>&1
    else
        wine_reg delete "$key" /v "$value" /f >/dev/null 2>&1
    fi
}
overridden_by "$policies" Security_HKLM_only REG_DWORD 1 "only the computer's zone settings count (Security_HKLM_only)"
overridden_by "$policies\\ZoneMapKey" other.example REG_SZ 2 \
    "the site-to-zone assignment list of the computer's policy replaces yours and does not name $domain"
overridden_by "$user_policies\\ZoneMapKey" "https://$domain" REG_SZ 4 \
    "the site-to-zone assignment list of your user policy replaces yours and puts https://$domain in the Restricted sites zone"
overridden_by "$policies\\ZoneMapKey" "$domain" REG_SZ 2 ""
overridden_by "$policies\\Zones\\2" 1400 REG_DWORD 3 "the computer's policy sets Trusted Sites setting 1400 to 3"
overridden_by "$user_policies\\Zones\\2" 1201 REG_DWORD 1 "your user policy sets Trusted Sites setting 1201 to 1"
overridden_by "HKCU\\$settings\\ZoneMap" IEHarden REG_DWORD 1 \
    "Internet Explorer Enhanced Security Configuration is on, so sites are mapped from EscDomains, not Domains"

echo "== an override leaves the browser open"
wine "$browser" 'C:\zone-faults\kept' >"$work/kept.out" 2>/dev/null &
kept_pid=$!
wait_for 20 grep -q ready "$work/kept.out" || fail "the stand-in browser did not come up"
wine_reg add "$policies" /v Security_HKLM_only /t REG_DWORD /d 1 /f >/dev/null 2>&1
out=$(zone)
touch "$work/kept"
wait "$kept_pid"
[[ "$out" == "message: The settings were written, but a policy on this computer overrides them: "* ]] ||
    fail "with an override the action showed: $out"
kept=$(tr -d '\r' <"$work/kept.out" | grep -v ready)
[[ "$kept" == $'IEFrame 0\nIEFrame 0\nTovalSetOther 0\nIEFrame 0' ]] || fail "close requests despite an override: $kept"
echo "zone faults as expected"
