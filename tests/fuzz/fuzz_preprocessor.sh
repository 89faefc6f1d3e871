#!/usr/bin/env bash
# Builds the preprocessor's libFuzzer harness with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, then fuzzes for the given seconds per run: one run on its own,
# one with the dictionary of directive and macro words. The work corpus starts from
# tests/fuzz/zc1_corpus; crashes, leaks and timeouts land in the work directory, and a
# minimised copy of the grown corpus in <work>/minimal.
#   tests/fuzz/fuzz_preprocessor.sh [build-dir] [seconds-per-run] [work-dir]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build-fuzz}
seconds=${2:-600}
work=${3:-fuzz-zc1}

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DKZ_FUZZ=ON \
  -DCMAKE_CXX_FLAGS="-fsanitize=undefined -fno-sanitize-recover=undefined" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=undefined" >/dev/null
cmake --build "$build" -j2 --target fuzz_preprocessor >/dev/null
fuzzer=$(realpath "$build/tests/fuzz_preprocessor")

mkdir -p "$work/corpus" "$work/findings" "$work/minimal"
cp -n tests/fuzz/zc1_corpus/* "$work/corpus/"
common=(-max_len=4096 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
  "-max_total_time=$seconds" "-artifact_prefix=$work/findings/")
"$fuzzer" "${common[@]}" "$work/corpus" 2>&1 | tee "$work/plain.log" | grep -E 'ERROR|SUMMARY|stat::' || true
"$fuzzer" "${common[@]}" -dict=tests/fuzz/zc1.dict "$work/corpus" 2>&1 |
  tee "$work/dictionary.log" | grep -E 'ERROR|SUMMARY|stat::' || true
"$fuzzer" -merge=1 -max_len=4096 -timeout=10 "$work/minimal" "$work/corpus" >"$work/merge.log" 2>&1
echo "findings: $(ls "$work/findings" | wc -l), minimal corpus: $(ls "$work/minimal" | wc -l) inputs"
