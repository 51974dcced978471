#!/usr/bin/env bash
# Wine for the Windows tests, `make run` and `make bench`: a session of the project's own, never ~/.wine.
# A session is an X display (Xvfb with the fvwm window manager: without one, every window that closes
# stalls for about two seconds) and a fresh Wine prefix that reports Windows XP, our oldest system.
#
#   wine.sh start <session dir> <win32|win64>  make the session (CTest's wine_session fixture)
#       TOVALSET_WOW64=1 makes the 32-bit session a 64-bit prefix reporting Windows 10, where the 32-bit
#       programs run as they do on most users' machines (WoW64), in <session dir>-wow64 beside the XP one.
#   wine.sh stop <session dir>                 end it, and every process left in it
#   wine.sh exec <session dir> <program> [args...]
#       run a Windows program in the session, or a test script that runs its own: CTest's emulator for
#       every Windows test. TOVALSET_WINE_COPY=1 gives it a copy of the session's prefix, thrown away
#       afterwards with every process left in it; TOVALSET_OWN_DISPLAY=1 gives it an X display of its own.
#   wine.sh run <build dir> <win32|win64> [<tour program>]
#       `make run`: TovalSet on the user's display, or without one a tour that clicks every button, in
#       build/run (TOVALSET_RUN_DIR names another folder); its exit code is the tour's
#   source wine.sh                             the prefix functions below, for the test scripts
#
# The 32-bit exe is what ships, and Wine runs it and its tests wherever the kernel runs 32-bit code. Some
# kernels do not; there the x86_64 build of the same sources runs under 64-bit Wine (win64).

wine_here=$(dirname "$(realpath "${BASH_SOURCE[0]}")")

# wine_session <session dir>: the folder of the session that TOVALSET_WOW64 asks for.
wine_session() {
    if [[ "${TOVALSET_WOW64:-0}" == 1 ]]; then echo "$1-wow64"; else echo "$1"; fi
}

# wine_environment <folder> <win32|win64|wow64>: the variables every Wine program here runs with. Debian's
# "wine" and "wine-stable" pick the 32-bit loader whenever it is installed, even where it cannot run, so
# for win64 the folder gets a bin/ with both names for the 64-bit loader. A wow64 prefix is a 64-bit one
# whose 32-bit programs the 32-bit loader runs.
wine_environment() {
    export WINEDEBUG=-all WINEARCH=$2
    [[ $2 == wow64 ]] && export WINEARCH=win64
    # No Mono or Gecko installer dialog may block a test.
    export WINEDLLOVERRIDES="mscoree,mshtml="
    if [[ $2 == win64 ]]; then
        export WINELOADER=/usr/lib/wine/wine64
        mkdir -p "$1/bin"
        for name in wine wine-stable; do
            printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$1/bin/$name"
            chmod +x "$1/bin/$name"
        done
        [[ ":$PATH:" == *":$1/bin:"* ]] || export PATH="$1/bin:$PATH"
    fi
}

# wine_display <folder>: Xvfb on a free display number, with the window manager; sets DISPLAY and writes
# both processes to <folder>/pids. They hold none of the caller's output open (CTest waits for it).
wine_display() {
    local file="$1/xvfb.display"
    mkdir -p "$1"
    : >"$file"
    setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$file" </dev/null >/dev/null 2>&1 &
    echo $! >>"$1/pids"
    for _ in $(seq $((100 * ${TOVALSET_TIME_SCALE:-1}))); do [[ -s "$file" ]] && break; sleep 0.1; done
    [[ -s "$file" ]] || { echo "Xvfb did not start" >&2; return 1; }
    export DISPLAY=":$(tr -d '[:space:]' <"$file")"
    setsid fvwm -f "$wine_here/fvwm.config" </dev/null >/dev/null 2>&1 &
    echo $! >>"$1/pids"
}

# wine_kill <folder>: ends the processes that <folder>/pids names.
wine_kill() {
    [[ -f "$1/pids" ]] || return 0
    xargs -r kill <"$1/pids" 2>/dev/null || true
    rm -f "$1/pids"
}

