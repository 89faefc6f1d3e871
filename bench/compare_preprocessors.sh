#!/usr/bin/env bash
# Preprocesses the same generated C89 file with zc1 -E, gcc -E and tcc -E at 20,000 and
# 80,000 lines and prints the best wall time of several runs of each, lines per second,
# zc1's ratio to each peer and each program's growth from the small file to the large one.
#   bench/compare_preprocessors.sh [build-dir] [runs]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-zc1-bench}
runs=${2:-7}

if ! command -v tcc >/dev/null; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update
  $sudo apt-get install -y tcc
fi
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKZ_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target zc1 >/dev/null
zc1=$(realpath "$build/bin/zc1")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
c++ -O2 -std=c++20 -o "$work/gen" bench/gen_c89_source.cpp
cd "$work"

# best <command...>: the shortest wall time of $runs runs, in seconds. The programs take
# turns within one call of this script, so a busy machine slows them alike.
best() {
  local fastest="" start end took
  for _ in $(seq "$runs"); do
    start=$EPOCHREALTIME
    "$@" >/dev/null 2>&1
    end=$EPOCHREALTIME
    took=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f", b - a }')
    if [ -z "$fastest" ] || awk -v t="$took" -v f="$fastest" 'BEGIN { exit !(t < f) }'; then
      fastest=$took
    fi
  done
  echo "$fastest"
}

declare -A seconds
for lines in 20000 80000; do
  mkdir -p "$lines"
  ./gen "$lines" "$lines"
  counted=$(wc -l < "$lines/bench.c")
  cat "$lines/bench.c" "$lines/bench_defs.h" >/dev/null
  for tool in zc1 gcc tcc; do
    case $tool in
      zc1) command=("$zc1" -E "$lines/bench.c") ;;
      gcc) command=(gcc -E -std=c89 "$lines/bench.c") ;;
      tcc) command=(tcc -E "$lines/bench.c") ;;
    esac
    seconds[$tool.$lines]=$(best "${command[@]}")
    awk -v t="$tool" -v n="$counted" -v s="${seconds[$tool.$lines]}" \
      'BEGIN { printf "%-4s %6d lines  %8.4f s  %10.0f lines/s\n", t, n, s, n / s }'
  done
done

echo "best of $runs runs each"
for lines in 20000 80000; do
  for peer in gcc tcc; do
    awk -v p="$peer" -v n="$lines" -v z="${seconds[zc1.$lines]}" -v o="${seconds[$peer.$lines]}" \
      'BEGIN { printf "%6d lines: zc1 is %.2fx as fast as %s\n", n, o / z, p }'
  done
done
for tool in zc1 gcc tcc; do
  awk -v t="$tool" -v a="${seconds[$tool.20000]}" -v b="${seconds[$tool.80000]}" \
    'BEGIN { printf "%-4s 80,000 / 20,000 lines: %.2fx the time (4.00x is linear)\n", t, b / a }'
done
