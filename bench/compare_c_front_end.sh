#!/usr/bin/env bash
# Compiles the same generated C89 program with zc1's checks alone (zc1_check: preprocessor,
# parser and expression checks, no intermediate file), zc1 (to its intermediate file), gcc
# (-fsyntax-only, its front end alone) and tcc (-c, a whole one-pass compiler) at 20,000 and
# 80,000 lines (and 40,000), and prints time, lines per second and peak memory of each, zc1's speed relative
# to each peer, and each program's growth from the small program to the large one. The 80,000
# lines need more temporaries (65,535 a run) and labels (50,000) than an intermediate file may
# number, so the whole zc1 stops there with its limit message; it is also timed at 40,000 lines,
# where it goes through.
#   bench/compare_c_front_end.sh [build-dir] [runs]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
runs=${2:-5}
source bench/common.sh

requirePackages gcc:gcc tcc:tcc /usr/bin/time:time
buildTools "$build" zc1 zc1_check gen_c89_program
zc1=$(realpath "$build/bin/zc1")
gen=$(realpath "$build/bench/gen_c89_program")
check=$(realpath "$build/bench/zc1_check")
enterWorkDirectory

sizes=(20000 40000 80000)
declare -A counted full
for lines in "${sizes[@]}"; do
  "$gen" "$lines" > "p$lines.c"
  counted[$lines]=$(wc -l < "p$lines.c")
  # A program that rejects the file would be timed on a short run: each must accept it first.
  "$check" "p$lines.c" || { echo "zc1_check rejects p$lines.c" >&2; exit 1; }
  # The whole zc1 is timed only where it goes through.
  full[$lines]=0
  "$zc1" "p$lines.c" "p$lines.i" 2>/dev/null && full[$lines]=1
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
    timeOnce check "$source" "$check" "$source"
    [ "${full[$lines]}" = 1 ] && timeOnce zc1 "$source" "$zc1" "$source" "p$lines.i"
    timeOnce gcc "$source" gcc -std=c89 -fsyntax-only "$source"
    timeOnce tcc "$source" tcc -c "$source" -o "p$lines.o"
  done
  tools=(check gcc tcc)
  [ "${full[$lines]}" = 1 ] && tools=(check zc1 gcc tcc)
  for tool in "${tools[@]}"; do report "$tool" "${counted[$lines]}" "$source"; done
done

small=${counted[${sizes[0]}]}
middle=${counted[${sizes[1]}]}
large=${counted[${sizes[2]}]}
for lines in "$small" "$middle" "$large"; do
  echo "at $lines lines: zc1's checks are $(ratio check gcc "$lines")x the lines/s of gcc -fsyntax-only, $(ratio check tcc "$lines")x that of tcc -c"
  if awk -v n="$lines" '$1 == "zc1" && $2 == n { found = 1 } END { exit !found }' times.txt; then
    echo "at $lines lines: the whole zc1 is $(ratio zc1 gcc "$lines")x the lines/s of gcc -fsyntax-only, $(ratio zc1 tcc "$lines")x that of tcc -c"
  fi
done
echo "growth from $small to $large lines (4.00 is linear): zc1's checks $(growth check "$small" "$large")x, gcc $(growth gcc "$small" "$large")x, tcc $(growth tcc "$small" "$large")x"
echo "growth of the whole zc1 from $small to $middle lines ($(awk -v a="$small" -v b="$middle" 'BEGIN { printf "%.2f", b / a }') is linear): $(growth zc1 "$small" "$middle")x"
