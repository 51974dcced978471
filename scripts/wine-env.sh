# Sourced by the scripts that run Windows programs: which Wine this machine runs, and the build of ours
# that it runs.
#
# TovalSet ships as a 32-bit exe, and Wine runs it and its tests wherever the kernel runs 32-bit code. Some
# kernels do not (no IA-32 emulation: 32-bit Wine, and every 32-bit Windows program, fails to start). There
# the Windows tests, `make run` and `make bench` use an x86_64 build of the same sources (preset win64)
# under 64-bit Wine, and the shipped exe still gets its static checks (headers, imports, manifest).

wine_env_root=$(realpath "$(dirname "${BASH_SOURCE[0]}")/..")

# Prints win32 when this machine runs 32-bit Wine, win64 when it does not.
wine_arch() {
    if [[ -n "${TOVALSET_WINE_ARCH:-}" ]]; then
        echo "$TOVALSET_WINE_ARCH"
    elif /usr/lib/wine/wine --version >/dev/null 2>&1; then
        echo win32
    else
        echo win64
    fi
}

# wine_use <win32|win64>: every wine, wineboot, winecfg and winepath below runs that Wine.
wine_use() {
    export WINEARCH=$1
    if [[ $1 == win64 ]]; then
        export WINELOADER=/usr/lib/wine/wine64
        [[ ":$PATH:" == *":$wine_env_root/scripts/wine64:"* ]] || export PATH="$wine_env_root/scripts/wine64:$PATH"
    fi
}

# The Windows version a new prefix reports: XP, our oldest system, in its 64-bit form where Wine is 64-bit.
wine_windows_version() {
    [[ $WINEARCH == win64 ]] && echo winxp64 || echo winxp
}

# wine_build <win32|win64>: builds the tree that Wine runs here and prints its folder. The win32 tree is
# the product and is always built by make; win64 is built here when needed.
wine_build() {
    if [[ $1 == win64 ]]; then
        (cd "$wine_env_root" && cmake --preset win64 >/dev/null && cmake --build --preset win64 >&2)
    fi
    echo "$wine_env_root/build/$1"
}

# wine_arch_of <build dir>: the Wine that runs what that tree built.
wine_arch_of() {
    if grep -q '^TOVALSET_MINGW_PROCESSOR:STRING=x86_64$' "$1/CMakeCache.txt" 2>/dev/null; then
        echo win64
    else
        echo win32
    fi
}
