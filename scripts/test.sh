#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test under a private session bus.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

# The sources stay as .clang-format lays them out; a stray line fails here, before the build.
scripts/check-format.sh

build=build-test
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVARNIX_SANITIZE=ON
cmake --build "$build"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

# A short, fixed run of every fuzz target over its seed corpus (docs/fuzzing.md),
# then CTest last, so that its summary closes the output; both in private folders
# on a session bus of their own. Every test has a port map of its own (the empty
# dosdevices folder private-session.sh makes), so no port name can fall back to the
# machine's own /dev/ttyS*; the guard fails the run if anything opened one of those
# all the same.
scripts/private-session.sh scripts/device-guard.py -- \
    bash -c "scripts/fuzz-smoke.sh && ctest --test-dir '$build' --output-on-failure -j2 --timeout 300"
