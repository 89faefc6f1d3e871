#!/usr/bin/env bash
# Compiles the same generated C89 program with zc1 (to its intermediate file), gcc
# (-fsyntax-only, its front end alone) and tcc (-c, a whole one-pass compiler) at 20,000 and
# 80,000 lines, and prints time, lines per second and peak memory of each, zc1's speed relative
# to each peer, and each program's growth from the small program to the large one.
#   bench/compare_c_front_end.sh [build-dir] [runs]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
runs=${2:-5}
source bench/common.sh

requirePackages gcc:gcc tcc:tcc /usr/bin/time:time
buildTools "$build" zc1 gen_c89_program
zc1=$(realpath "$build/bin/zc1")
gen=$(realpath "$build/bench/gen_c89_program")
enterWorkDirectory

sizes=(20000 80000)
declare -A counted
for lines in "${sizes[@]}"; do
  "$gen" "$lines" > "p$lines.c"
  counted[$lines]=$(wc -l < "p$lines.c")
  # A program that rejects the file would be timed on a short run: each must accept it first.
  "$zc1" "p$lines.c" "p$lines.i" || { echo "zc1 rejects p$lines.c" >&2; exit 1; }
  gcc -std=c89 -pedantic-errors -fsyntax-only "p$lines.c" || { echo "gcc rejects p$lines.c" >&2; exit 1; }
  tcc -c "p$lines.c" -o "p$lines.o" || { echo "tcc rejects p$lines.c" >&2; exit 1; }
done
sync

# The programs take turns, round by round, so that their medians sample the same stretches of
# time on a machine whose speed swings within seconds.
for lines in "${sizes[@]}"; do
  : > runs.txt
  source="p$lines.c"
  for ((round = 1; round <= runs; round++)); do
    timeOnce zc1 "$source" "$zc1" "$source" "p$lines.i"
    timeOnce gcc "$source" gcc -std=c89 -fsyntax-only "$source"
    timeOnce tcc "$source" tcc -c "$source" -o "p$lines.o"
  done
  for tool in zc1 gcc tcc; do report "$tool" "${counted[$lines]}" "$source"; done
done

small=${counted[${sizes[0]}]}
large=${counted[${sizes[1]}]}
for lines in "$small" "$large"; do
  echo "at $lines lines: zc1 is $(ratio zc1 gcc "$lines")x the lines/s of gcc -fsyntax-only, $(ratio zc1 tcc "$lines")x that of tcc -c"
done
echo "growth from $small to $large lines (4.00 is linear): zc1 $(growth zc1 "$small" "$large")x, gcc $(growth gcc "$small" "$large")x, tcc $(growth tcc "$small" "$large")x"
