#!/usr/bin/env bash
# Starts TovalSet under Wine from its folder, with the demo support folder beside it, in a Wine prefix of
# the project's own (build/run/prefix-win32, or -win64 where Wine is 64-bit: see scripts/wine-env.sh). On
# the user's display when DISPLAY is set; otherwise a tour under Xvfb that clicks every button, prints what
# each one did, and saves a screenshot (build/run/TovalSet.png).
#
# The window comes up at the prefix's display scale, which winecfg sets ("Screen resolution");
# TOVALSET_LOGPIXELS=<dots per inch> sets it first: 96 is 100 %, 120 is 125 %, 144 is 150 %, 192 is 200 %.
set -euo pipefail
root=$(realpath "$(dirname "$0")/..")
source "$root/scripts/wine-env.sh"
source "$root/scripts/wine-prefix.sh"
arch=$(wine_arch)
build=$(wine_build "$arch")
bin="$build/bin"
run="$root/build/run"
mkdir -p "$run"

wine_use "$arch"
export WINEPREFIX="$run/prefix-$arch" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cd "$bin"

if [[ -n "${DISPLAY:-}" ]]; then
    [[ -d "$WINEPREFIX" ]] || { wineboot -i >/dev/null 2>&1; wineserver -w; }
    [[ -z "${TOVALSET_LOGPIXELS:-}" ]] || wine_prefix_scale "$TOVALSET_LOGPIXELS"
    exec wine TovalSet.exe
fi

pids=()
cleanup() {
    wineserver -k 2>/dev/null || true
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT
source "$root/scripts/display.sh"
start_display "$run"

# A fresh prefix for each tour, so that what it prints is what this run changed.
rm -rf "$WINEPREFIX"
wineboot -i >/dev/null 2>&1
wineserver -w
winecfg -v "$(wine_windows_version)" >/dev/null 2>&1
wineserver -w
[[ -z "${TOVALSET_LOGPIXELS:-}" ]] || wine_prefix_scale "$TOVALSET_LOGPIXELS"
# Wine's help viewer needs a browser engine that is not installed here: a recorder takes its place, so
# the tour can show how the help button started it.
cp "$build/tests/win32/record_start.exe" "$WINEPREFIX/drive_c/windows/hh.exe"
export TOVALSET_RECORD='C:\help-viewer.txt'
wine cmd /c exit </dev/null >/dev/null 2>&1

wine "$build/tests/e2e/tour.exe" 'Z:'"${run//\//\\}"'\TovalSet.bmp' | tr -d '\r'
/usr/bin/convert "$run/TovalSet.bmp" "$run/TovalSet.png" && echo "screenshot: build/run/TovalSet.png"
