#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test under a private session bus.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

build=build-test
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVARNIX_SANITIZE=ON
cmake --build "$build"

# Private folders, so that tests never touch the user's own settings or services.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export XDG_CONFIG_HOME="$scratch/config" XDG_DATA_HOME="$scratch/data"
export XDG_RUNTIME_DIR="$scratch/runtime" XDG_CACHE_HOME="$scratch/cache"
mkdir -p "$XDG_CONFIG_HOME/dosdevices" "$XDG_DATA_HOME/dbus-1/services" "$XDG_RUNTIME_DIR" "$XDG_CACHE_HOME"
chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

# A short, fixed run of every fuzz target over its seed corpus (docs/fuzzing.md).
scripts/fuzz-smoke.sh

# CTest last, so that its summary closes the output. Every test has a port map of its own
# (the dosdevices folder above), so no port name can fall back to the machine's own
# /dev/ttyS*; the guard fails the run if anything opened one of those all the same.
scripts/device-guard.py -- dbus-run-session -- ctest --test-dir "$build" --output-on-failure -j2 --timeout 300
