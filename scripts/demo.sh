#!/usr/bin/env bash
# Builds the toolchain, assembles the two modules of the bundled example (the main module with
# a listing and cross-reference), shows both object files record by record, then links them
# into an image with a map and an Intel HEX file. Then compiles the same blinker written in the
# C-like language (blink.c) with clzel and assembles the result.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/prerequisites.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DKZ_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)"
mkdir -p build/examples
cd build/examples
cp ../../examples/main.asm ../../examples/delay.asm ../../examples/blink.c .
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

heading "clzel -Mr -lx3 blink.c: the C-like blinker as assembly, blink.asm (the start)"
"$bin/clzel" -$ -Mr -lx3 blink.c
sed -n '1,60p' blink.asm

heading "the listing blink.cpl (the end: its reports)"
sed -n '/^Undefined label list/,$p' blink.cpl

heading "asmzel -o blink_c.rel blink.asm, dumpzel -d blink_c.rel: the data of the compiled blinker"
"$bin/asmzel" -$ -o blink_c.rel blink.asm
"$bin/dumpzel" -d blink_c.rel > blink_c.txt
sed -n '1,40p' blink_c.txt

heading "cclzel -Os -Mr -GF -o blink_cl.abf blink.cl: the C-like blinker built whole, its switch through lzel.lib"
cp blink.c blink.cl
"$bin/cclzel" -$ -Os -Mr -GF -o blink_cl.abf blink.cl
cat blink_cl.abf
