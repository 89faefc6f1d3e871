#!/usr/bin/env bash
# Compiles one generated program with clzel (C-like language to assembly) and the same
# program in C with tcc -c, at 200,000 lines, and clzel again at 800,000 lines, and prints
# each time (the best of several runs), lines per second and the ratios.
#   bench/compare_clike_compiler.sh [build-dir] [runs]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-clike-bench}
runs=${2:-5}

source bench/common.sh

requirePackages tcc:tcc /usr/bin/time:time
buildTools "$build" clzel gen_clike
clzel=$(realpath "$build/bin/clzel")
gen=$(realpath "$build/bench/gen_clike")
enterWorkDirectory

# timeBest <label> <lines> <source> <command...>: one run on the microsecond clock, after the
# source and the program were read once, so that no run is timed reading them from disk; the
# best of the runs is reported.
timeBest() {
  local label=$1 lines=$2 source=$3
  shift 3
  cat "$source" "$(command -v "$1")" >/dev/null
  local start=$EPOCHREALTIME
  "$@" >/dev/null 2>&1
  local end=$EPOCHREALTIME
  echo "$label $lines $(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f", b - a }')" >> runs.txt
}

for lines in 200000 800000; do
  "$gen" clike "$lines" > "k$lines.c"
done
"$gen" c 200000 > c200000.c
sync

# The programs take turns, run by run, so that their best times sample the same stretches of
# a busy machine.
: > runs.txt
for ((run = 1; run <= runs; run++)); do
  timeBest clzel 200000 k200000.c "$clzel" -$ -o k200000.asm k200000.c
  timeBest tcc 200000 c200000.c tcc -c -o c200000.o c200000.c
  timeBest clzel 800000 k800000.c "$clzel" -$ -o k800000.asm k800000.c
done
"$clzel" -$ k200000.c || { echo "clzel reported a message on the generated program" >&2; exit 1; }

awk -v runs="$runs" '
  { key = $1 "," $2; if (!(key in best) || $3 < best[key]) best[key] = $3 }
  END {
    split("clzel,200000 tcc,200000 clzel,800000", keys, " ")
    for (i = 1; i <= 3; i++) {
      split(keys[i], part, ",")
      printf "%-6s %7d lines  %8.3f s  %10.0f lines/s  (best of %d)\n", part[1], part[2], best[keys[i]], part[2] / best[keys[i]], runs
    }
    printf "at 200000 lines clzel compiles %.2fx the lines/s of tcc -c\n", best["tcc,200000"] / best["clzel,200000"]
    printf "800000 lines take %.2fx the time of 200000 lines\n", best["clzel,800000"] / best["clzel,200000"]
  }' runs.txt
