#!/usr/bin/env bash
# Preprocesses the same generated C89 file with zc1 -E, gcc -E and tcc -E at 20,000 and
# 80,000 lines and prints the median wall time of several runs of each, lines per second,
# zc1's ratio to each peer and each program's growth from the small file to the large one.
# Every program must accept the file, and zc1's tokens must be gcc's, before anything is timed.
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

# median <command...>: the median wall time of $runs runs, in seconds. The programs take
# turns within one call of this script, so a busy machine slows them alike.
median() {
  local start end times=()
  for _ in $(seq "$runs"); do
    start=$EPOCHREALTIME
    "$@" >/dev/null 2>&1
    end=$EPOCHREALTIME
    times+=("$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f", b - a }')")
  done
  printf '%s\n' "${times[@]}" | sort -g | awk '{ t[NR] = $1 } END {
    if (NR % 2) print t[(NR + 1) / 2]; else printf "%.6f\n", (t[NR / 2] + t[NR / 2 + 1]) / 2 }'
}

# squeezed <file>: the preprocessed text without line markers and white space, to compare
# two preprocessors' results (their spacing differs).
squeezed() {
  grep -v '^#' "$1" | tr -d ' \t\n'
}

# The input is fair only if every program takes it without complaint.
check() {
  local lines=$1
  "$zc1" -E "$lines/bench.c" >"$lines/zc1.i" 2>"$lines/zc1.err" || fail "zc1 rejects" "$lines"
  [ ! -s "$lines/zc1.err" ] || fail "zc1 complains about" "$lines"
  gcc -E -P -std=c89 -pedantic-errors "$lines/bench.c" >"$lines/gcc.i" || fail "gcc -E rejects" "$lines"
  gcc -std=c89 -pedantic-errors -fsyntax-only "$lines/bench.c" || fail "gcc cannot compile" "$lines"
  tcc -E "$lines/bench.c" >/dev/null || fail "tcc -E rejects" "$lines"
  cmp -s <(squeezed "$lines/zc1.i") <(squeezed "$lines/gcc.i") || fail "zc1 and gcc differ on" "$lines"
}
fail() {
  echo "$1 the $2-line file" >&2
  exit 1
}

declare -A seconds
for lines in 20000 80000; do
  mkdir -p "$lines"
  ./gen "$lines" "$lines"
  counted=$(wc -l < "$lines/bench.c")
  cat "$lines/bench.c" "$lines/bench_defs.h" >/dev/null
  check "$lines"
  for tool in zc1 gcc tcc; do
    case $tool in
      zc1) command=("$zc1" -E "$lines/bench.c") ;;
      gcc) command=(gcc -E -std=c89 "$lines/bench.c") ;;
      tcc) command=(tcc -E "$lines/bench.c") ;;
    esac
    seconds[$tool.$lines]=$(median "${command[@]}")
    awk -v t="$tool" -v n="$counted" -v s="${seconds[$tool.$lines]}" \
      'BEGIN { printf "%-4s %6d lines  %8.4f s  %10.0f lines/s\n", t, n, s, n / s }'
  done
done

echo "median of $runs runs each"
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
