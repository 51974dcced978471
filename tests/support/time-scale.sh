# shellcheck shell=bash
# The test scripts' side of tests/support/Bound.h: every bound a script waits with goes through `bound`,
# which stretches it by TOVALSET_TIME_SCALE (a whole number, 1 when unset) for a machine that runs that
# many times slower than a native one. Sourced by tests/win32/zones.sh and tests/win32/certificates.sh.

# bound <n>: n (seconds or milliseconds, whichever the caller counts in) times the scale.
bound() {
    local scale=${TOVALSET_TIME_SCALE:-1}
    if [[ ! $scale =~ ^[1-9][0-9]*$ ]] || ((scale > 1000)); then
        echo "TOVALSET_TIME_SCALE must be a whole number from 1 to 1000, not \"$scale\"" >&2
        exit 2
    fi
    echo $(($1 * scale))
}

# wait_for <seconds> <command> [args...]: runs the command every tenth of a second until it succeeds, for at
# most the bound of that many seconds; fails when the bound runs out, so that the caller can say what did
# not happen.
wait_for() {
    local deadline
    deadline=$(($(date +%s%N) / 1000000 + $(bound "$1") * 1000))
    shift
    until "$@"; do
        (($(date +%s%N) / 1000000 < deadline)) || return 1
        sleep 0.1
    done
}

# A setting that is no whole number stops the script here, before any bound is taken from it.
bound 1 >/dev/null
