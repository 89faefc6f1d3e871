#!/usr/bin/env bash
# Installs a build into a temporary prefix and uses the installed programs as a new user
# would: from another directory, with no variable of the toolchain set.
#   scripts/install_check.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-test}
source_dir=$(pwd)
prefix=$(mktemp -d)
work=$(mktemp -d)
trap 'rm -rf "$prefix" "$work"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "install check: $*" >&2; exit 1; }
for program in asmzel maczel cclzel cczel dumpzel clzel zc1 lnkzel libzel; do
  [ -x "$prefix/bin/$program" ] || fail "bin/$program is not installed"
done
for stand_in in mplzel appzel zc2 czel1; do
  [ ! -e "$prefix/bin/$stand_in" ] || fail "the stand-in bin/$stand_in is installed"
done
for file in etc/asmzel.hlp etc/maczel.hlp etc/maczel.env etc/dumpzel.hlp include/kzel.inc \
  etc/cclzel.hlp etc/cclzel.env lib/lzel.lib share/man/man1/cclzel.1 \
  etc/cczel.hlp etc/cczel.env share/man/man1/cczel.1 share/doc/korvzel/c-driver.md \
  share/man/man1/asmzel.1 share/man/man1/maczel.1 share/man/man1/dumpzel.1 \
  share/doc/korvzel/assembler.md; do
  [ -f "$prefix/$file" ] || fail "$file is not installed"
done

cd "$work"
run() { env -i PATH=/usr/bin:/bin "$@"; }
run "$prefix/bin/asmzel" | grep -q 'asmzel' || fail "asmzel prints no help"
cat > vectors.asm <<'ASM'
        $INCLUDE <kzel.inc>
code    SECTION CODE
start:  LD      HL, KZ_VECTOR_TABLE
        CALLV   1
        RET
        END
ASM
run "$prefix/bin/asmzel" -$ -lx vectors.asm >/dev/null || fail "asmzel cannot assemble with <kzel.inc>"
[ -s vectors.rel ] || fail "no object file"
grep -q 'KZ_VECTOR_TABLE' vectors.lst || fail "the listing does not show the included names"
run "$prefix/bin/dumpzel" vectors.rel >/dev/null || fail "dumpzel cannot read the object"
cp "$source_dir/examples/main.asm" "$source_dir/examples/delay.asm" .
run "$prefix/bin/maczel" -o blink.abs main.asm delay.asm >/dev/null || fail "maczel cannot build the example"
[ -s blink.abs ] || fail "maczel made no image"
# The C-like example, named as cclzel takes C-like sources; -O s makes its switch call
# __switch, which only the installed lzel.lib defines.
cp "$source_dir/examples/blink.c" blink.cl
run "$prefix/bin/cclzel" -$ -Os -o clike.abs blink.cl >/dev/null 2>&1 || fail "cclzel cannot build the C-like example"
[ -s clike.abs ] || fail "cclzel made no image"
for left in TC* TD* blink.asm; do
  [ ! -e "$left" ] || fail "cclzel left $left behind"
done
# The C driver runs the installed zc1; the later passes are not installed, so -E, which
# stops after zc1, is what an installation can do alone.
printf '#define LIMIT 3\nint limit = LIMIT;\n' > limit.c
run "$prefix/bin/cczel" -$ -E limit.c | grep -q 'int limit = 3;' || fail "cczel cannot preprocess with zc1"
for left in TA* TB*; do
  [ ! -e "$left" ] || fail "cczel left $left behind"
done
echo "install check: passed"
