#!/usr/bin/env bash
# Builds the registry reader's fuzzer with clang in build/fuzz and runs it for a bounded time, starting from
# a fresh copy of the committed seeds so that what it finds never lands in tests/fuzz/corpus. A finding
# (crash, sanitizer report, broken promise, leak, running out of memory or time) makes libFuzzer exit
# non-zero and leave the input in build/fuzz (crash-*, leak-*, oom-*, timeout-*); rerun
# build/fuzz/tests/fuzz/registry_reader_fuzz on that file alone to see it again.
#   fuzz.sh [libFuzzer options...]     TOVALSET_FUZZ_SECONDS: how long to run (30 by default)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/fuzz"
seconds=${TOVALSET_FUZZ_SECONDS:-30}

cmake -S "$root" -B "$build" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTOVALSET_FUZZ=ON >/dev/null
cmake --build "$build" -j 2 >/dev/null
fuzzer="$build/tests/fuzz/registry_reader_fuzz"

corpus="$build/corpus"
rm -rf "$corpus"
cp -r "$root/tests/fuzz/corpus" "$corpus"

log="$build/fuzz.log"
status=0
"$fuzzer" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$build/" "$@" "$corpus" \
    >"$log" 2>&1 || status=$?
if [[ $status -ne 0 ]]; then
    tail -n 40 "$log" >&2
    input=$(sed -n 's/.*Test unit written to //p' "$log" | tail -n 1)
    echo "fuzz: registry reader FAILED (exit $status): input ${input:-not written}, report $log" >&2
    exit "$status"
fi
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
coverage=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -n 1)
echo "fuzz: registry reader passed: $runs runs in ${seconds} s, $coverage, no finding"
