#!/usr/bin/env bash
# Fails when a C++ file of the repository differs from its .clang-format layout.
#   scripts/check_format.sh        check every tracked .cpp and .h file
#   scripts/check_format.sh --fix  rewrite them instead
set -euo pipefail
cd "$(dirname "$0")/.."
# Inputs of end-to-end cases are data, kept as written.
# include/ holds the C headers of the target, written in the C style of their users.
mapfile -t files < <(git ls-files '*.cpp' '*.h' ':!:tests/e2e/*/*/in/**' ':!:include/*.h')
if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
if ! clang-format --dry-run --Werror "${files[@]}" 2>/tmp/kz-format.$$; then
  grep -oE '^[^: ]+\.(cpp|h):[0-9]+' /tmp/kz-format.$$ | cut -d: -f1 | sort -u | sed 's/^/not formatted: /'
  rm -f /tmp/kz-format.$$
  echo "run scripts/check_format.sh --fix" >&2
  exit 1
fi
rm -f /tmp/kz-format.$$
