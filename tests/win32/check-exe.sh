#!/usr/bin/env bash
# Reads an exe's PE headers, import table, code and embedded manifest, and fails on anything that would stop
# it on Windows XP SP3 or weaken it: a DLL outside the allowlist (the stack protector's libssp-0.dll among
# them), a function newer than XP SP3, a header that is not for Windows 5.01, no ASLR (DYNAMIC_BASE with a
# relocation table), no DEP (NX_COMPAT), not marked as aware of terminal servers, a link time stamp (the
# same source must give the same bytes), no stack protector linked in, and a manifest that is not well
# formed, asks for more than the invoking user's rights, declares its display scale in a form Windows XP
# refuses, or names another processor than the image's. The 32-bit exe must also say that it registers no
# SEH handlers (NO_SEH), and its code must not touch the head of the SEH chain (%fs:0). With a compile
# database, every compile command of the named sources must carry the compiler's hardening, which leaves no
# mark in the exe where no call needs checking.
#   check-exe.sh [--x86_64] <objdump> <exe> [<compile_commands.json> <source file or folder>...]
# Without --x86_64 the exe must be the 32-bit one that ships; with it, the x86_64 test build.
set -euo pipefail
machine=i386
if [[ ${1:-} == --x86_64 ]]; then
    machine=x86_64
    shift
fi
objdump=$1 exe=$2
shift 2
# In UTC: the link time stamp is shown as a date in the local time zone.
dump=$(TZ=UTC "$objdump" -p "$exe")
status=0
fail() { echo "FAIL: $*"; status=1; }

allowed='^(KERNEL32|USER32|GDI32|ADVAPI32|SHELL32|OLE32|OLEAUT32|msvcrt)\.dll$'
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
denied+='QueryFullProcessImageName[AW]|GetErrorMode|Wow64DisableWow64FsRedirection|WerRegisterRuntimeExceptionModule|'
denied+='SetDefaultDllDirectories|AddDllDirectory|RemoveDllDirectory)$'
while read -r function; do
    grep -Eq "$denied" <<<"$function" && fail "imports $function, which Windows XP SP3 lacks"
done < <(awk '/DLL Name:/ {inside = 1; next} inside && NF == 3 && $1 ~ /^[0-9a-f]+$/ {print $3} /^$/ {inside = 0}' \
    <<<"$dump")

field() { awk -v name="$1" '$1 == name {print $2; exit}' <<<"$dump"; }
if [[ $machine == i386 ]]; then
    [[ $(field Magic) == 010b ]] || fail "not a 32-bit PE32 image"
    architecture=x86
else
    [[ $(field Magic) == 020b ]] || fail "not an x86_64 PE32+ image"
    architecture=amd64
fi
[[ $(field MajorOSystemVersion).$(field MinorOSystemVersion) == 5.1 ]] || fail "OS version is not 5.01"
[[ $(field MajorSubsystemVersion).$(field MinorSubsystemVersion) == 5.1 ]] || fail "subsystem version is not 5.01"
characteristics=$((16#$(field DllCharacteristics)))
((characteristics & 0x40)) || fail "DYNAMIC_BASE is not set"
((characteristics & 0x100)) || fail "NX_COMPAT is not set"
((characteristics & 0x8000)) || fail "TERMINAL_SERVER_AWARE is not set"
grep -Eq '^Entry 5 [0-9a-f]*[1-9a-f][0-9a-f]* [0-9a-f]*[1-9a-f]' <<<"$dump" || fail "no relocation table"
# Libraries loaded later than start-up are loaded after the DLL search is hardened; a delay-load table
# would load them behind its back.
grep -Eq '^Entry d 0+ 0+ ' <<<"$dump" || fail "a delay-load import table"
grep -Eq '^Time/Date\s+Thu Jan  1 00:00:00 1970$' <<<"$dump" || fail "the header holds a link time stamp"

if [[ $machine == i386 ]]; then
    ((characteristics & 0x400)) || fail "NO_SEH is not set"
    # An SEH handler is registered by linking a frame into the chain whose head is at %fs:0.
    seh=$("$objdump" -d --no-show-raw-insn "$exe" | grep -c '%fs:0x0\b' || true)
    [[ $seh == 0 ]] || fail "$seh instructions use the head of the SEH chain (%fs:0)"
fi
# The stack protector's handler is linked in only when compiled code calls it, and lands in the exe only
# when libssp is linked statically (with the DLL, the import check above fails).
grep -aq 'stack smashing detected' "$exe" || fail "no stack protector linked in"

manifest=$(wrestool -x --raw --type=24 --name=1 "$exe" 2>/dev/null || true)
if [[ -z "$manifest" ]]; then
    fail "no manifest embedded"
elif ! xmllint --noout - <<<"$manifest" 2>/dev/null; then
    fail "the manifest is not well-formed XML"
else
    attribute() { xmllint --xpath "string(//*[local-name()='$1']/@$2)" - <<<"$manifest"; }
    [[ $(attribute requestedExecutionLevel level) == asInvoker &&
        $(attribute requestedExecutionLevel uiAccess) == false ]] ||
        fail "the manifest does not ask for asInvoker without uiAccess"
    # Under the asm.v3 namespace, which Windows XP skips; an application element of asm.v1 stops the program
    # from starting there at all.
    aware="//*[local-name()='application' and namespace-uri()='urn:schemas-microsoft-com:asm.v3']"
    aware+="/*[local-name()='windowsSettings']/*[local-name()='dpiAware'"
    aware+=" and namespace-uri()='http://schemas.microsoft.com/SMI/2005/WindowsSettings']"
    [[ $(xmllint --xpath "string($aware)" - <<<"$manifest") == true ]] ||
        fail "the manifest does not declare system DPI awareness in the form Windows XP accepts"
    named=$(attribute assemblyIdentity processorArchitecture)
    [[ $named == "$architecture" ]] ||
        fail "the manifest names processor architecture '$named', the image is $architecture"
fi

if (($# > 0)); then
    python3 - "$@" <<'EOF' || status=1
import json, shlex, sys

# The compiler takes the last of conflicting flags: -fno-stack-protector after -fstack-protector-strong
# turns it off, -U_FORTIFY_SOURCE after -D_FORTIFY_SOURCE=2 undoes it.
def last(arguments, starts):
    found = [a for a in arguments if any(a.startswith(s) for s in starts)]
    return found[-1] if found else None

database, sources = sys.argv[1], sys.argv[2:]
with open(database) as f:
    entries = [e for e in json.load(f) if any(e["file"].startswith(s) for s in sources)]
failed = not entries
if not entries:
    print("FAIL: no compile command for " + " ".join(sources))
for e in entries:
    arguments = e.get("arguments") or shlex.split(e["command"])
    if last(arguments, ["-fstack-protector", "-fno-stack-protector"]) not in ("-fstack-protector-strong",
                                                                             "-fstack-protector-all"):
        print("FAIL: %s is compiled without -fstack-protector-strong" % e["file"])
        failed = True
    if last(arguments, ["-D_FORTIFY_SOURCE", "-U_FORTIFY_SOURCE"]) not in ("-D_FORTIFY_SOURCE=2",
                                                                          "-D_FORTIFY_SOURCE=3"):
        print("FAIL: %s is compiled without -D_FORTIFY_SOURCE=2" % e["file"])
        failed = True
sys.exit(1 if failed else 0)
EOF
fi

[[ $status == 0 ]] && echo "$(basename "$exe"): imports, headers, code and manifest fit Windows XP SP3 and are hardened"
exit $status
