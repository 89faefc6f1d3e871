#!/usr/bin/env bash
# Checks the layout of the sources, builds with -Werror, AddressSanitizer and
# UndefinedBehaviorSanitizer, checks an installation of that build, then runs every test;
# last, builds the release programs with profile feedback and checks them against that build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/prerequisites.sh
scripts/check_format.sh
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DKZ_SANITIZE=ON -DKZ_WERROR=ON -DKZ_TESTS=ON >/dev/null
cmake --build build-test -j"$(nproc)"
scripts/install_check.sh build-test
ctest --test-dir build-test --output-on-failure -j"$(nproc)"
scripts/release_check.sh build-test build-release
