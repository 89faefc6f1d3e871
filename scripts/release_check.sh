#!/usr/bin/env bash
# Builds the release programs with profile feedback and checks them against a test build: an
# installation of them passes the install check, and on generated programs large enough to
# use every part of their heap, clzel and zc1 write the same bytes as the test build's.
#   scripts/release_check.sh [test-build-dir] [release-build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
test_build=${1:-build-test}
release=${2:-build-release}

scripts/build_release.sh "$release" -DKZ_BENCH=ON
scripts/install_check.sh "$release"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$release/bench/gen_clike" clike 100000 > "$work/program.c"
"$release/bench/gen_c89_program" 20000 > "$work/c89.c"
fail() { echo "release check: $*" >&2; exit 1; }
translate() {
  local build=$1 side=$2
  "$build/bin/clzel" -$ -o "$work/program-$side.asm" "$work/program.c"
  "$build/bin/zc1" "$work/c89.c" "$work/c89-$side.i"
}
translate "$test_build" test
translate "$release" release
cmp "$work/program-test.asm" "$work/program-release.asm" ||
  fail "clzel of the release build writes other assembly than that of $test_build"
cmp "$work/c89-test.i" "$work/c89-release.i" ||
  fail "zc1 of the release build writes another intermediate file than that of $test_build"
echo "release check: passed"
