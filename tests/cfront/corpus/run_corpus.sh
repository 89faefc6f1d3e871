#!/usr/bin/env bash
# Runs zc1 over the C corpus and checks what it reports.
#   run_corpus.sh <zc1-binary> <corpus-dir> [il-checker]
#
# valid/*.c must compile: exit status 0 and no line with "-Error-", "-Fatal-" or
# "-Compiler Error-" (warnings are allowed). With a checker of intermediate files given, each
# valid program's intermediate file must also pass it (exit status 0).
#
# invalid/*.c each hold one mistake. The first line names what zc1 must say:
#   /* expect: 262 */                    262 must be reported
#   /* expect: 295/301 */                either 295 or 301
#   /* expect: 202 may: 216 */           216 may be reported as well
#   /* expect: 650 options: -w3 -Xa */   words passed to zc1 before the file
# A number listed twice must be reported at least twice. Any error number (class Error, Fatal
# or Compiler Error) that is neither expected nor allowed by "may:" is a failure: one mistake
# should give one message, not a cascade. When every expected number is a warning (500-699)
# the exit status must be 0, otherwise it must be non-zero.
#
# A crash (killed by a signal) or a sanitizer report fails any file, whatever it printed
# before. Each run has 10 seconds (ZC1_TIMEOUT overrides) in a directory of its own, which is
# also its TMP, so that not even a killed run leaves a work file behind. The headers of
# include/ are found through -I.
set -uo pipefail

if [ $# -ne 2 ] && [ $# -ne 3 ]; then
  echo "usage: run_corpus.sh <zc1-binary> <corpus-dir> [il-checker]" >&2
  exit 2
fi
zc1=$(realpath "$1")
corpus=$(realpath "$2")
checker=""
if [ $# -eq 3 ]; then
  checker=$(realpath "$3")
  [ -x "$checker" ] || { echo "not an executable: $3" >&2; exit 2; }
fi
include=$(realpath "$(dirname "$0")/../../../include")
[ -x "$zc1" ] || { echo "not an executable: $1" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0
errorClasses=(-e -Error- -e -Fatal- -e "-Compiler Error-")

fail() {
  echo "FAIL $1: $2"
  failed=$((failed + 1))
}

# runZc1 <file> <options...>: runs zc1 in the work directory; sets status and leaves the
# messages in $work/messages.txt.
runZc1() {
  local file=$1
  shift
  rm -rf "$work/run"
  mkdir "$work/run"
  (cd "$work/run" && TMP="$work/run" timeout "${ZC1_TIMEOUT:-10}" "$zc1" "$@" -I"$include" "$file" "$work/run/out.i") \
    >"$work/messages.txt" 2>&1
  status=$?
  crashed=""
  if ((status >= 126 && status != 124)); then
    crashed="crashed with status $status"
  elif grep -q -e 'Sanitizer' -e 'runtime error:' "$work/messages.txt"; then
    crashed="sanitizer report: $(grep -m1 -e 'Sanitizer' -e 'runtime error:' "$work/messages.txt")"
  fi
}

# headerField <first line> <keyword>: the words after "<keyword>:" up to the next keyword.
headerField() {
  awk -v key="$2:" '{
    for (i = 1; i <= NF; i++) {
      if ($i == "/*" || $i == "*/") continue
      if ($i ~ /^[a-z]+:$/) { current = $i; continue }
      if (current == key) words = words " " $i
    }
    print words
  }' <<<"$1"
}

# reported <number>: how often zc1 reported that message number.
reported() {
  grep -c -- "-$1: " "$work/messages.txt"
}

checkValid() {
  local file=$1 name
  name=valid/$(basename "$file")
  runZc1 "$file"
  if [ "$status" -eq 124 ]; then
    fail "$name" "timed out"
  elif [ -n "$crashed" ]; then
    fail "$name" "$crashed"
  elif [ "$status" -ne 0 ] || grep -q "${errorClasses[@]}" "$work/messages.txt"; then
    fail "$name" "exit status $status; $(grep -m1 "${errorClasses[@]}" "$work/messages.txt")"
  elif [ -n "$checker" ] && ! "$checker" "$work/run/out.i" >"$work/check.txt" 2>&1; then
    fail "$name" "intermediate file: $(wc -l <"$work/check.txt") problems, first $(head -n 1 "$work/check.txt")"
  else
    passed=$((passed + 1))
  fi
}

checkInvalid() {
  local file=$1 name header expect may options
  name=invalid/$(basename "$file")
  header=$(head -n 1 "$file")
  expect=$(headerField "$header" expect)
  may=$(headerField "$header" may)
  options=$(headerField "$header" options)
  if [ -z "${expect// /}" ]; then
    fail "$name" "first line names no expected message"
    return
  fi
  # shellcheck disable=SC2086
  runZc1 "$file" $options
  if [ "$status" -eq 124 ]; then
    fail "$name" "timed out"
    return
  elif [ -n "$crashed" ]; then
    fail "$name" "$crashed"
    return
  fi

  local problems="" onlyWarnings=1 allowed=" $may " group number found count
  declare -A needed=()
  for group in $expect; do needed[$group]=$((${needed[$group]:-0} + 1)); done
  for group in "${!needed[@]}"; do
    found=0
    for number in ${group//\// }; do
      allowed+=" $number "
      ((number >= 500 && number < 700)) || onlyWarnings=0
      count=$(reported "$number")
      ((count >= needed[$group])) && found=1
    done
    ((found)) || problems+=" missing $group;"
  done
  for number in $(sed -n 's/.*ZC1-\(Error\|Fatal\|Compiler Error\)-\([0-9]*\):.*/\2/p' \
    "$work/messages.txt" | sort -u); do
    [[ $allowed == *" $number "* ]] || problems+=" unexpected error $number;"
  done
  if ((onlyWarnings)) && [ "$status" -ne 0 ]; then
    problems+=" exit status $status for warnings only;"
  elif ((!onlyWarnings)) && [ "$status" -eq 0 ]; then
    problems+=" exit status 0;"
  fi
  if [ -n "$problems" ]; then
    fail "$name" "${problems# }"
  else
    passed=$((passed + 1))
  fi
}

shopt -s nullglob
for file in "$corpus"/valid/*.c; do checkValid "$file"; done
for file in "$corpus"/invalid/*.c; do checkInvalid "$file"; done
echo "corpus: $passed passed, $failed failed"
((failed == 0 && passed > 0))
