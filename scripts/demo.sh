#!/usr/bin/env bash
# Builds the toolchain, assembles the two modules of the bundled example (the main module with
# a listing and cross-reference), shows both object files record by record, then links them
# into an image with a map and an Intel HEX file.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/prerequisites.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DKZ_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)"
mkdir -p build/examples
cd build/examples
cp ../../examples/main.asm ../../examples/delay.asm .
bin=../bin
heading() { printf '\n===== %s =====\n\n' "$1"; }

heading "asmzel -lx main.asm: the listing main.lst, with the cross-reference"
"$bin/asmzel" -$ -lx main.asm
cat main.lst
"$bin/asmzel" -$ delay.asm

heading "dumpzel main.rel delay.rel: the object modules"
"$bin/dumpzel" main.rel delay.rel

heading "lnkzel main.rel delay.rel -lf blink.map: the image blink.abs and its map"
"$bin/lnkzel" -$ -o blink.abs -lf blink.map main.rel delay.rel
cat blink.map

heading "lnkzel -O hex: the same image as Intel HEX, blink.hex"
"$bin/lnkzel" -$ -O hex -o blink.hex main.rel delay.rel
cat blink.hex
