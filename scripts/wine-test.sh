#!/usr/bin/env bash
# Runs one Windows test executable under Wine, in the session that scripts/wine-session.sh prepared.
# With TOVALSET_WINE_COPY=1 the test gets a copy of the base prefix of its own, thrown away afterwards,
# together with every process that the test left running in it; TOVALSET_WINE_LOGPIXELS=<dots per inch>
# sets that copy's display scale. With TOVALSET_OWN_DISPLAY=1 it also gets
# an X display of its own, so that its windows cannot come up under another test's clicks.
set -uo pipefail
source "$(dirname "$(realpath "$0")")/wine-prefix.sh"

if [[ "${TOVALSET_WINE_COPY:-0}" == 1 ]]; then
    wine_prefix_copy || exit 2
    pids=()
    drop() {
        wine_prefix_drop
        for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    }
    trap drop EXIT
    if [[ -n "${TOVALSET_WINE_LOGPIXELS:-}" ]]; then
        wine_prefix_scale "$TOVALSET_WINE_LOGPIXELS" || exit 2
    fi
    if [[ "${TOVALSET_OWN_DISPLAY:-0}" == 1 ]]; then
        source "$(dirname "$(realpath "$0")")/display.sh"
        start_display "$WINEPREFIX" || exit 2
    fi
else
    [[ -n "${TOVALSET_WINE_ROOT:-}" ]] || { echo "no Wine session; run the tests through make test" >&2; exit 2; }
    export WINEPREFIX="$TOVALSET_WINE_ROOT/base"
fi

wine "$@"
