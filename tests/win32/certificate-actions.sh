#!/usr/bin/env bash
# Both certificate scripts on the real platform, run from a copy of the exe's folder with its demo support
# folder: what the user is shown, and what really lands in the current user's root store.
#   certificate-actions.sh <action_driver.exe> <bin folder>
set -euo pipefail
driver=$1 bin=$2
source "$(dirname "$(realpath "$0")")/certificate-support.sh"
trap 'wine_prefix_drop' EXIT

echo "== all seven certificates"
fresh
out=$(run "$app" root)
expected=$(printf "$ok\\n%.0s" 1 2 3 4 5 6 7 8; echo "still running")
[[ "$out" == "$expected" ]] || fail "root script showed: $out"
for f in "${files[@]}"; do in_store "${thumb[$f]}" || fail "$f is not in the root store"; done

echo "== the renewal script"
fresh
out=$(run "$app" new)
[[ "$out" == $'message: GovernmentalGeneralIntermediateCANew Is OK!\nstill running' ]] || fail "renewal showed: $out"
for f in 'GICADigitalSign-Silver(L2)New.cer' GovernmentalGeneralIntermediateCANew.cer \
    IslamicRepublicofIRANRootCANew.cer; do
    in_store "${thumb[$f]}" || fail "$f is not in the root store"
done
in_store "${thumb[IRIROOTCA.crt]}" && fail "the renewal script imported IRIROOTCA.crt"

echo "== one corrupt certificate"
fresh
echo "no certificate here" >"$app/All/IRIROOTCA.crt"
out=$(run "$app" root)
expected=$(printf "$ok\\n%.0s" 1 2 3 4; echo 'message: Import failed: All\IRIROOTCA.crt (certmgr exit code 3).'
    printf "$ok\\n%.0s" 6 7 8; echo "still running")
[[ "$out" == "$expected" ]] || fail "with a corrupt file the root script showed: $out"
for f in "${files[@]}"; do
    [[ $f == IRIROOTCA.crt ]] && continue
    in_store "${thumb[$f]}" || fail "$f is not in the root store"
done
in_store "${thumb[IRIROOTCA.crt]}" && fail "IRIROOTCA.crt landed although its file was corrupt"

new_order=('GICADigitalSign-Silver(L2)New.cer' GovernmentalGeneralIntermediateCANew.cer
    IslamicRepublicofIRANRootCANew.cer)
# each <text after the file> <files...>: one "Import failed" message per file, then the program goes on.
each() {
    local rest=$1 f
    shift
    for f in "$@"; do echo "message: Import failed: All\\$f (certmgr reported success, but $rest"; done
    echo "still running"
}

# The renewal script serves these cases: its one message stands for its first two imports, and is shown
# only when both took effect.
echo "== a certificate manager that exits 0 and adds nothing"
fresh
out=$(TOVALSET_CERTMGR_MODE=add-nothing run "$app" new)
[[ "$out" == "$(each 'the certificate is not in the trusted root store).' "${new_order[@]}")" ]] ||
    fail "renewal with nothing added showed: $out"
[[ -z $(store_thumbprints) ]] || fail "the stand-in added certificates in its add-nothing mode"

echo "== a machine policy that stops trust in the user's own roots"
wine reg add 'HKLM\Software\Policies\Microsoft\SystemCertificates\Root\ProtectedRoots' /v Flags \
    /t REG_DWORD /d 1 /f >/dev/null 2>&1
refused="a policy on this computer lets Windows trust only the computer's root store, and the certificate is only"
refused+=" in yours: an administrator must add it to the computer's store)."
out=$(run "$app" new)
[[ "$out" == "$(each "$refused" "${new_order[@]}")" ]] || fail "renewal under the policy showed: $out"
for f in "${new_order[@]}"; do in_store "${thumb[$f]}" || fail "$f is not in the user's root store"; done
# Added to the computer's store, as an administrator would, the same certificates are trusted.
out=$(TOVALSET_CERTMGR_MODE=machine run "$app" new)
[[ "$out" == $'message: GovernmentalGeneralIntermediateCANew Is OK!\nstill running' ]] ||
    fail "renewal into the computer's store under the policy showed: $out"

echo "== no support folder"
fresh
rm -rf "$app/All"
for script in root new; do
    out=$(run "$app" "$script")
    grep -q '^message: ' <<<"$out" && fail "$script without All showed an import message: $out"
    [[ $(grep -c '^error: ' <<<"$out") == 1 ]] || fail "$script without All: not exactly one error box: $out"
    grep -qF 'All\certmgr /add /c  All\' <<<"$out" || fail "$script: the error box does not name the command: $out"
    [[ $(tail -n 1 <<<"$out") == "still running" ]] || fail "$script: the program did not go on: $out"
    echo "$out" | sed 's/^/    /'
done
echo "certificate scripts as expected"
