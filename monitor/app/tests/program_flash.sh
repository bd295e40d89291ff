#!/bin/sh
# Programs a flash image into the simulated 2181 board and verifies it through
# the varnix server, as a user's script would: every call goes through
# varnix-call on the session bus, and the bus starts the server.
#
#   program_flash.sh VARNIX_CALL EZ2181_SIM WORK_FOLDER
#
# Needs srec_cat, a session bus on which varnix is registered, and
# XDG_CONFIG_HOME for the port map. Prints what the calls print.
set -eu
call=$1
sim=$2
work=$3

image=$work/dsp.bnm
changed=$work/changed.bnm
srecord="-o - -motorola -address-length=3 -disable=data-count -execution-start-address=0"
# shellcheck disable=SC2086
srec_cat -generate 0x0000 0x012C -repeat-string "Varnix flash " -generate 0x1010 0x1074 -constant 0x5A $srecord > "$image"
# shellcheck disable=SC2086
srec_cat -generate 0x0000 0x012C -repeat-string "Varnix flash " -generate 0x1010 0x1074 -constant 0x5B $srecord > "$changed"

# The board on a pseudo-terminal linked as com1, until this script ends.
"$sim" com1 > "$work/sim.out" &
board=$!
trap 'kill $board 2> /dev/null; wait $board 2> /dev/null || true' EXIT
tries=0
until grep -q "linked as com1" "$work/sim.out" 2> /dev/null; do
    tries=$((tries + 1))
    if [ $tries -gt 300 ]; then
        echo "program_flash.sh: the simulated board did not start" >&2
        exit 4
    fi
    sleep 0.1
done

"$call" varnix.ez2181 ErrorMethod=2 'SetBaud(38400)' "ProgFlash($image)" "VerifyFlash($image)" ErrorCode

# The board's flash must differ from another image: the verify reads it back.
status=0
"$call" Varnix.EZ2181 ErrorMethod=2 "VerifyFlash($changed)" 2> "$work/verify.err" || status=$?
if [ $status -ne 1 ]; then
    echo "program_flash.sh: verifying a different image ended with status $status" >&2
    exit 5
fi
cat "$work/verify.err"
