#!/usr/bin/env bash
# Builds every benchmark in a Release folder, runs them one after another and prints one
# table: each figure beside its reference measured in the same run, and their ratio
# (docs/benchmarks.md).
#
#   scripts/bench.sh [--kib N] [--full] [--build DIR]
#
# --kib N    size of the image the paced 2181 boards run program and verify (default 32)
# --full     the 2181 image at 256 KiB (about three minutes on its own)
# --build    the build folder (default build-bench)
set -euo pipefail
cd "$(dirname "$0")/.."

kib=32
build=build-bench
while [ $# -gt 0 ]; do
  case "$1" in
    --kib) kib="$2"; shift 2 ;;
    --full) kib=256; shift ;;
    --build) build="$2"; shift 2 ;;
    *) echo "usage: scripts/bench.sh [--kib N] [--full] [--build DIR]" >&2; exit 2 ;;
  esac
done

programs=(bench_srecord bench_serial_port bench_ez2181 bench_ez2181_sim bench_ezkit21k
          bench_fourwire_link bench_automation_dbus bench_dspq47_transfer bench_several_boards bench_station)

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVARNIX_TESTS=OFF > /dev/null
cmake --build "$build" --target "${programs[@]}" > /dev/null

# Private folders: the benchmarks link ports and register classes of their own.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export XDG_CONFIG_HOME="$scratch/config" XDG_DATA_HOME="$scratch/data"
export XDG_RUNTIME_DIR="$scratch/runtime" XDG_CACHE_HOME="$scratch/cache"
mkdir -p "$XDG_CONFIG_HOME/dosdevices" "$XDG_DATA_HOME/dbus-1/services" "$XDG_RUNTIME_DIR" "$XDG_CACHE_HOME"
chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=offscreen

results="$scratch/results"
: > "$results"
failed=0
for program in "${programs[@]}"; do
  args=()
  case "$program" in
    bench_ez2181 | bench_several_boards | bench_station) args=("$kib") ;;
  esac
  echo "== $program ${args[*]:-}" >&2
  log="$scratch/$program.log"
  if "$build/bench/$program" "${args[@]}" > "$log" 2>&1; then
    grep '^RESULT ' "$log" >> "$results" || true
  else
    echo "$program failed:" >&2
    tail -n 20 "$log" >&2
    failed=1
  fi
done

awk '
  BEGIN {
    printf "%-34s %14s %-9s  %-14s %14s  %8s\n", "figure", "value", "unit", "reference", "ref. value", "ratio"
  }
  $1 == "RESULT" {
    printf "%-34s %14s %-9s  %-14s %14s  %8s\n", $2, $3, $4, $5, $6, $7
  }' "$results"
exit "$failed"
