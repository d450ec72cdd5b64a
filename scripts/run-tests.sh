#!/bin/sh
# Installs what is missing, builds, and runs the whole test suite headless:
# once as a normal build, once under AddressSanitizer + UndefinedBehaviorSanitizer.
# Set PELLUX_SKIP_SANITIZE=1 to run only the first pass. Then the readers are fuzzed for
# a bounded time (scripts/run-fuzz.sh; PELLUX_SKIP_FUZZ=1 skips it).
. "$(dirname "$0")/common.sh"

install_missing
export QT_QPA_PLATFORM=offscreen

echo "== Build and test (RelWithDebInfo)"
configure_and_build "$ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELLUX_WERROR=ON
(cd "$ROOT/build" && ctest --output-on-failure -j "$JOBS")

if [ "${PELLUX_SKIP_SANITIZE:-0}" != "1" ]; then
    echo "== Build and test (AddressSanitizer + UndefinedBehaviorSanitizer)"
    configure_and_build "$ROOT/build-asan" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" \
        -DPELLUX_SANITIZE=ON -DPELLUX_BENCH=OFF -DPELLUX_WERROR=ON
    (cd "$ROOT/build-asan" && ctest --output-on-failure -j "$JOBS")
fi
if [ "${PELLUX_SKIP_FUZZ:-0}" != "1" ]; then
    echo "== Fuzzing the readers (${FUZZ_SECONDS:-30} s each)"
    "$ROOT/scripts/run-fuzz.sh"
fi
echo "All tests passed."
