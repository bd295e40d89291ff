#!/usr/bin/env bash
# Builds the fuzz targets with clang in their own build folder and gives each
# a short, fixed run over its seed corpus in fuzz/corpus/, so that a change
# that makes a reader crash, leak or trip a sanitizer fails the test command.
# New inputs go to a temporary folder, never into the repository.
# docs/fuzzing.md describes the targets and the longer runs.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${VARNIX_FUZZ_BUILD:-build-fuzz-test}
runs=${VARNIX_FUZZ_RUNS:-20000}
seconds=${VARNIX_FUZZ_SECONDS:-3}

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DVARNIX_TESTS=OFF -DVARNIX_FUZZ=ON \
  -DCMAKE_CXX_FLAGS="-O1 -gline-tables-only" > /dev/null
cmake --build "$build" --target fuzz

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=()
targets=$(cd fuzz/corpus && ls)
for target in $targets; do
  mkdir -p "$work/$target"
  command=("$build/fuzz/$target" -runs="$runs" -max_total_time="$seconds" -seed=1 -timeout=25
           -rss_limit_mb=1024 -print_final_stats=1 "$work/$target" "fuzz/corpus/$target")
  # The Invoke target talks to itself over a session bus of its own.
  [ "$target" = invoke_args_fuzzer ] && command=(dbus-run-session -- "${command[@]}")
  if "${command[@]}" > "$work/$target.log" 2>&1; then
    echo "fuzz smoke: $target passed ($(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$target.log") runs)"
  else
    tail -n 40 "$work/$target.log"
    echo "fuzz smoke: $target FAILED: a crash, leak or sanitizer report (log above)"
    failed+=("$target")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz smoke FAILED: ${failed[*]}"
  exit 1
fi
echo "fuzz smoke: all $(echo "$targets" | wc -w) targets passed"
