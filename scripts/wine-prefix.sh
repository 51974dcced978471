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

# wine_prefix_scale <dots per inch>: the display scale of the programs in $WINEPREFIX, where winecfg's
# "Screen resolution" puts it. Wine 8 reads the user's HKCU\Control Panel\Desktop LogPixels, and only
# without it the machine's value under HKLM\System\CurrentControlSet\Hardware Profiles\Current.
wine_prefix_scale() {
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}

# Only ever a copy made by wine_prefix_copy: a script that fails before it has one must not take a
# prefix from the environment (~/.wine, say) with it.
wine_prefix_drop() {
    [[ -n "${TOVALSET_WINE_ROOT:-}" && "${WINEPREFIX:-}" == "$TOVALSET_WINE_ROOT"/copies/* ]] || return 0
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    rm -rf "$WINEPREFIX"
}
