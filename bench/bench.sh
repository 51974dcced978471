#!/usr/bin/env bash
# Start-up cost of TovalSet against an empty window built with the same flags, and against the same window
# decoding the full 8400 x 3200 background: peak memory (the process's VmHWM) and CPU time (user + system)
# from start to first paint, over alternating runs; beside them, a whole `TovalSet.exe /report <file>` run,
# start to end, in CPU time and time on the clock. Run in a Wine session: scripts/wine.sh exec (make bench).
#   bench.sh <Windows build dir> [runs]
set -euo pipefail
build=$(realpath "$1")
runs=${2:-10}
export WINEPREFIX="$TOVALSET_WINE_ROOT/base"
work=$(mktemp -d "$TOVALSET_WINE_ROOT/bench.XXXXXX")

# measure <exe> <title>: prints "<peak KiB> <CPU ms>"
measure() {
    local exe=$1 title=$2 done="$work/done" pid=""
    rm -f "$done" "$work/driver.out"
    (cd "$build/bin" && exec wine "$exe" >/dev/null 2>&1) &
    local launcher=$!
    wine "$build/bench/bench_driver.exe" "$title" "$(winepath -w "$done")" >"$work/driver.out" 2>/dev/null &
    local driver=$!
    for _ in $(seq 600); do grep -q painted "$work/driver.out" 2>/dev/null && break; sleep 0.05; done
    local name
    name=$(basename "$exe")
    pid=$(pgrep -n -x "${name:0:15}" || true)
    if [[ -z "$pid" ]]; then echo "no process for $name" >&2; exit 1; fi
    local peak cpu
    peak=$(awk '/^VmHWM:/ {print $2}' "/proc/$pid/status")
    # Time on a CPU, in nanoseconds, of all the process's threads: finer than the clock ticks of stat.
    cpu=$(cat /proc/"$pid"/task/*/schedstat 2>/dev/null | awk '{sum += $1} END {printf "%.1f", sum / 1e6}')
    touch "$done"
    wait "$driver" "$launcher" 2>/dev/null || true
    echo "$peak $cpu"
}

# measure_report: prints "<CPU ms> <clock ms>" of one /report run from the exe's folder, as a script runs it.
measure_report() {
    local report times
    report=$(winepath -w "$work/report.txt")
    # bash's own time: the CPU time of the program it waited for, which under Wine is the Windows process.
    times=$( { TIMEFORMAT='%3U %3S %3R'; time (cd "$build/bin" && wine TovalSet.exe /report "$report" \
        >/dev/null 2>&1 || true); } 2>&1)
    [[ -s "$work/report.txt" ]] || { echo "/report wrote no report" >&2; exit 1; }
    rm -f "$work/report.txt"
    awk '{printf "%.1f %.1f\n", ($1 + $2) * 1000, $3 * 1000}' <<<"$times"
}

median() { sort -g | awk '{a[NR] = $1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }

: >"$work/TovalSet" && : >"$work/empty" && : >"$work/full" && : >"$work/report"
for round in $(seq "$runs"); do
    measure "$build/bench/bench_empty.exe" "TovalSet bench empty" >>"$work/empty"
    measure "$build/bin/TovalSet.exe" "Toval Win XP" >>"$work/TovalSet"
    measure "$build/bench/bench_full.exe" "TovalSet bench full" >>"$work/full"
    measure_report >>"$work/report"
    echo "round $round of $runs" >&2
done

printf '%-26s %14s %14s\n' "start to first paint" "peak memory" "CPU time"
for which in empty TovalSet full; do
    peak=$(cut -d' ' -f1 "$work/$which" | median)
    cpu=$(cut -d' ' -f2 "$work/$which" | median)
    eval "peak_$which=$peak cpu_$which=$cpu"
    printf '%-26s %10.1f MiB %11s ms\n' "$which window" "$(echo "$peak / 1024" | bc -l)" "$cpu"
done
ratio() { echo "scale=2; $1 / $2" | bc -l; }
echo "median of $runs alternating runs each; ratios against the empty window:"
echo "  TovalSet: peak memory $(ratio "$peak_TovalSet" "$peak_empty")x, CPU time $(ratio "$cpu_TovalSet" "$cpu_empty")x"
echo "  full decode: peak memory $(ratio "$peak_full" "$peak_empty")x, CPU time $(ratio "$cpu_full" "$cpu_empty")x"
cpu_report=$(cut -d' ' -f1 "$work/report" | median)
clock_report=$(cut -d' ' -f2 "$work/report" | median)
printf '%-26s %14s %11s ms (%s ms on the clock)\n' "TovalSet /report, whole" "" "$cpu_report" "$clock_report"
echo "  /report: CPU time $(ratio "$cpu_report" "$cpu_TovalSet")x the window's start-up, $(ratio "$cpu_report" "$cpu_empty")x the empty window's"
rm -rf "$work"
