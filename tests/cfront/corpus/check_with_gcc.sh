#!/usr/bin/env bash
# Checks that every valid corpus file is a correct C89 program by gcc's strict reading: any
# message from gcc is a failure. The system headers are the project's own (include/), not
# the host's, so the programs see the target's limits.h and stddef.h.
#   check_with_gcc.sh [corpus-dir]
set -uo pipefail
corpus=$(realpath "${1:-$(dirname "$0")}")
include=$(realpath "$(dirname "$0")/../../../include")
command -v gcc >/dev/null || { echo "gcc not found" >&2; exit 2; }

passed=0
failed=0
shopt -s nullglob
for file in "$corpus"/valid/*.c; do
  messages=$(gcc -std=c89 -pedantic-errors -fsyntax-only -Wno-long-long -nostdinc \
    -isystem "$include" "$file" 2>&1)
  if [ $? -ne 0 ] || [ -n "$messages" ]; then
    echo "FAIL valid/$(basename "$file"):"
    echo "$messages" | head -n 5
    failed=$((failed + 1))
  else
    passed=$((passed + 1))
  fi
done
echo "gcc check: $passed passed, $failed failed"
((failed == 0 && passed > 0))
