# Sourced by the tests that run the certificate scripts from a copy of the exe's folder: the seven
# certificate files and their thumbprints, a fresh prefix with the folder in it, a run of the action
# driver there, and a look into the current user's root store. Set `driver` (action_driver.exe) and `bin`
# (the exe's folder) before sourcing.
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-prefix.sh"

fail() { echo "FAIL: $*" >&2; exit 1; }
roots='HKCU\Software\Microsoft\SystemCertificates\Root\Certificates'
files=(DigitalSignOld.cer IRIranCommerceIntermediateCAOld.cer IRIranCommerceIntermediateCA.cer IRIROOTCA.crt
    'GICADigitalSign-Silver(L2)New.cer' GovernmentalGeneralIntermediateCANew.cer IslamicRepublicofIRANRootCANew.cer)
ok='message: The Import Was Successfull '

thumbprint() {
    local form=DER
    grep -q -- '-----BEGIN' "$1" && form=PEM
    openssl x509 -inform "$form" -in "$1" -noout -fingerprint -sha1 | sed 's/.*=//; s/://g'
}
declare -A thumb
for f in "${files[@]}"; do thumb[$f]=$(thumbprint "$bin/All/$f"); done

# A fresh prefix and a copy of the exe's folder in it.
fresh() {
    [[ -n "${WINEPREFIX:-}" && "$WINEPREFIX" == "$TOVALSET_WINE_ROOT"/copies/* ]] && wine_prefix_drop
    wine_prefix_copy
    app="$WINEPREFIX/drive_c/TovalSet"
    cp -a "$bin" "$app"
}
run() { (cd "$1" && wine "$driver" "$2" | tr -d '\r'); }
# The thumbprints in the store, one a line: one look answers many questions.
store_thumbprints() { wine reg query "$roots" 2>/dev/null | tr -d '\r' | sed -n 's/^.*\\//p'; }
in_store() { store_thumbprints | grep -qix "$1"; }
