#!/usr/bin/env bash
# `make run` without a display, as a new user meets it: the tour must come to its end with every step done,
# return by itself within its bound, and leave nothing of its Wine session running.
#   headless-tour.sh <source dir> <build dir> <win32|win64>
set -uo pipefail

source_dir=$1 build=$2 arch=$3
run=$(realpath -m "$build/headless-tour")
rm -rf "$run"
bound=$((240 * ${TOVALSET_TIME_SCALE:-1}))
env -u DISPLAY -u WINEPREFIX TOVALSET_RUN_DIR="$run" timeout "$bound" \
    "$source_dir/scripts/wine.sh" run "$build" "$arch" >"$run.log" 2>&1 </dev/null
status=$?
cat "$run.log"

failed=0
fail() { echo "FAILED: $*"; failed=1; }
[[ $status -eq 124 ]] && fail "make run did not return within $bound s"
[[ $status -eq 0 ]] || fail "make run ended with exit code $status"
grep -q '^The tour ended: every step came.$' "$run.log" || fail "the tour did not come to its end"
grep -q '^  TovalSet ended with exit code 0$' "$run.log" || fail "TovalSet did not end with exit code 0"
[[ -f "$run/StatusReport.png" ]] || fail "no screenshot of the status report"

# Every process of the session has the tour's prefix in its environment, the display's too.
left() { grep -lsza "^WINEPREFIX=$run/" /proc/[0-9]*/environ | cut -d/ -f3 | tr '\n' ' '; }
ended() { [[ -z "$(left)" ]]; }
for _ in $(seq 50); do ended && break; sleep 0.1; done
ended || fail "processes of the tour's session outlived it: $(left)"
exit $failed
