#!/usr/bin/env bash
# Runs a command (usually ctest) inside a Wine session of the project's own: an X server with a window
# manager, and a fresh 32-bit Wine prefix under the build folder, never ~/.wine. Tests that change the prefix
# run in a copy of it (scripts/wine-test.sh), so every test starts from the same state.
#
#   scripts/wine-session.sh <build dir> <command> [args...]
set -euo pipefail

build_dir=$(realpath "$1")
shift
here=$(dirname "$(realpath "$0")")
source "$here/display.sh"
source "$here/wine-env.sh"

export WINEDEBUG=-all
# No Mono or Gecko installer dialog may block a test.
export WINEDLLOVERRIDES="mscoree,mshtml="
wine_use "$(wine_arch_of "$build_dir")"
# Two sessions on one build (two developers' test runs, say) each name a folder of their own.
export TOVALSET_WINE_ROOT="${TOVALSET_SESSION_DIR:-$build_dir/wine}"
export WINEPREFIX="$TOVALSET_WINE_ROOT/base"

pids=()
cleanup() {
    WINEPREFIX="$TOVALSET_WINE_ROOT/base" wineserver -k 2>/dev/null || true
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
trap cleanup EXIT

# The base prefix is made once per run, serially, before any test.
rm -rf "$TOVALSET_WINE_ROOT"
mkdir -p "$TOVALSET_WINE_ROOT/copies"
start_display "$TOVALSET_WINE_ROOT"
wineboot -i >/dev/null 2>&1
wineserver -w
winecfg -v "$(wine_windows_version)" >/dev/null 2>&1
wineserver -w
wineserver -p
# Wine's own services start with the first program and live as long as the server. Started here, they hold
# no test's output open (CTest waits for a test's output to close).
wine cmd /c exit </dev/null >/dev/null 2>&1

"$@"
