#!/usr/bin/env bash
# The certificate scripts on the real platform, run from a copy of the exe's folder with its demo support
# folder: what the user is shown, and what really lands in the current user's root store.
#   certificates.sh <action_driver.exe> <bin folder> <never_ends.exe> actions
#       both scripts, a corrupt certificate, a tool that adds nothing, a policy, no support folder
#   certificates.sh <action_driver.exe> <bin folder> <never_ends.exe> tools
#       a certificate manager that never ends; certmgr.exe, TOVALPKI.exe and the help file missing
#   certificates.sh <action_driver.exe> <bin folder> <never_ends.exe> files
#       each of the seven certificate files missing in turn
# Each fault ends with its defined message, keeps what the other steps put into the root store, and
# leaves the program running.
set -euo pipefail
driver=$1 bin=$2 never_ends=$3 group=$4
source "$(dirname "$(realpath "$0")")/../../scripts/wine.sh"
source "$(dirname "$(realpath "$0")")/../support/time-scale.sh"


fail() { echo "FAIL: $*" >&2; exit 1; }
roots='HKCU\Software\Microsoft\SystemCertificates\Root\Certificates'
ok='message: The Import Was Successfull '

thumbprint() {
    local form=DER
    grep -q -- '-----BEGIN' "$1" && form=PEM
    openssl x509 -inform "$form" -in "$1" -noout -fingerprint -sha1 | sed 's/.*=//; s/://g'
}
# The actions' own lists, one file a line (action_driver files|imports): the certificate files of the
# support folder, or the ones the install button imports in its order.
certificate_files() { wine "$driver" "$1" | tr -d '\r'; }
# files: every certificate file, each once; thumb: each one's thumbprint, as openssl reads it; root_steps:
# the install button's steps in order, as "<file>|<what is shown when it lands>".
declare -A thumb
read_certificate_files() {
    mapfile -t files < <(certificate_files files)
    ((${#files[@]} > 0)) || fail "the driver named no certificate files"
    for f in "${files[@]}"; do thumb[$f]=$(thumbprint "$bin/All/$f"); done
    root_steps=()
    while IFS= read -r f; do root_steps+=("$f|$ok"); done < <(certificate_files imports)
}
# The renewal script's steps, the same way.
new_steps=('GICADigitalSign-Silver(L2)New.cer|'
    'GovernmentalGeneralIntermediateCANew.cer|message: GovernmentalGeneralIntermediateCANew Is OK!'
    'IslamicRepublicofIRANRootCANew.cer|')

# shown_failing <file> <exit code> <steps...>: what a script shows when the certificate manager ends with
# that exit code for that file ("" for none). A success message stands for every import since the message
# before it, and is not shown after a failed one.
shown_failing() {
    local failing=$1 code=$2 step failed=0
    shift 2
    for step in "$@"; do
        if [[ ${step%%|*} == "$failing" ]]; then
            echo "message: Import failed: All\\$failing (certmgr exit code $code)."
            failed=1
        elif [[ -n ${step#*|} ]]; then
            ((failed)) || echo "${step#*|}"
        fi
        [[ -z ${step#*|} ]] || failed=0
    done
    echo "still running"
}

# A copy of the session's prefix with a copy of the exe's folder in it, whose server runs until the copy is
# dropped. The cases of a group share it, each starting from an empty store (empty_store): a new copy and
# a new server with its services cost as much as a whole case on a slow machine.
fresh() {
    wine_prefix_copy
    # Only a copy of our own is ever dropped, never a prefix that came with the environment.
    trap 'wine_prefix_drop || true' EXIT
    wineserver -p </dev/null >/dev/null 2>&1
    app="$WINEPREFIX/drive_c/TovalSet"
    cp -a "$bin" "$app"
    # On 64-bit Windows the support folder may hold a 64-bit certificate manager: the stand-in's x86_64
    # build takes the place of the 32-bit one there, and every case below must hold with it.
    if [[ "${TOVALSET_WOW64:-0}" == 1 ]]; then
        [[ -f "${TOVALSET_CERTMGR_X64:-}" ]] || fail "no x86_64 certmgr (TOVALSET_CERTMGR_X64): build the win64 preset"
        cp "$TOVALSET_CERTMGR_X64" "$app/All/certmgr.exe"
    fi
}
empty_store() { wine_reg delete "$roots" /f >/dev/null 2>&1 || true; }
# run <folder> <action>: what the driver printed, and a last line with its exit code when that is not 0 (a
# crash), so that a case shows it rather than ending the script without a word.
run() {
    local status=0
    (cd "$1" && wine "$driver" "$2" | tr -d '\r') || status=$?
    ((status == 0)) || echo "the driver ended with exit code $status"
}
# The thumbprints in the store, one a line: one look answers many questions.
store_thumbprints() { wine_reg query "$roots" 2>/dev/null | tr -d '\r' | sed -n 's/^.*\\//p'; }
# in_store <thumbprint>: whether the store, as `look` last saw it, holds it.
look() { store=$(store_thumbprints); }
in_store() { grep -qix "$1" <<<"$store"; }

if [[ $group == actions ]]; then
    fresh
    read_certificate_files

    echo "== all seven certificates"
    out=$(run "$app" root)
    [[ "$out" == "$(shown_failing "" 0 "${root_steps[@]}")" ]] || fail "root script showed: $out"
    look
    for f in "${files[@]}"; do in_store "${thumb[$f]}" || fail "$f is not in the root store"; done

    echo "== the renewal script"
    empty_store
    out=$(run "$app" new)
    [[ "$out" == $'message: GovernmentalGeneralIntermediateCANew Is OK!\nstill running' ]] || fail "renewal showed: $out"
    look
    for f in 'GICADigitalSign-Silver(L2)New.cer' GovernmentalGeneralIntermediateCANew.cer \
        IslamicRepublicofIRANRootCANew.cer; do
        in_store "${thumb[$f]}" || fail "$f is not in the root store"
    done
    in_store "${thumb[IRIROOTCA.crt]}" && fail "the renewal script imported IRIROOTCA.crt"

    echo "== one corrupt certificate"
    empty_store
    echo "no certificate here" >"$app/All/IRIROOTCA.crt"
    out=$(run "$app" root)
    cp -a "$bin/All/IRIROOTCA.crt" "$app/All/"
    [[ "$out" == "$(shown_failing IRIROOTCA.crt 3 "${root_steps[@]}")" ]] ||
        fail "with a corrupt file the root script showed: $out"
    look
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
    empty_store
    out=$(TOVALSET_CERTMGR_MODE=add-nothing run "$app" new)
    [[ "$out" == "$(each 'the certificate is not in the trusted root store).' "${new_order[@]}")" ]] ||
        fail "renewal with nothing added showed: $out"
    [[ -z $(store_thumbprints) ]] || fail "the stand-in added certificates in its add-nothing mode"

    echo "== a machine policy that stops trust in the user's own roots"
    wine_reg add 'HKLM\Software\Policies\Microsoft\SystemCertificates\Root\ProtectedRoots' /v Flags \
        /t REG_DWORD /d 1 /f >/dev/null 2>&1
    refused="the certificate is only in your root store, which a policy tells Windows not to trust: an"
    refused+=" administrator must add it to the computer's store)."
    out=$(run "$app" new)
    [[ "$out" == "$(each "$refused" "${new_order[@]}")" ]] || fail "renewal under the policy showed: $out"
    look
    for f in "${new_order[@]}"; do in_store "${thumb[$f]}" || fail "$f is not in the user's root store"; done
    # Added to the computer's store, as an administrator would, the same certificates are trusted.
    out=$(TOVALSET_CERTMGR_MODE=machine run "$app" new)
    [[ "$out" == $'message: GovernmentalGeneralIntermediateCANew Is OK!\nstill running' ]] ||
        fail "renewal into the computer's store under the policy showed: $out"

    echo "== no support folder"
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
    exit 0
fi

# Every process that runs in a prefix, by its command line.
processes_in() {
    local environ
    for environ in $(grep -lzxF "WINEPREFIX=$1" /proc/[0-9]*/environ 2>/dev/null); do
        tr '\0' ' ' <"${environ%/environ}/cmdline" 2>/dev/null && echo || true
    done
}

# A program that cannot start: one error box naming the command, nothing else, and the program goes on.
one_error_box() {
    local what=$1 command=$2 out=$3
    [[ $(grep -c '^error: ' <<<"$out") == 1 ]] || fail "$what: not exactly one error box: $out"
    grep -q '^message: ' <<<"$out" && fail "$what: a message besides the error box: $out"
    [[ "$out" == *$'error: This program could not be started:\n'"$command"$'\n'* ]] ||
        fail "$what: the error box does not name the command: $out"
    [[ $(tail -n 1 <<<"$out") == "still running" ]] || fail "$what: the program did not go on: $out"
    echo "$out" | sed 's/^/    /'
}

if [[ $group == files ]]; then
    fresh
    read_certificate_files
    store_checked=()
    for f in "${files[@]}"; do
        # The renewal script is the shorter one for the files that it imports.
        script=root
        steps=("${root_steps[@]}")
        if [[ $f == *New.cer ]]; then
            script=new
            steps=("${new_steps[@]}")
        fi
        echo "== $f missing, $script script"
        # The store is looked at after the first case of each script, from empty: a look costs as much as
        # an import, and the messages already tell each step's outcome.
        look=0
        if [[ " ${store_checked[*]} " != *" $script "* ]]; then
            look=1
            ((${#store_checked[@]} == 0)) || empty_store
            store_checked+=("$script")
        fi
        rm "$app/All/$f"
        out=$(run "$app" "$script")
        [[ "$out" == "$(shown_failing "$f" 2 "${steps[@]}")" ]] || fail "without $f the $script script showed: $out"
        if ((look)); then
            look
            for step in "${steps[@]}"; do
                other=${step%%|*}
                [[ $other == "$f" ]] && continue
                in_store "${thumb[$other]}" || fail "without $f, $other is not in the root store"
            done
            in_store "${thumb[$f]}" && fail "$f is in the root store although its file is missing"
        fi
        cp -a "$bin/All/$f" "$app/All/"
    done
    echo "each missing certificate file failed its own steps only"
    exit 0
fi

[[ $group == tools ]] || fail "unknown group $group"
fresh
echo "== no certificate manager"
rm "$app/All/certmgr.exe"
one_error_box "the root script without certmgr.exe" 'All\certmgr /add /c  All\DigitalSignOld.cer /s  root' \
    "$(run "$app" root)"
one_error_box "the renewal script without certmgr.exe" \
    'All\certmgr /add /c  All\GICADigitalSign-Silver(L2)New.cer /s  root' "$(run "$app" new)"
[[ -z $(store_thumbprints) ]] || fail "certificates landed without a certificate manager"

echo "== no middleware"
rm "$app/All/TOVALPKI.exe"
one_error_box "the middleware button without TOVALPKI.exe" 'All\TOVALPKI.exe' "$(run "$app" pki)"

echo "== no help file"
rm "$app/All/TovalSetHelp.chm"
out=$(run "$app" help)
[[ "$out" == "still running" ]] || fail "without the help file the program showed: $out"

echo "== a certificate manager that never ends"
cp "$never_ends" "$app/All/certmgr.exe"
# The tools inherit the driver's output and outlive it: a file, not a pipe, takes it. The wait per import is
# stretched with the machine, and so is the stand-in's own minute: it stays the slower of the two.
wait_ms=$(bound 1000)
start=$(date +%s%N)
(cd "$app" && TOVALSET_TEST_CERTMGR_BOUND_MS=$wait_ms timeout "$(bound 60)" wine "$driver" new >"$app/endless.out" 2>&1) ||
    true
took=$((($(date +%s%N) - start) / 1000000))
echo "    the renewal script took $took ms with a wait of $wait_ms ms per import"
out=$(tr -d '\r' <"$app/endless.out")
expected=""
for f in 'GICADigitalSign-Silver(L2)New.cer' GovernmentalGeneralIntermediateCANew.cer IslamicRepublicofIRANRootCANew.cer; do
    expected+="message: Import failed: All\\$f (certmgr did not finish; it was stopped)."$'\n'
done
[[ "$out" == "${expected}still running" ]] || fail "with a certificate manager that never ends: $out"
((took >= 3 * wait_ms)) || fail "the imports did not wait for the tool: $took ms"
# Each tool is stopped when its wait ends: none of the three is left running beside the next.
left=$(processes_in "$WINEPREFIX" | grep -c 'All\\certmgr /add' || true)
[[ $left == 0 ]] || fail "expected no tool still running, found $left: $(processes_in "$WINEPREFIX")"
prefix=$WINEPREFIX
wine_prefix_drop
trap - EXIT
[[ -z $(processes_in "$prefix") ]] || fail "processes outlived their prefix: $(processes_in "$prefix")"
echo "support folder faults as expected"
