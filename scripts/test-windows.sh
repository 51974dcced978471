#!/usr/bin/env bash
# The Windows tests, under Wine in a session of their own, on the build that Wine runs on this machine.
# Ends with one line for each test that was re-run (scripts/ctest-once-more.sh), and on a machine whose
# kernel runs no 32-bit code with one line saying how the shipped exe was checked.
set -euo pipefail
here=$(dirname "$(realpath "$0")")
source "$here/wine-env.sh"
cd "$wine_env_root"

export TOVALSET_RERUNS="$wine_env_root/build/reruns.txt"
rm -f "$TOVALSET_RERUNS"
status=0
arch=$(wine_arch)
if [[ $arch == win32 ]]; then
    "$here/wine-session.sh" build/win32 "$here/ctest-once-more.sh" win32 build/win32 || status=$?
else
    ctest --preset win32-exe || status=$?
    build=$(wine_build win64)
    "$here/wine-session.sh" "$build" "$here/ctest-once-more.sh" win64 "$build" || status=$?
fi
[[ -f "$TOVALSET_RERUNS" ]] && cat "$TOVALSET_RERUNS"
if [[ $arch == win64 ]]; then
    echo "This kernel runs no 32-bit code: the shipped 32-bit exe was checked as a file only; the Windows tests ran the x86_64 build of the same sources under 64-bit Wine."
fi
exit "$status"
