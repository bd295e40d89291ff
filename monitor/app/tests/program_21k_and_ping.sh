#!/bin/sh
# Programs an Intel HEX image into the simulated 21k EZ-KIT board, verifies it and
# reads its lockout, then pings the simulated mixing console, all through the varnix
# server as a user's script would: every call goes through varnix-call on the session
# bus, and the bus starts the server.
#
#   program_21k_and_ping.sh VARNIX_CALL EZKIT21K_SIM FADERBOX_SIM WORK_FOLDER
#
# Needs srec_cat, a session bus on which varnix is registered, and XDG_CONFIG_HOME for
# the port map. Prints what the calls print.
set -eu
call=$1
board_sim=$2
console_sim=$3
work=$4

image=$work/dsp.hex
changed=$work/changed.hex
srec_cat -generate 0x10000 0x1012C -repeat-string "Varnix 21k flash " -generate 0x20F0 0x2110 -constant 0x5A -o "$image" -intel
srec_cat -generate 0x10000 0x1012C -repeat-string "Varnix 21k flash " -generate 0x20F0 0x2110 -constant 0x5B -o "$changed" -intel

device=
trap 'if [ -n "$device" ]; then kill $device 2> /dev/null; wait $device 2> /dev/null || true; fi' EXIT

# Starts a simulated device linked as com1 and waits for its line.
start() {
    : > "$work/sim.out"
    "$@" --port com1 > "$work/sim.out" &
    device=$!
    tries=0
    until grep -q "linked as com1" "$work/sim.out" 2> /dev/null; do
        tries=$((tries + 1))
        if [ $tries -gt 300 ]; then
            echo "program_21k_and_ping.sh: $1 did not start" >&2
            exit 4
        fi
        sleep 0.1
    done
}

stop() {
    kill $device
    wait $device || true
    device=
}

start "$board_sim" --lockout 2
"$call" varnix.ezkit21k ErrorMethod=2 "ProgFlash(\"$image\", 0)" "VerifyFlash(\"$image\", 0)" GetLockout ErrorCode

# The board's flash must differ from another image: the verify reads it back.
status=0
"$call" Varnix.EZKIT21K ErrorMethod=2 "VerifyFlash(\"$changed\", 0)" 2> "$work/verify.err" || status=$?
if [ $status -ne 1 ]; then
    echo "program_21k_and_ping.sh: verifying a different image ended with status $status" >&2
    exit 5
fi
cat "$work/verify.err"
stop

# The console answers the first ping and none after it.
start "$console_sim" --values 0xFFFF,42 --fault silence@2
"$call" varnix.faderbox ErrorMethod=2 Ping
status=0
"$call" varnix.faderbox ErrorMethod=2 Ping 2> "$work/ping.err" || status=$?
if [ $status -ne 1 ]; then
    echo "program_21k_and_ping.sh: pinging a silent console ended with status $status" >&2
    exit 6
fi
cat "$work/ping.err"
stop
