#!/usr/bin/env bash
# Checks run_corpus.sh against a stand-in compiler whose messages each test file dictates, so
# that every verdict of the runner (pass, missing message, unexpected error, wrong exit
# status, alternatives, "may:", "options:", repeated numbers, timeouts, clean-up, an
# intermediate file the checker refuses) is seen.
#   test_run_corpus.sh
set -uo pipefail
runner=$(realpath "$(dirname "$0")/run_corpus.sh")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The stand-in reads "say: <status> <class>-<number>..." from the second line of its input,
# prints each message in zc1's format and exits with the status; "say: sleep" hangs.
cat >"$work/fake_zc1" <<'EOF'
#!/usr/bin/env bash
input=""
for argument; do case $argument in -*) ;; *) [ -z "$input" ] && input=$argument ;; esac; done
for output; do :; done
say=$(sed -n '2s/.*say: \([^*]*\).*/\1/p' "$input")
set -- $say
[ "${1:-}" = sleep ] && exec sleep 5
[ "${1:-}" = ubsan ] && echo "x.cpp:1:2: runtime error: signed integer overflow" >&2 && shift
[ "${1:-}" = abort ] && echo "$input 1: ZC1-Error-262: text" >&2 && kill -ABRT $$
status=${1:-0}
shift || true
cp "$input" "$output"
for message; do
  class=${message%-*}
  [ "$class" = Compiler ] && class="Compiler Error"
  echo "$input 1: ZC1-$class-${message##*-}: text" >&2
done
exit "$status"
EOF
# In front of it, "needs: <word>" on the third line makes an error unless that word was among
# the arguments, so that the options of the first line are seen to arrive.
cat >"$work/zc1" <<EOF
#!/usr/bin/env bash
input=""
for argument; do case \$argument in -*) ;; *) [ -z "\$input" ] && input=\$argument ;; esac; done
needs=\$(sed -n '3s/.*needs: \([^ ]*\).*/\1/p' "\$input")
if [ -n "\$needs" ] && [[ " \$* " != *" \$needs "* ]]; then
  echo "\$input 1: ZC1-Error-999: option \$needs not passed" >&2
  exit 1
fi
exec "$work/fake_zc1" "\$@"
EOF
# The stand-in checker refuses an intermediate file that holds "il: bad".
cat >"$work/il_check" <<'EOF'
#!/usr/bin/env bash
grep -q 'il: bad' "$1" || exit 0
echo "$1:1: bad record"
exit 1
EOF
chmod +x "$work/fake_zc1" "$work/zc1" "$work/il_check"

mkdir -p "$work/corpus/valid" "$work/corpus/invalid"
# file <path> <first line> <say> [needs]
file() {
  printf '%s\n/* say: %s */\n/* needs: %s */\nint x;\n' "$2" "$3" "${4:-}" >"$work/corpus/$1"
}
file valid/clean.c "/* fine */" "0"
file valid/warning_only.c "/* fine */" "0 Warning-546"
file valid/error_reported.c "/* bad */" "1 Error-262"
file valid/fatal_reported.c "/* bad */" "1 Fatal-131"
file valid/bad_status.c "/* bad */" "3"
file valid/hangs.c "/* bad */" "sleep"
file invalid/expected.c "/* expect: 262 */" "1 Error-262"
file invalid/missing.c "/* expect: 262 */" "1 Error-263"
file invalid/status_zero.c "/* expect: 262 */" "0 Error-262"
file invalid/alternative.c "/* expect: 295/301 */" "1 Error-301"
file invalid/cascade.c "/* expect: 216 */" "2 Error-216 Error-256"
file invalid/cascade_allowed.c "/* expect: 202 may: 216 */" "2 Error-202 Error-216"
file invalid/extra_warning.c "/* expect: 216 */" "1 Error-216 Warning-552"
file invalid/twice_needed.c "/* expect: 216 216 */" "1 Error-216"
file invalid/twice_given.c "/* expect: 216 216 */" "2 Error-216 Error-216"
file invalid/warning_case.c "/* expect: 577 */" "0 Warning-577"
file invalid/warning_bad_status.c "/* expect: 577 */" "1 Warning-577"
file invalid/options.c "/* expect: 546 options: -w3 */" "0 Warning-546" "-w3"
file invalid/options_and_may.c "/* expect: 514 may: 216 options: -w2 -Xa */" "0 Warning-514" "-Xa"
file invalid/no_expectation.c "/* nothing here */" "1 Error-262"
file invalid/compiler_error.c "/* expect: 262 */" "1 Error-262 Compiler-701"
file invalid/aborts.c "/* expect: 262 */" "abort"
file invalid/sanitizer.c "/* expect: 262 */" "ubsan 1 Error-262"
file valid/sanitizer.c "/* fine */" "ubsan 0"
file valid/bad_il.c "/* fine, il: bad */" "0"

