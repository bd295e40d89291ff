#!/bin/sh
# Makes demo.bnm, the sample DSP program file of scripts/demo.sh: an S-record
# file with 24-bit addresses (S0, S2 and S8 records), as the upgrade utility
# programs into the 2181 board's flash. Its contents are made up: a text block
# at 0x000000 and a pattern block at 0x000400, so that the file covers two
# flash pages apart from each other.
#
#   upgrade/samples/make-demo-bnm.sh [OUTPUT]      (default: beside this script)
set -eu
out=${1:-$(dirname "$0")/demo.bnm}
srec_cat \
    -generate 0x000000 0x000100 -repeat-string "Pellori demo program for the 2181 EZ-KIT board. " \
    -generate 0x000400 0x000A00 -repeat-data 0x00 0x11 0x22 0x33 0x44 0x55 0x66 0x77 0x88 0x99 0xAA 0xBB 0xCC 0xDD 0xEE 0xFF \
    -header "Pellori demo" \
    -o "$out" -motorola -address-length=3 -disable=data-count -execution-start-address=0
