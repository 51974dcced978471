#!/usr/bin/env bash
# `make repeat`: the end-to-end tests of one Windows test preset, N times in a row, each run in a fresh
# Wine session (its own ctest, whose fixture makes the session and ends it), to see a flake before it lands.
#
#   repeat.sh <runs> <win32|wow64|win64>
#
# A run passes when ctest does and it left no file named "TovalSet report*" in the home (a test that saves
# the report to a Desktop that is the home's link would). Each run's output goes to
# build/<tree>/repeat/run-<n>.log; the last line says how many passed and how long they took. The 32-bit
# presets run on the emulated machine where this kernel runs no 32-bit code, one machine for each run, so
# that nothing of one run is left for the next. Exit code 0 when every run passed.
set -euo pipefail

here=$(dirname "$(realpath "${BASH_SOURCE[0]}")")
runs=${1:-10}
preset=${2:-win32}
[[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "usage: repeat.sh <runs> <win32|wow64|win64>" >&2; exit 2; }
case $preset in
    win32 | wow64) tree=win32 ;;
    win64) tree=win64 ;;
    *) echo "repeat.sh: no Windows test preset $preset (win32, wow64 or win64)" >&2; exit 2 ;;
esac
emulated=()
if [[ $tree == win32 ]] && ! "$here/kernel-runs-i386.sh"; then
    emulated=("$here/run-emulated.sh")
fi

cd "$here/.."
logs=build/$tree/repeat

# One run, where the tests run (on the emulated machine, whose home is gone with it, the home is looked at
# there): ctest, then the reports that appeared in the home since the run's mark.
if [[ ${3:-} == --run ]]; then
    status=0
    ctest --preset "$preset" -R '^e2e_' || status=$?
    left=$(find "$HOME" -maxdepth 1 -name 'TovalSet report*' -newer "$logs/mark" 2>/dev/null || true)
    if [[ -n $left ]]; then
        echo "left in the home: $left"
        [[ $status != 0 ]] || status=3
    fi
    exit $status
fi

rm -rf "$logs"
mkdir -p "$logs"
passed=0
began=$(date +%s)
for ((run = 1; run <= runs; run++)); do
    : >"$logs/mark"
    started=$(date +%s)
    status=0
    "${emulated[@]}" "$here/repeat.sh" "$runs" "$preset" --run >"$logs/run-$run.log" 2>&1 || status=$?
    seconds=$(($(date +%s) - started))
    if [[ $status == 0 ]]; then
        passed=$((passed + 1))
        echo "run $run of $runs: passed ($seconds s)"
    else
        echo "run $run of $runs: FAILED ($seconds s, exit code $status; $logs/run-$run.log)"
        grep -E '\*\*\*Failed|\*\*\*Timeout|exception|Failure|left in the home' "$logs/run-$run.log" |
            head -n 20 || true
    fi
done
total=$(($(date +%s) - began))
printf '%d of %d runs of the %s end-to-end tests passed, in %d m %02d s (%d s a run)\n' "$passed" "$runs" \
    "$preset" $((total / 60)) $((total % 60)) $((total / runs))
[[ $passed == "$runs" ]]
