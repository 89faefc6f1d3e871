#!/usr/bin/env bash
# Links the same generated program, split into modules plus a library of sixteen routines,
# with lnkzel and two peer linkers from Debian (ld65 from cc65, sdldz80 from sdcc), at 50 and
# 200 modules, and prints the median time and peak memory of each and lnkzel's ratios: to
# the peers, to assembling the same modules with asmzel, and its growth from 50 to 200.
#   bench/compare_linkers.sh [build-dir]
# Every program must fit the 64 KiB address space of all three targets, so a module holds
# 12 blocks of ten lines (120 lines, about 300 bytes): 200 modules are 24,000 lines.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
blocks=12

missing=()
command -v ld65 >/dev/null || missing+=(cc65)
command -v sdldz80 >/dev/null || missing+=(sdcc)
[ -x /usr/bin/time ] || missing+=(time)
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update
  $sudo apt-get install -y "${missing[@]}"
fi
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKZ_TESTS=OFF -DKZ_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target asmzel lnkzel libzel gen_link_modules >/dev/null
bin=$(realpath "$build/bin")
gen=$(realpath "$build/bench/gen_link_modules")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# seconds <command...>: wall time of one run on the microsecond clock, peak memory in KB.
seconds() {
  local start=$EPOCHREALTIME
  /usr/bin/time -f '%M' -o measured.txt "$@" >/dev/null 2>&1
  local end=$EPOCHREALTIME
  echo "$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f", b - a }') $(tail -n 1 measured.txt)"
}

# median <label> <runs> <command...>: prints "label seconds peak-KB", the median of the runs.
median() {
  local label=$1 runs=$2
  shift 2
  for ((i = 0; i < runs; ++i)); do seconds "$@"; done | sort -g |
    awk -v l="$label" '{ t[NR] = $1; if ($2 > k) k = $2 } END { printf "%s %.6f %d\n", l, t[int((NR + 1) / 2)], k }'
}

for modules in 50 200; do
  for dialect in korvzel ca65 sdasz80; do
    mkdir -p "$dialect$modules"
    "$gen" "$dialect" "$modules" "$blocks" "$dialect$modules"
  done
  # Objects and libraries, untimed except asmzel's assembling of the modules.
  (cd "korvzel$modules"
   printf 'REGION ALL 0x0000 0xFFFF ROM\nPLACE CODE IN ALL\n' > all.lcf
   start=$EPOCHREALTIME
   for f in m*.asm; do "$bin/asmzel" -$ "$f"; done
   end=$EPOCHREALTIME
   awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f\n", b - a }' > ../assemble$modules.txt
   for f in lib*.asm; do "$bin/asmzel" -$ "$f"; done
   "$bin/libzel" -$ -c lib.lib lib*.rel >/dev/null)
  (cd "ca65$modules"
   for f in *.s; do ca65 -o "${f%.s}.o" "$f"; done
   ar65 a lib.lib lib*.o
   printf 'MEMORY { ROM: start = $0000, size = $10000, file = %%O; }\nSEGMENTS { CODE: load = ROM, type = ro; }\n' > link.cfg)
  (cd "sdasz80$modules"
   for f in *.s; do sdasz80 -o "${f%.s}.rel" "$f"; done
   sdar -rc lib.lib lib*.rel)
  objects=$(for ((m = 0; m < modules; ++m)); do printf 'm%d ' "$m"; done)
  (cd "korvzel$modules" && median lnkzel 5 "$bin/lnkzel" -$ $(printf '%s.rel ' $objects) lib.lib all.lcf -o prog.hex -O hex -lf prog.map) >> times$modules.txt
  (cd "ca65$modules" && median ld65 5 ld65 -C link.cfg -o prog.bin -m prog.map $(printf '%s.o ' $objects) lib.lib) >> times$modules.txt
  (cd "sdasz80$modules" && median sdld 5 sdldz80 -n -m -i prog.ihx -b _CODE=0x0000 $(printf '%s.rel ' $objects) -k . -l lib.lib) >> times$modules.txt
  echo "== $modules modules of $blocks blocks ($((modules * blocks * 10)) lines) and a library"
  awk '{ printf "%-8s %9.4f s  peak %7.1f MB\n", $1, $2, $3 / 1024 }' times$modules.txt
  printf 'asmzel   %9.4f s  (assembling the %d modules, one run each)\n' "$(cat assemble$modules.txt)" "$modules"
done

awk -v a50="$(cat assemble50.txt)" -v a200="$(cat assemble200.txt)" '
  FILENAME == "times50.txt" { t50[$1] = $2 } FILENAME == "times200.txt" { t200[$1] = $2 }
  END {
    printf "lnkzel / ld65 at 200 modules: %.2f\n", t200["lnkzel"] / t200["ld65"]
    printf "lnkzel / sdld at 200 modules: %.2f\n", t200["lnkzel"] / t200["sdld"]
    printf "lnkzel / assembling, 200 modules: %.3f\n", t200["lnkzel"] / a200
    printf "lnkzel growth, 4x the modules: %.2fx the time\n", t200["lnkzel"] / t50["lnkzel"]
  }' times50.txt times200.txt
