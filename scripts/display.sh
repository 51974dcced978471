# Sourced by the scripts that need a display of their own: Xvfb on a free display number, with the fvwm
# window manager (without one, every window that closes stalls for about two seconds).
#   start_display <folder for the display number file>; sets DISPLAY and appends to the pids array.

start_display() {
    local display_file="$1/xvfb.display"
    mkdir -p "$1"
    : >"$display_file"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do [[ -s "$display_file" ]] && break; sleep 0.1; done
    [[ -s "$display_file" ]] || { echo "Xvfb did not start" >&2; return 1; }
    export DISPLAY=":$(tr -d '[:space:]' <"$display_file")"
    fvwm -f "$(dirname "${BASH_SOURCE[0]}")/fvwm.config" >/dev/null 2>&1 &
    pids+=($!)
}
