#!/usr/bin/env bash
# Runs one Windows test executable under Wine, in the session that scripts/wine-session.sh prepared.
# With TOVALSET_WINE_COPY=1 the test gets a copy of the base prefix of its own, thrown away afterwards,
# together with every process that the test left running in it.
set -uo pipefail
source "$(dirname "$(realpath "$0")")/wine-prefix.sh"

if [[ "${TOVALSET_WINE_COPY:-0}" == 1 ]]; then
    wine_prefix_copy || exit 2
    trap wine_prefix_drop EXIT
else
    [[ -n "${TOVALSET_WINE_ROOT:-}" ]] || { echo "no Wine session; run the tests through make test" >&2; exit 2; }
    export WINEPREFIX="$TOVALSET_WINE_ROOT/base"
fi

wine "$@"
