#!/usr/bin/env bash
# The current directory holds the support folder and whatever else was put there, so it must leave the DLL
# search before any library is loaded at run time (a DLL planted there would otherwise be loaded). Under
# Wine a planted DLL proves nothing either way: Wine prefers its own built-in libraries, and the system
# folder comes before the current directory in the search. So this reads the code:
#   - WinMain hardens the process before anything else, and the hardening calls SetDllDirectoryA("");
#   - the libraries loaded at run time (the shell, CryptoAPI) are loaded by the platform layer, which
#     exists only after that;
#   - (check-exe.sh) the exe has no delay-load table.
#   check-dll-search.sh <source dir>
set -euo pipefail
cd "$1"
status=0
fail() { echo "FAIL: $*"; status=1; }

first=$(awk '/^int WINAPI WinMain\(/ {inside = 1; next} inside && NF {print; exit}' ui/main.cpp | tr -d ' ')
[[ $first == "HardenProcess();" ]] || fail "WinMain does not begin with HardenProcess(): '$first'"
awk '/^void HardenProcess\(\)/,/^}/' ui/main.cpp | grep -q 'setDllDirectory("")' ||
    fail "HardenProcess does not call SetDllDirectoryA(\"\")"

loads=$(git grep -n -E 'LoadLibrary|CoCreateInstance|CoInitialize|OleLoadPicture|CoGetClassObject' -- \
    actions platform ui | grep -v -E '^platform/win32/(Win32Platform|RootStore)\.cpp:' || true)
[[ -z "$loads" ]] || fail "a library is loaded outside the platform layer: $loads"

[[ $status == 0 ]] && echo "the DLL search is hardened before any run-time library load"
exit $status
