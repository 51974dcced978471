#!/usr/bin/env bash
# The Windows tests, under Wine in a session of their own, on the build that Wine runs on this machine.
set -euo pipefail
here=$(dirname "$(realpath "$0")")
source "$here/wine-env.sh"
cd "$wine_env_root"

if [[ $(wine_arch) == win32 ]]; then
    exec "$here/wine-session.sh" build/win32 ctest --preset win32
fi
echo "This kernel runs no 32-bit code: the shipped exe is checked as a file, and the Windows tests run the"
echo "x86_64 build of the same sources under 64-bit Wine."
ctest --preset win32-exe
"$here/wine-session.sh" "$(wine_build win64)" ctest --preset win64
