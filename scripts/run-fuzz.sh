#!/bin/sh
# Builds the readers' libFuzzer targets in a clang tree of their own (build-fuzz) and
# runs each for a bounded time from the seeds in tests/fixtures. Fails on any crash,
# hang (an input taking over 10 s), leak or out-of-memory; what was found is left in
# build-fuzz/findings/<target>/ (make it a fixture of the ordinary tests).
# FUZZ_SECONDS (default 30) is the time per target; FUZZ_TARGETS picks targets.
. "$(dirname "$0")/common.sh"

install_missing
SECONDS_EACH=${FUZZ_SECONDS:-30}
OUT="$ROOT/build-fuzz"
FIX="$ROOT/tests/fixtures"
TARGETS=${FUZZ_TARGETS:-"fuzz_store fuzz_notefile fuzz_recordstore fuzz_legacydat fuzz_channel fuzz_settings"}

cmake -S "$ROOT" -B "$OUT" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DPELLUX_FUZZ=ON -DPELLUX_TESTS=OFF -DPELLUX_BENCH=OFF >/dev/null
# shellcheck disable=SC2086
cmake --build "$OUT" -j "$JOBS" --target $TARGETS

seeds() {
    case $1 in
    fuzz_store) echo "$FIX/store $FIX/textnotes $FIX/checklists" ;;
    fuzz_notefile) echo "$FIX/notefile" ;;
    fuzz_recordstore) echo "$FIX/notefile" ;;
    fuzz_legacydat) echo "$FIX/notefile" ;;
    fuzz_channel) echo "$FIX/channel" ;;
    fuzz_settings) echo "$FIX/settings" ;;
    esac
}

failed=""
for t in $TARGETS; do
    corpus="$OUT/corpus/$t"
    findings="$OUT/findings/$t"
    mkdir -p "$corpus" "$findings"
    log="$OUT/$t.log"
    echo "== $t ($SECONDS_EACH s)"
    # shellcheck disable=SC2046
    if ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 \
        UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        "$OUT/bin/$t" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
            -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" $(seeds "$t") >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
        echo "   ${runs:-?} executions, nothing found"
    else
        echo "   FAILED: see $log and $findings"
        tail -n 40 "$log"
        failed="$failed $t"
    fi
done
if [ -n "$failed" ]; then
    echo "Fuzzing found faults in:$failed"
    exit 1
fi
echo "Fuzzing found nothing."
