#!/usr/bin/env bash
# Builds the fuzzers of everything that reads outside input with clang in build/fuzz, and runs each for a
# bounded time, one after the other, starting from a fresh copy of its committed seeds
# (tests/fuzz/corpus/<fuzzer>) so that what it finds never lands there: the registry reader, the build
# number, the program a command line names, and the certificate manager stand-in's command line and PEM
# reader. A finding (crash, sanitizer report, broken promise, leak, running out of memory or time) makes
# libFuzzer exit non-zero and leave the input in build/fuzz (crash-*, leak-*, oom-*, timeout-*); rerun
# build/fuzz/tests/fuzz/<fuzzer>_fuzz on that file alone to see it again.
#   fuzz.sh [libFuzzer options...]
#   TOVALSET_FUZZ_SECONDS: how long the registry reader runs (30 by default); the smaller readers, whose
#   every branch is reached within a second, each run a fifth of that.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/fuzz"
seconds=${TOVALSET_FUZZ_SECONDS:-30}
short=$(((seconds + 4) / 5))

cmake -S "$root" -B "$build" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTOVALSET_FUZZ=ON >/dev/null
cmake --build "$build" -j 2 >/dev/null

run() { # <fuzzer> <seconds> [libFuzzer options...]
    local name=$1 time=$2
    shift 2
    local corpus="$build/corpus/$name" log="$build/$name.log" status=0
    rm -rf "$corpus"
    mkdir -p "$build/corpus"
    cp -r "$root/tests/fuzz/corpus/$name" "$corpus"
    "$build/tests/fuzz/${name}_fuzz" -max_total_time="$time" -print_final_stats=1 -artifact_prefix="$build/" \
        "$@" "$corpus" >"$log" 2>&1 || status=$?
    if [[ $status -ne 0 ]]; then
        tail -n 40 "$log" >&2
        local input
        input=$(sed -n 's/.*Test unit written to //p' "$log" | tail -n 1)
        echo "fuzz: $name FAILED (exit $status): input ${input:-not written}, report $log" >&2
        return "$status"
    fi
    local runs coverage
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    coverage=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -n 1)
    echo "fuzz: $name passed: $runs runs in $time s, $coverage, no finding"
}

status=0
run registry_reader "$seconds" "$@" || status=$?
for name in build_number program_file certmgr_arguments certmgr_pem; do
    run "$name" "$short" "$@" || status=$?
done
exit "$status"
