#!/bin/sh
# Makes demo.hex, the Intel HEX sample of the docs: what a 21k EZ-KIT board (or any
# board that takes Intel HEX) programs into its flash. Its contents are made up, as
# demo.bnm's are: a text block at 0x000000 and a pattern block at 0x000400, so that the
# file covers two flash pages apart from each other.
#
#   upgrade/samples/make-demo-hex.sh [OUTPUT]      (default: beside this script)
set -eu
out=${1:-$(dirname "$0")/demo.hex}
srec_cat \
    -generate 0x000000 0x000100 -repeat-string "Demo program for the 21k EZ-KIT board. " \
    -generate 0x000400 0x000600 -repeat-data 0x10 0x32 0x54 0x76 0x98 0xBA 0xDC 0xFE \
    -o "$out" -intel
