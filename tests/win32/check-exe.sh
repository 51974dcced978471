#!/usr/bin/env bash
# Reads an exe's PE headers and import table and fails on anything that would stop it on Windows XP SP3 or
# weaken it: a DLL outside the allowlist, a function newer than XP SP3, a header that is not PE32 for
# Windows 5.01, no ASLR (DYNAMIC_BASE with a relocation table) or no DEP (NX_COMPAT), and no embedded
# manifest that is well formed, asks to run as the invoking user (no elevation prompt, no virtualized
# writes) and declares the window aware of the display scale in the form Windows XP accepts.
#   check-exe.sh <objdump> <exe>
set -euo pipefail
objdump=$1 exe=$2
dump=$("$objdump" -p "$exe")
status=0
fail() { echo "FAIL: $*"; status=1; }

allowed='^(KERNEL32|USER32|GDI32|ADVAPI32|SHELL32|OLE32|OLEAUT32|COMCTL32|msvcrt)\.dll$'
while read -r dll; do
    grep -Eiq "$allowed" <<<"$dll" || fail "imports $dll, which is not on the allowlist"
done < <(sed -n 's/^\s*DLL Name: //p' <<<"$dump")

# Functions that Windows XP SP3 does not have.
denied='^(GetTickCount64|(Initialize|Acquire|Release|TryAcquire)SRWLock(Exclusive|Shared)?|InitializeSRWLock|'
denied+='InitializeConditionVariable|SleepConditionVariable(CS|SRW)|WakeA?l?l?ConditionVariable|'
denied+='InitializeCriticalSectionEx|InitOnce[A-Za-z]*|Fls(Alloc|Free|GetValue|SetValue)|'
denied+='GetFinalPathNameByHandle[AW]|CreateSymbolicLink[AW]|GetLocaleInfoEx|LCMapStringEx|CompareStringEx|'
denied+='GetSystemTimePreciseAsFileTime|SetFileInformationByHandle|GetFileInformationByHandleEx|'
denied+='CreateEventExA|CreateEventExW|CreateMutexEx[AW]|CreateSemaphoreEx[AW]|GetThreadId|GetProcessId|'
denied+='RegDeleteTree[AW]|RegGetValue[AW]|RegSetKeyValue[AW]|TaskDialog(Indirect)?|SetProcessDPIAware|'
denied+='QueryFullProcessImageName[AW]|GetErrorMode|Wow64DisableWow64FsRedirection|WerRegisterRuntimeExceptionModule)$'
while read -r function; do
    grep -Eq "$denied" <<<"$function" && fail "imports $function, which Windows XP SP3 lacks"
done < <(awk '/DLL Name:/ {inside = 1; next} inside && NF == 3 && $1 ~ /^[0-9a-f]+$/ {print $3} /^$/ {inside = 0}' \
    <<<"$dump")

field() { awk -v name="$1" '$1 == name {print $2; exit}' <<<"$dump"; }
[[ $(field Magic) == 010b ]] || fail "not a 32-bit PE32 image"
[[ $(field MajorOSystemVersion).$(field MinorOSystemVersion) == 5.1 ]] || fail "OS version is not 5.01"
[[ $(field MajorSubsystemVersion).$(field MinorSubsystemVersion) == 5.1 ]] || fail "subsystem version is not 5.01"
characteristics=$((16#$(field DllCharacteristics)))
((characteristics & 0x40)) || fail "DYNAMIC_BASE is not set"
((characteristics & 0x100)) || fail "NX_COMPAT is not set"
grep -Eq '^Entry 5 [0-9a-f]*[1-9a-f][0-9a-f]* [0-9a-f]*[1-9a-f]' <<<"$dump" || fail "no relocation table"
# Libraries loaded later than start-up are loaded by our own code, after the DLL search is hardened
# (check-dll-search.sh); a delay-load table would load them behind its back.
grep -Eq '^Entry d 0+ 0+ ' <<<"$dump" || fail "a delay-load import table"

manifest=$(wrestool -x --raw --type=24 --name=1 "$exe" 2>/dev/null || true)
if [[ -z "$manifest" ]]; then
    fail "no manifest embedded"
elif ! xmllint --noout - <<<"$manifest" 2>/dev/null; then
    fail "the manifest is not well-formed XML"
else
    level() { xmllint --xpath "string(//*[local-name()='requestedExecutionLevel']/@$1)" - <<<"$manifest"; }
    [[ $(level level) == asInvoker && $(level uiAccess) == false ]] ||
        fail "the manifest does not ask for asInvoker without uiAccess"
    # Under the asm.v3 namespace, which Windows XP skips; an application element of asm.v1 stops the program
    # from starting there at all.
    aware="//*[local-name()='application' and namespace-uri()='urn:schemas-microsoft-com:asm.v3']"
    aware+="/*[local-name()='windowsSettings']/*[local-name()='dpiAware'"
    aware+=" and namespace-uri()='http://schemas.microsoft.com/SMI/2005/WindowsSettings']"
    [[ $(xmllint --xpath "string($aware)" - <<<"$manifest") == true ]] ||
        fail "the manifest does not declare system DPI awareness in the form Windows XP accepts"
fi

[[ $status == 0 ]] && echo "$(basename "$exe"): imports, headers and manifest fit Windows XP SP3"
exit $status
