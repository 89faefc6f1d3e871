# The shared part of the compare_*.sh benchmarks; they source it after moving to the top of
# the checkout:
#   cd "$(dirname "$0")/.." && source bench/common.sh
# Timings go to runs.txt and medians to times.txt in the current (work) directory.

# requirePackages <command>:<package>...: installs with apt-get the packages whose command is
# missing (a command may be an absolute path, such as /usr/bin/time).
requirePackages() {
  local missing=() pair
  for pair; do
    command -v "${pair%%:*}" >/dev/null || missing+=("${pair#*:}")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update
    $sudo apt-get install -y "${missing[@]}"
  fi
}

# buildTools <build-dir> <target>...: a release build of the targets, without the tests, as
# scripts/build_release.sh makes it (with profile feedback); KZ_BENCH_PROFILE=0 measures a
# plain Release build instead.
buildTools() {
  local build=$1
  shift
  if [ "${KZ_BENCH_PROFILE:-1}" = 0 ]; then
    scripts/prerequisites.sh
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKZ_TESTS=OFF -DKZ_BENCH=ON \
      -DKZ_PROFILE= >/dev/null
    cmake --build "$build" -j"$(nproc)" --target "$@" >/dev/null
    echo "programs: plain Release build"
  else
    scripts/build_release.sh "$build" -DKZ_BENCH=ON -- "$@" >/dev/null
    echo "programs: release build with profile feedback (scripts/build_release.sh)"
  fi
}

# enterWorkDirectory: makes a temporary directory the current one; it is removed on exit.
enterWorkDirectory() {
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  cd "$work"
}

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

# report <label> <lines> <source>: prints the median wall time of the label's runs, its lines
# per second and the largest peak, and appends "<label> <lines> <seconds>" to times.txt.
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

# ratio <label> <peer> <lines>: how many times the label's lines per second the peer's is, from
# times.txt (above 1 means the label is faster).
ratio() {
  awk -v a="$1" -v b="$2" -v n="$3" '$1 == a && $2 == n { ta = $3 } $1 == b && $2 == n { tb = $3 }
    END { printf "%.2f", (ta > 0) ? tb / ta : 0 }' times.txt
}

# growth <label> <small> <large>: the label's time at the large size over its time at the small.
growth() {
  awk -v a="$1" -v s="$2" -v g="$3" '$1 == a && $2 == s { ts = $3 } $1 == a && $2 == g { tg = $3 }
    END { printf "%.2f", (ts > 0) ? tg / ts : 0 }' times.txt
}
