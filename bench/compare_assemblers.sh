#!/usr/bin/env bash
# Assembles the same generated program with asmzel and two peer assemblers from Debian
# (sdasz80 from sdcc, ca65 from cc65) at 200,000 and 800,000 lines, and prints time, lines per
# second and peak memory of each, and asmzel's ratios.
#   bench/compare_assemblers.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
source bench/common.sh

requirePackages sdasz80:sdcc ca65:cc65 /usr/bin/time:time
buildTools "$build" asmzel gen_assembly
asmzel=$(realpath "$build/bin/asmzel")
gen=$(realpath "$build/bench/gen_assembly")
enterWorkDirectory

# Every program is timed alike: the median of three runs at 200,000 lines; at 800,000 lines the
# peers take minutes, so they run once there (asmzel still three times, for its growth ratio).
# The programs take turns, round by round, so that their medians sample the same stretches of
# time: the speed of this machine swings by tens of percent within seconds.
# All sources are written, and flushed to disk, before anything is timed.
for lines in 200000 800000; do
  "$gen" korvzel "$lines" > "k$lines.asm"
  "$gen" sdasz80 "$lines" > "z$lines.s"
  "$gen" ca65 "$lines" > "c$lines.s"
done
sync

for lines in 200000 800000; do
  : > runs.txt
  for round in 1 2 3; do
    timeOnce asmzel "k$lines.asm" "$asmzel" -$ -o "k$lines.rel" "k$lines.asm"
    if ((lines == 200000 || round == 2)); then
      timeOnce sdasz80 "z$lines.s" sdasz80 -o "z$lines.rel" "z$lines.s"
      timeOnce ca65 "c$lines.s" ca65 -o "c$lines.o" "c$lines.s"
    fi
  done
  report asmzel "$lines" "k$lines.asm"
  report sdasz80 "$lines" "z$lines.s"
  report ca65 "$lines" "c$lines.s"
done

awk '{ t[$1 "," $2] = $3 } END {
  for (n = 200000; n <= 800000; n += 600000) {
    peer = (t["sdasz80," n] < t["ca65," n]) ? "sdasz80" : "ca65"
    printf "at %d lines: asmzel is %.1fx the lines/s of the faster peer (%s)\n", n, t[peer "," n] / t["asmzel," n], peer
  }
  printf "growth from 200000 to 800000 lines: asmzel %.2fx, sdasz80 %.2fx, ca65 %.2fx\n",
    t["asmzel,800000"] / t["asmzel,200000"], t["sdasz80,800000"] / t["sdasz80,200000"], t["ca65,800000"] / t["ca65,200000"]
}' times.txt
