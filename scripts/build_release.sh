#!/usr/bin/env bash
# Builds the programs for release with profile feedback. A first build counts what its code
# does while asmzel, clzel and zc1 translate the example and test sources of the checkout;
# the release build then lays out and inlines its code by those counts (GCC's -fprofile-use).
# Programs the runs do not exercise are built as in a plain Release build. clzel learns from
# the example programs only: its test sources are small and mostly faulty on purpose, and
# dozens of runs of them would weigh start-up and error paths ten times over the code that
# translates real programs.
#   scripts/build_release.sh [build-dir] [cmake-option...] [-- target...]
# build-dir defaults to build-release; the counting build is build-dir/training and the
# counts are kept in build-dir/profile. Without targets everything is built; the result
# installs with `cmake --install build-dir --prefix DIR`.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$(pwd)
build=build-release
if [ $# -gt 0 ] && [ "${1#-}" = "$1" ]; then
  build=$1
  shift
fi
options=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
  options+=("$1")
  shift
done
[ $# -gt 0 ] && shift
targets=("$@")

scripts/prerequisites.sh
mkdir -p "$build"
build=$(realpath "$build")
training=$build/training
profile=$build/profile
jobs=$(nproc)

# Counts from an earlier run would be added to: each build starts from none.
rm -rf "$profile"
cmake -S . -B "$training" -DCMAKE_BUILD_TYPE=Release -DKZ_TESTS=OFF -DKZ_PROFILE=generate \
  -DKZ_PROFILE_DIR="$profile" >/dev/null
cmake --build "$training" -j"$jobs" --target asmzel clzel zc1 >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# inCopy <source> <command...>: runs the command in a copy of the source's directory, so that
# its include files are found and nothing is written into the checkout; "{}" in the command
# stands for the source's file name. Returns the command's status; its output is dropped.
inCopy() {
  local source=$1 copy=$work/copy status=0
  shift
  mkdir -p "$copy"
  cp -r "$source_dir/$(dirname "$source")/." "$copy/"
  (cd "$copy" && "${@//\{\}/$(basename "$source")}") >/dev/null 2>&1 || status=$?
  rm -rf "$copy"
  return $status
}

shopt -s nullglob
# Messages are expected from the test sources: some are faulty on purpose.
for source in examples/*.asm tests/e2e/asmzel/*/in/*.asm; do
  inCopy "$source" "$training/bin/asmzel" -$ -o out.rel {} || true
done
# Each example twice: as a plain compile, and with debug lines and a listing.
for source in examples/*.c; do
  inCopy "$source" "$training/bin/clzel" -$ -o out.asm {} &&
    inCopy "$source" "$training/bin/clzel" -$ -g -l -o out.asm {} || {
    echo "build_release: clzel reported a message on $source, which the training needs clean" >&2
    exit 1
  }
done
for source in tests/cfront/corpus/valid/*.c tests/e2e/zc1/*/in/*.c; do
  inCopy "$source" "$training/bin/zc1" {} out.i || true
done
[ -n "$(find "$profile" -name '*.gcda' -print -quit 2>/dev/null)" ] || {
  echo "build_release: the training runs left no profile counts in $profile" >&2
  exit 1
}

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKZ_TESTS=OFF "${options[@]}" \
  -DKZ_PROFILE=use -DKZ_PROFILE_DIR="$profile" >/dev/null
# The counts are read when a file is compiled, and the build tool does not see them change:
# objects of an earlier release build would keep the layout of older counts.
cmake --build "$build" --target clean >/dev/null
if [ ${#targets[@]} -gt 0 ]; then
  cmake --build "$build" -j"$jobs" --target "${targets[@]}" >/dev/null
else
  cmake --build "$build" -j"$jobs" >/dev/null
fi
echo "build_release: $build built with the profile of its training runs"