# wine_boot [<version>]: a new prefix in $WINEPREFIX, reporting XP (in its 64-bit form where Wine is
# 64-bit) unless winecfg's name of another version is given.
wine_boot() {
    local version=${1:-winxp}
    [[ $WINEARCH == win64 && $version == winxp ]] && version=winxp64
    wineboot -i </dev/null >/dev/null 2>&1
    wineserver -w
    winecfg -v "$version" </dev/null >/dev/null 2>&1
    wineserver -w
}

# wine_reg <args>: Windows' reg tool of the system's own kind. On a 64-bit prefix that is the 64-bit one,
# as administrators' tools and group policy are: what it writes under HKLM\SOFTWARE is the system's view,
# not the 32-bit copy, and the 32-bit programs must see it where Windows shares it (the policies).
wine_reg() {
    if [[ $WINEARCH == win64 ]]; then
        WINELOADER=/usr/lib/wine/wine64 /usr/lib/wine/wine64 reg "$@"
    else
        wine reg "$@"
    fi
}

# wine_prefix_copy: $WINEPREFIX becomes a private copy of the session's base prefix.
wine_prefix_copy() {
    if [[ -z "${TOVALSET_WINE_ROOT:-}" || ! -d "$TOVALSET_WINE_ROOT/base" ]]; then
        echo "no Wine session: run the Windows tests with ctest --preset win32 (or win64)" >&2
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

# wine_prefix_drop: removes a copy made by wine_prefix_copy, with every process in it; never any other
# prefix (~/.wine, say) that a script failing early finds in the environment.
wine_prefix_drop() {
    [[ -n "${TOVALSET_WINE_ROOT:-}" && "${WINEPREFIX:-}" == "$TOVALSET_WINE_ROOT"/copies/* ]] || return 0
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    rm -rf "$WINEPREFIX"
}

# wine_end <session dir>: ends the session in that folder, if one is still running there: the Wine server
# of its prefix and of each copy, with every program they run, and the displays. The servers are persistent
# (wineserver -p), so a session that no one stops runs on, holding its services, even once its folder is
# gone: a session started twice over (as ctest --repeat does with the fixture) must end the first itself.
wine_end() {
    local session prefix
    session=$(realpath -m "$1")
    [[ -f "$session/env" ]] || { wine_kill "$session"; return 0; }
    (
        source "$session/env"
        for prefix in "$session/base" "$session"/copies/*/; do
            [[ -d $prefix ]] || continue
            WINEPREFIX=${prefix%/} wineserver -k 2>/dev/null || true
            WINEPREFIX=${prefix%/} wineserver -w 2>/dev/null || true
            wine_kill "${prefix%/}"
        done
    )
    wine_kill "$session"
}

# wine_desktop: the Desktop of the user in $WINEPREFIX is a folder of the prefix's own, C:\Desktop, named in
# the registry's User Shell Folders as an administrator's redirection is. A new prefix's Desktop is a link
# to the Unix home: whatever a test saved there would land in the developer's own folder. The link is left
# alone: moved or renamed from Windows, it would move the home itself. The server is waited for, as it
# writes the registry to the prefix's files only when it ends: the copies of the prefix are of those files.
wine_desktop() {
    mkdir -p "$WINEPREFIX/drive_c/Desktop"
    wine_reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders' /v Desktop \
        /t REG_EXPAND_SZ /d 'C:\Desktop' /f </dev/null >/dev/null 2>&1
    wineserver -w
}

wine_start() { # <session dir> <arch>
    local session arch=$2 version=winxp
    session=$(wine_session "$1")
    if [[ "${TOVALSET_WOW64:-0}" == 1 ]]; then
        [[ $arch == win32 ]] || { echo "TOVALSET_WOW64 is for the 32-bit build's session" >&2; return 2; }
        arch=wow64 version=win10
    fi
    wine_end "$session"
    rm -rf "$session"
    mkdir -p "$session/copies"
    session=$(realpath "$session")
    wine_environment "$session" "$arch"
    wine_display "$session"
    export TOVALSET_WINE_ROOT=$session WINEPREFIX="$session/base"
    local name
    for name in WINEDEBUG WINEARCH WINEDLLOVERRIDES WINELOADER PATH DISPLAY TOVALSET_WINE_ROOT WINEPREFIX; do
        [[ -v $name ]] && printf 'export %s=%q\n' "$name" "${!name}"
    done >"$session/env"
    wine_boot "$version"
    wine_desktop
    wineserver -p </dev/null >/dev/null 2>&1
    # Wine's own services start with the first program and live as long as the server. Started here,
    # they hold no test's output open.
    wine cmd /c exit </dev/null >/dev/null 2>&1
    echo "Wine session ($arch, $version) on display $DISPLAY in $session"
}

wine_stop() { # <session dir>
    wine_end "$(wine_session "$1")"
}

wine_exec() { # <session dir> <program> [args...]
    local session
    session=$(wine_session "$1")
    [[ -f "$session/env" ]] || { echo "no Wine session in $session: run the Windows tests with ctest --preset win32 (or win64, wow64)" >&2; exit 2; }
    source "$session/env"
    shift
    if [[ "${TOVALSET_WINE_COPY:-0}" == 1 ]]; then
        wine_prefix_copy || exit 2
        trap 'wine_kill "$WINEPREFIX"; wine_prefix_drop' EXIT
        if [[ "${TOVALSET_OWN_DISPLAY:-0}" == 1 ]]; then
            wine_display "$WINEPREFIX" || exit 2
        fi
    fi
    if [[ $1 == *.exe ]]; then
        wine "$@"
    else
        "$@"
    fi
}

# The window comes up at the prefix's display scale; TOVALSET_LOGPIXELS=<dots per inch> sets it first:
# 96 is 100 %, 120 is 125 %, 144 is 150 %, 192 is 200 %.
wine_run() { # <build dir> <arch> [<tour program>]
    local build run
    build=$(realpath "$1")
    run=$(realpath -m "${TOVALSET_RUN_DIR:-$wine_here/../build/run}")
    mkdir -p "$run"
    wine_environment "$run" "$2"
    export WINEPREFIX="$run/prefix-$2"
    cd "$build/bin"
    if [[ -n "${DISPLAY:-}" ]]; then
        [[ -d "$WINEPREFIX" ]] || wine_boot
        [[ -z "${TOVALSET_LOGPIXELS:-}" ]] || wine_prefix_scale "$TOVALSET_LOGPIXELS"
        exec wine TovalSet.exe
    fi
    # The folder is put into the trap now: it runs after this function, when its locals are gone.
    trap "wineserver -k 2>/dev/null; wineserver -w 2>/dev/null; wine_kill $(printf %q "$run")" EXIT
    wine_display "$run"
    # A fresh prefix for each tour, so that what it prints is what this run changed.
    rm -rf "$WINEPREFIX"
    wine_boot
    [[ -z "${TOVALSET_LOGPIXELS:-}" ]] || wine_prefix_scale "$TOVALSET_LOGPIXELS"
    # Wine's help viewer needs a browser engine that is not installed here: a recorder takes its place,
    # so the tour can show how the help button started it. A windowed one, as the viewer is: a console
    # program would get a console window, which takes the foreground and leaves none when it goes.
    cp "$build/tests/win32/record_start_gui.exe" "$WINEPREFIX/drive_c/windows/hh.exe"
    export TOVALSET_RECORD='C:\help-viewer.txt'
    wine cmd /c exit </dev/null >/dev/null 2>&1
    # Into a file, never a pipe: a Wine service that the tour starts inherits its output and outlives it,
    # and a pipe's reader would wait for that service forever.
    local status=0 shot
    rm -f "$run"/*.bmp "$run"/*.png
    wine "${3:-$build/tests/e2e/tour.exe}" 'Z:'"${run//\//\\}"'\TovalSet.bmp' </dev/null >"$run/tour.log" 2>&1 ||
        status=$?
    tr -d '\r' <"$run/tour.log"
    for shot in TovalSet StatusReport; do
        if [[ -f "$run/$shot.bmp" ]]; then
            convert "$run/$shot.bmp" "$run/$shot.png" && echo "screenshot: $run/$shot.png"
        fi
    done
    return $status
}

if [[ "${BASH_SOURCE[0]}" == "$0" ]]; then
    set -euo pipefail
    command=${1:-}
    shift || true
    case "$command" in
        start | stop | exec | run) "wine_$command" "$@" ;;
        *)
            echo "usage: wine.sh start|stop|exec|run ... (see the top of this file)" >&2
            exit 2
            ;;
    esac
fi
