#!/usr/bin/env bash
# Assembles the same generated program with asmzel and two peer assemblers from Debian
# (sdasz80 from sdcc, ca65 from cc65) at 200,000 and 800,000 lines, and prints time, lines per
# second and peak memory of each, and asmzel's ratios.
#   bench/compare_assemblers.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}

missing=()
command -v sdasz80 >/dev/null || missing+=(sdcc)
command -v ca65 >/dev/null || missing+=(cc65)
[ -x /usr/bin/time ] || missing+=(time)
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update
  $sudo apt-get install -y "${missing[@]}"
fi
scripts/prerequisites.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKZ_TESTS=OFF -DKZ_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target asmzel gen_assembly >/dev/null
asmzel=$(realpath "$build/bin/asmzel")
gen=$(realpath "$build/bench/gen_assembly")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# timeOnce <label> <source> <command...>: one run on the microsecond clock; appends its label,
# wall time and peak resident size to runs.txt. The source and the program are read first, so
# that no program is timed reading them from disk: a file cache trimmed in the background may
# have let them go since they were written.
timeOnce() {
  local label=$1 source=$2
  shift 2
  cat "$source" "$(command -v "$1")" >/dev/null
  local start=$EPOCHREALTIME
  /usr/bin/time -f '%M' -o measured.txt "$@" >/dev/null 2>&1
  local end=$EPOCHREALTIME
  echo "$label $(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f", b - a }') $(tail -n 1 measured.txt)" >> runs.txt
}

# report <label> <lines> <source>: the median wall time and the largest peak of the label's runs.
report() {
  local label=$1 lines=$2 source=$3
  local seconds kilobytes count size
  seconds=$(awk -v l="$label" '$1 == l { print $2 }' runs.txt | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
  kilobytes=$(awk -v l="$label" '$1 == l && $3 > k { k = $3 } END { print k + 0 }' runs.txt)
  count=$(awk -v l="$label" '$1 == l' runs.txt | wc -l)
  size=$(stat -c %s "$source")
  awk -v l="$label" -v n="$lines" -v s="$seconds" -v k="$kilobytes" -v b="$size" -v r="$count" 'BEGIN {
    rate = (s > 0) ? n / s : 0
    printf "%-8s %8d lines  %8.3f s  %10.0f lines/s  peak %7.1f MB (%.1fx source)  median of %d\n", l, n, s, rate, k / 1024, k * 1024 / b, r }'
  echo "$label $lines $seconds" >> times.txt
}

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