output=$(TMPDIR="$work/tmp" && mkdir -p "$TMPDIR" && export TMPDIR &&
  ZC1_TIMEOUT=1 "$runner" "$work/zc1" "$work/corpus" "$work/il_check" 2>&1)
status=$?
leftovers=$(find "$work/tmp" -mindepth 1 | wc -l)

failures=0
expect() {
  if ! grep -qF -- "$1" <<<"$output"; then
    echo "missing from the runner's output: $1"
    failures=$((failures + 1))
  fi
}
refuse() {
  if grep -qF -- "$1" <<<"$output"; then
    echo "unexpected in the runner's output: $1"
    failures=$((failures + 1))
  fi
}

for passing in valid/clean valid/warning_only invalid/expected invalid/alternative \
  invalid/cascade_allowed invalid/extra_warning invalid/twice_given invalid/warning_case \
  invalid/options invalid/options_and_may; do
  refuse "FAIL $passing.c"
done
expect "FAIL valid/error_reported.c: "
expect "FAIL valid/fatal_reported.c: "
expect "FAIL valid/bad_status.c: exit status 3"
expect "FAIL valid/hangs.c: timed out"
expect "FAIL invalid/missing.c: missing 262; unexpected error 263;"
expect "FAIL invalid/status_zero.c: exit status 0;"
expect "FAIL invalid/cascade.c: unexpected error 256;"
expect "FAIL invalid/twice_needed.c: missing 216;"
expect "FAIL invalid/warning_bad_status.c: exit status 1 for warnings only;"
expect "FAIL invalid/no_expectation.c: first line names no expected message"
expect "FAIL invalid/compiler_error.c: unexpected error 701;"
expect "FAIL invalid/aborts.c: crashed with status 134"
expect "FAIL invalid/sanitizer.c: sanitizer report: x.cpp:1:2: runtime error: signed integer overflow"
expect "FAIL valid/sanitizer.c: sanitizer report: "
expect "FAIL valid/bad_il.c: intermediate file: 1 problems, first "
expect "out.i:1: bad record"
expect "corpus: 10 passed, 15 failed"
[ "$status" -ne 0 ] || { echo "the runner exited 0 despite failures"; failures=$((failures + 1)); }
[ "$leftovers" -eq 0 ] || { echo "the runner left $leftovers files behind"; failures=$((failures + 1)); }

# A corpus where everything passes ends with status 0.
rm -f "$work/corpus"/valid/[ebfhs]*.c "$work/corpus"/invalid/{missing,status_zero,cascade,twice_needed,warning_bad_status,no_expectation,compiler_error,aborts,sanitizer}.c
"$runner" "$work/zc1" "$work/corpus" >/dev/null 2>&1 ||
  { echo "the runner failed a corpus that passes"; failures=$((failures + 1)); }

if [ "$failures" -ne 0 ]; then
  echo "runner output was:"
  echo "$output"
  echo "0 passed, 1 failed"
  exit 1
fi
echo "1 passed, 0 failed"
