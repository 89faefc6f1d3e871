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

# run <label> <lines> <source> <repeats> <command...>: runs the command <repeats> times and
# prints the median wall time (microsecond clock) and the largest peak resident size. Before
# each run the source and the program are read once, so that no program is timed reading them
# from disk: a file cache trimmed in the background may have let them go since they were
# written.
run() {
  local label=$1 lines=$2 source=$3 repeats=$4
  shift 4
  local times=() kilobytes=0
  for ((i = 0; i < repeats; i++)); do
    cat "$source" "$(command -v "$1")" >/dev/null
    local start=$EPOCHREALTIME
    /usr/bin/time -f '%M' -o measured.txt "$@" >/dev/null 2>&1
    local end=$EPOCHREALTIME
    times+=("$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f", b - a }')")
    local peak
    peak=$(tail -n 1 measured.txt)
    ((peak > kilobytes)) && kilobytes=$peak
  done
  local seconds
  seconds=$(printf '%s\n' "${times[@]}" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
  local size=$(stat -c %s "$source")
  awk -v l="$label" -v n="$lines" -v s="$seconds" -v k="$kilobytes" -v b="$size" -v r="$repeats" 'BEGIN {
    rate = (s > 0) ? n / s : 0
    printf "%-8s %8d lines  %8.3f s  %10.0f lines/s  peak %7.1f MB (%.1fx source)  median of %d\n", l, n, s, rate, k / 1024, k * 1024 / b, r }'
  echo "$label $lines $seconds" >> times.txt
}

# Every program is timed alike: the median of three runs at 200,000 lines; at 800,000 lines the
# peers take minutes, so they run once there (asmzel still three times, for its growth ratio).
# All sources are written, and flushed to disk, before anything is timed.
for lines in 200000 800000; do
  "$gen" korvzel "$lines" > "k$lines.asm"
  "$gen" sdasz80 "$lines" > "z$lines.s"
  "$gen" ca65 "$lines" > "c$lines.s"
done
sync

for lines in 200000 800000; do
  peerRepeats=$((lines > 200000 ? 1 : 3))
  run asmzel "$lines" "k$lines.asm" 3 "$asmzel" -$ -o "k$lines.rel" "k$lines.asm"
  run sdasz80 "$lines" "z$lines.s" "$peerRepeats" sdasz80 -o "z$lines.rel" "z$lines.s"
  run ca65 "$lines" "c$lines.s" "$peerRepeats" ca65 -o "c$lines.o" "c$lines.s"
done

awk '{ t[$1 "," $2] = $3 } END {
  for (n = 200000; n <= 800000; n += 600000) {
    peer = (t["sdasz80," n] < t["ca65," n]) ? "sdasz80" : "ca65"
    printf "at %d lines: asmzel is %.1fx the lines/s of the faster peer (%s)\n", n, t[peer "," n] / t["asmzel," n], peer
  }
  printf "growth from 200000 to 800000 lines: asmzel %.2fx, sdasz80 %.2fx, ca65 %.2fx\n",
    t["asmzel,800000"] / t["asmzel,200000"], t["sdasz80,800000"] / t["sdasz80,200000"], t["ca65,800000"] / t["ca65,200000"]
}' times.txt
