# Sourced by the scripts that run Windows programs in the test session: a private copy of the session's
# base prefix, and its removal together with every process left running in it.

wine_prefix_copy() {
    if [[ -z "${TOVALSET_WINE_ROOT:-}" || ! -d "${TOVALSET_WINE_ROOT}/base" ]]; then
        echo "no Wine session; run the tests through scripts/wine-session.sh (make test)" >&2
        return 2
    fi
    WINEPREFIX=$(mktemp -d "$TOVALSET_WINE_ROOT/copies/prefix.XXXXXX")
    export WINEPREFIX
    cp -a "$TOVALSET_WINE_ROOT/base/." "$WINEPREFIX/"
}

wine_prefix_drop() {
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
    rm -rf "$WINEPREFIX"
}
