#!/usr/bin/env bash
# The main job on a simulated device: installs what is missing, builds the
# programs, registers the varnix server in private folders, starts the
# simulated ADSP-2181 EZ-KIT board as com1, runs varnix-doctor, and lets pellori's batch mode
# program and verify a sample .bnm file into the board's flash through varnix.
#
#   scripts/demo.sh
#
# Everything runs in a scratch folder of its own (configuration, service files,
# port map) on a private session bus, so nothing of the user's is touched.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

if [ "${1:-}" != "--on-private-bus" ]; then
    scripts/install-deps.sh

    build=build-demo
    echo "== Building varnix, pellori, varnix-doctor and the simulated board in $build"
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVARNIX_SANITIZE=OFF > /dev/null
    cmake --build "$build" --target varnix pellori varnix-doctor ez2181-sim

    scratch=$(mktemp -d)
    trap 'rm -rf "$scratch"' EXIT
    export XDG_CONFIG_HOME="$scratch/config" XDG_DATA_HOME="$scratch/data"
    export XDG_RUNTIME_DIR="$scratch/runtime" XDG_CACHE_HOME="$scratch/cache"
    mkdir -p "$XDG_CONFIG_HOME/dosdevices" "$XDG_DATA_HOME/dbus-1/services" "$XDG_RUNTIME_DIR" "$XDG_CACHE_HOME"
    chmod 700 "$XDG_RUNTIME_DIR"

    # Started by hand, varnix writes its registration (classes root and the
    # service files the bus starts it by) and shows its window; here on the
    # offscreen platform, and stopped once the registration is there. This
    # happens before the bus starts, so that the bus finds the service files.
    echo "== Registering varnix"
    QT_QPA_PLATFORM=offscreen DBUS_SESSION_BUS_ADDRESS= "$build/monitor/app/varnix" > "$scratch/varnix.out" 2>&1 &
    varnix=$!
    classes="$XDG_CONFIG_HOME/automation/classes-root.ini"
    registered() {
        local clsid token
        clsid=$(sed -n 's/^Varnix\.Ez2181%5CCLSID=//p' "$classes" 2> /dev/null)
        [ -n "$clsid" ] || return 1
        token=C$(echo "$clsid" | tr -d '{}' | tr 'a-f-' 'A-F_')
        [ -f "$XDG_DATA_HOME/dbus-1/services/org.varnix.Automation.Class.$token.service" ]
    }
    for _ in $(seq 300); do
        registered && break
        sleep 0.1
    done
    kill "$varnix" 2> /dev/null || true
    wait "$varnix" 2> /dev/null || true
    if ! registered; then
        echo "demo: varnix did not register itself:" >&2
        cat "$scratch/varnix.out" >&2
        exit 1
    fi
    echo "Varnix.Ez2181 registered in $classes"

    echo "== Starting a private session bus"
    status=0
    # The bus's own notes on activation are left out.
    DEMO_BUILD="$root/$build" DEMO_SCRATCH="$scratch" dbus-run-session -- "$0" --on-private-bus \
        2> >(grep --line-buffered -v '^dbus-daemon\[' >&2) || status=$?
    exit $status
fi

# On the private bus from here on.
build=$DEMO_BUILD
scratch=$DEMO_SCRATCH
sample=$root/upgrade/samples/demo.bnm
baud=38400

echo "== Starting the simulated 2181 board as com1 ($baud baud, switched on at start)"
"$build/simulators/ez2181/ez2181-sim" --baud "$baud" --strict-rate --power-up-every 500 com1 > "$scratch/sim.out" 2>&1 &
board=$!
trap 'kill $board 2> /dev/null; wait $board 2> /dev/null || true' EXIT
for _ in $(seq 300); do
    grep -q "linked as com1" "$scratch/sim.out" 2> /dev/null && break
    sleep 0.1
done
cat "$scratch/sim.out"

# What a user runs first on a new machine: the bus, the registration and a real
# start of the server, the port map with the board's line, and what could grab it.
echo "== varnix-doctor"
status=0
"$build/doctor/varnix-doctor" || status=$?
if [ $status -ne 0 ]; then
    echo "== varnix-doctor found a problem on this machine (exit status $status); the simulated board does not need what it names, so the demo goes on"
fi

echo "== pellori --batch --baud $baud --power-on --program $sample --verify $sample"
status=0
"$build/upgrade/pellori" --batch --baud "$baud" --power-on --program "$sample" --verify "$sample" 2>&1 || status=$?
if [ $status -ne 0 ]; then
    echo "== pellori failed with exit status $status (see pellori --help)"
    exit $status
fi
echo "== The sample program is in the board's flash and verified (exit status 0)"

# Verification reads the flash back: a copy of the sample with one byte changed must fail.
changed=$scratch/changed.bnm
srec_cat "$sample" -exclude 0x000410 0x000411 -generate 0x000410 0x000411 -constant 0x5A \
    -o "$changed" -motorola -address-length=3 -disable=data-count -execution-start-address=0
echo "== pellori --batch --baud $baud --verify $changed   (one byte differs)"
status=0
"$build/upgrade/pellori" --batch --baud "$baud" --verify "$changed" 2>&1 || status=$?
if [ $status -ne 3 ]; then
    echo "== verifying a changed copy ended with exit status $status instead of 3" >&2
    exit 1
fi
echo "== As it should, verifying the changed copy failed (exit status 3)"
echo "== Stopping the simulated board"
