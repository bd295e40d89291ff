#!/usr/bin/env bash
# Runs the automation server's start-and-end sequences and several clients at
# the same time, with every core kept busy, for a given number of minutes, and
# reports every client run that went over its bound or failed.
#
#   scripts/stress.sh [MINUTES] [BUILD_FOLDER]      (defaults: 30, build-test)
#
# Each client run creates a board object (the bus starts a server when none
# runs), calls it and releases it; the server ends with its last object, so
# runs that follow each other hand the bus name from an ending server to a
# new one. Clients:
#   - varnix-call, one short call, back to back (a fresh server nearly every run);
#   - pellori --batch, program then verify the sample, twice in a row, on com2;
#   - pellori --batch, verify the sample on com3, while the others run.
# Everything runs on a private session bus with a private port map; the two
# simulated boards are linked there as com2 and com3. No client uses com1: a
# new board object opens com1, its default port, until its Port is set, so a
# client on com1 would find it busy now and then while others start.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

minutes=${1:-30}
build=$(cd "${2:-build-test}" && pwd)

if [ "${STRESS_INSIDE:-}" != 1 ]; then
    STRESS_INSIDE=1 exec scripts/private-session.sh "$0" "$minutes" "$build"
fi

# A client run's bound: a call fails after 60 s without an answer or progress;
# a whole run makes a few such calls, and creation waits 60 s at most.
bound_call=75
bound_batch=150

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2> /dev/null || true; done
    wait 2> /dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"
"$build/monitor/app/varnix" -Register > /dev/null
cp upgrade/samples/demo.bnm "$work/"

for port in com2 com3; do
    "$build/simulators/ez2181/ez2181-sim" --port "$port" > "$work/$port.sim" 2>&1 &
    pids+=($!)
done
for _ in $(seq 100); do
    [ -e "$XDG_CONFIG_HOME/dosdevices/com2" ] && [ -e "$XDG_CONFIG_HOME/dosdevices/com3" ] && break
    sleep 0.1
done

# The board on com3 is only verified by its client: it is given the image first.
if ! "$build/upgrade/pellori" --batch --port com3 --program "$work/demo.bnm" > "$work/setup.out" 2>&1; then
    cat "$work/setup.out" >&2
    exit 1
fi

for _ in $(seq "$(nproc)"); do
    (while :; do :; done) &
    pids+=($!)
done

end=$((SECONDS + minutes * 60))
log="$work/runs"
: > "$log"

# Runs a command until the time is up; one line per run: name, seconds, exit status.
client() {
    local name=$1 bound=$2
    shift 2
    while [ $SECONDS -lt $end ]; do
        local start=$EPOCHREALTIME status=0
        timeout --signal=KILL $((bound * 2)) "$@" > "$work/$name.out" 2>&1 || status=$?
        local took
        took=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.3f", b - a }')
        echo "$name $took $status $bound" >> "$log"
        if [ "$status" -ne 0 ]; then cp "$work/$name.out" "$work/$name.failed.$SECONDS"; fi
    done
}

pellori="$build/upgrade/pellori"
clients=()
client varnix-call $bound_call "$build/automation/varnix-call" varnix.Ez2181 'Port=com3' 'ErrorMethod' &
clients+=($!)
client batch-twice $bound_batch sh -c "'$pellori' --batch --port com2 --program '$work/demo.bnm' --verify '$work/demo.bnm' &&
    '$pellori' --batch --port com2 --verify '$work/demo.bnm'" &
clients+=($!)
client batch-verify $bound_batch "$pellori" --batch --port com3 --verify "$work/demo.bnm" &
clients+=($!)

echo "stress: $minutes min, $(nproc) busy loops, clients: varnix-call, pellori --batch twice on com2, pellori --batch on com3"
# Each client ends its last run after the time is up.
for pid in "${clients[@]}"; do wait "$pid" || true; done

echo
printf '%-14s %6s %7s %9s %9s %10s\n' client runs failed "max (s)" "mean (s)" "over bound"
awk '{ n[$1]++; s[$1] += $2; if ($2 > m[$1]) m[$1] = $2; if ($3 != 0) f[$1]++; if ($2 > $4) o[$1]++ }
     END { for (c in n) printf "%-14s %6d %7d %9.2f %9.2f %10d\n", c, n[c], f[c], m[c], s[c] / n[c], o[c] }' "$log" | sort
over=$(awk '$2 > $4' "$log" | wc -l)
failed=$(awk '$3 != 0' "$log" | wc -l)
for f in "$work"/*.failed.*; do
    [ -e "$f" ] || continue
    echo "--- $(basename "$f")"
    tail -5 "$f"
done
if [ "$over" -ne 0 ] || [ "$failed" -ne 0 ]; then
    echo "stress: $over runs over their bound, $failed failed"
    exit 1
fi
echo "stress: no run over its bound, none failed"
