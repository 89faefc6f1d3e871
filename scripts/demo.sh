#!/usr/bin/env bash
# Builds the toolchain, assembles the two modules of the bundled example and shows the
# object files the linker will read.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/prerequisites.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DKZ_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)"
mkdir -p build/examples
for module in main delay; do
  build/bin/asmzel -o "build/examples/$module.rel" "examples/$module.asm"
done
build/bin/dumpzel build/examples/main.rel build/examples/delay.rel
