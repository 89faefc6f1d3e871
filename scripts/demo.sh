#!/usr/bin/env bash
# Builds the toolchain and assembles the bundled example.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/prerequisites.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DKZ_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)"
build/bin/asmzel examples/blink.asm
