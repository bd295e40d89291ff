#!/usr/bin/env bash
# Writes the seed corpus of every fuzz target into fuzz/corpus/, from the
# project's own tools and srec_cat. Run it after a change of a target's input
# layout, with the fuzz build folder (configured as docs/fuzzing.md says):
#   fuzz/make-seeds.sh build-fuzz
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: fuzz/make-seeds.sh BUILD_FOLDER}
corpus=fuzz/corpus

cmake --build "$build" --target make_fuzz_seeds dspq47-cli fuzz
rm -rf "$corpus"
mkdir -p "$corpus"/{srecord_image_fuzzer,hex_image_fuzzer,program_image_fuzzer,q47_file_fuzzer,invoke_args_fuzzer}

# Replies of the simulated devices to the board classes' requests: each board's
# reply target writes its own. Then the unit's configuration stream and ser2net's
# sessions.
for target in "$build"/fuzz/*_reply_fuzzer; do
  "$target" -write_seeds="$corpus"
done
"$build"/fuzz/make_fuzz_seeds "$corpus"

# S-record files as the DSP tools write them (S0, S2, S8), one crossing a page.
srec=(-o - -motorola -address-length=3 -disable=data-count -execution-start-address=0)
srec_cat -generate 0 0x40 -repeat-string "VARNIX" "${srec[@]}" > "$corpus"/srecord_image_fuzzer/small.s
srec_cat -generate 0xF0 0x130 -constant 0xA5 -generate 0x2000 0x2008 -constant 0 "${srec[@]}" \
  > "$corpus"/srecord_image_fuzzer/two-pages.s
srec_cat -generate 0 0x20 -constant 0x11 -o - -motorola > "$corpus"/srecord_image_fuzzer/s1-records.s

# Intel HEX with extended linear (04) and extended segment (02) address records.
srec_cat -generate 0 0x20 -repeat-string "21k" -generate 0x10000 0x10020 -constant 0x5A -o - -intel \
  > "$corpus"/hex_image_fuzzer/linear.hex
srec_cat -generate 0x10000 0x10030 -constant 0x3C -o - -intel -address-length=3 \
  > "$corpus"/hex_image_fuzzer/segment.hex

# An ADSP-21xx executable image: a program memory section from 0 and a data memory section.
printf '\033\033i\r\n@PA\r\n0000\r\n0A001F\r\n123456\r\n#123ABC\r\n@DA\r\n0010\r\n0001\r\nFFFF\r\n#\r\n\033\033o\r\n' \
  > "$corpus"/program_image_fuzzer/two-sections.exe

# The configurator's defaults as a .Q47 file.
"$build"/configurator/dspq47-cli --defaults "$corpus"/q47_file_fuzzer/defaults.Q47

# Invoke calls in the input layout of invoke_args_fuzzer.cpp and WireArgumentWriter:
# Echo(VT_I4 42); Echo(VT_I4 array, 3 elements); Echo(VT_VARIANT array of a text
# and a VT_I4); the Value property put; arrays whose bounds promise far more than they hold.
printf '\x01\x00\x01\x03\x00\x2a\x00\x00\x00' > "$corpus"/invoke_args_fuzzer/echo-i4
printf '\x01\x00\x01\x6f\x00\x01\x03\x00\x00\x00\x00\x03\x01\x00\x00\x00\x02\x00\x00\x00\x03\x00\x00\x00' \
  > "$corpus"/invoke_args_fuzzer/echo-i4-array
printf '\x01\x00\x01\x60\x00\x01\x02\x00\x00\x00\x00\x02\x08\x00\x03abc\x03\x00\x07\x00\x00\x00' \
  > "$corpus"/invoke_args_fuzzer/echo-variant-array
printf '\x03\x03\x01\x03\x00\x05\x00\x00\x00' > "$corpus"/invoke_args_fuzzer/put-value
# Arrays of variants nested six deep, each declaring 4194304 elements and holding one.
level='\x60\x00\x01\xf0\x00\x00\x40\x00\x00\x00\x00\x00\x01'
tail='\x03\x00\x01\x00\x00\x00'
printf "\x01\x00\x01$level$level$level$level$level$level$tail$tail$tail" > "$corpus"/invoke_args_fuzzer/nested-promises

echo "fuzz seeds: $(find "$corpus" -type f | wc -l) files in $corpus"
