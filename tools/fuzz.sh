#!/usr/bin/env bash
# Builds the fuzz drivers of the file readers with AFL++ instrumentation and
# the address and undefined-behaviour sanitizers, makes the seed files, and
# fuzzes each target in turn for a fixed time.
#
#   tools/fuzz.sh [seconds-per-target] [target...]
#
# Targets: kadro nopo gmsh colect gmatrix profil llist renum (all of them when
# none is named).
# Findings go to build-fuzz/out/<target>/default/{crashes,hangs}. A refused
# input that ends the run with a status is a normal end; the script fails
# when a target saved a crash (set FUZZ_FAIL_ON_HANG=1 to fail on hangs too:
# on a loaded machine a slow run can be taken for a hang). Finding no new
# path is not a failure.
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(kadro nopo gmsh colect gmatrix profil llist renum)

command -v afl-fuzz >/dev/null || bash tools/deps.sh afl++ clang
root=$PWD
b=$root/build-fuzz
CC=afl-clang-fast CXX=afl-clang-fast++ cmake -S . -B "$b" -DCMAKE_BUILD_TYPE=Release \
  -DUTILS_NATIVE=OFF -DUTILS_SANITIZE=ON -DUTILS_BUILD_TESTS=OFF -DUTILS_BUILD_FUZZERS=ON >/dev/null
# Only what the fuzz runs need (the other tools are not instrumented).
AFL_QUIET=1 cmake --build "$b" -j2 --target reg_m seed_maker \
  "${targets[@]/#/fuzz_}" -- --no-print-directory >/dev/null

# Seeds: valid files of every form, and reg_m's own output for the mesh.
rm -rf "$b/seeds"
"$b/fuzz/seed_maker" "$b/seeds"
if [ -x "$b/reg_m" ]; then
  (cd "$b/seeds" && ASAN_OPTIONS=detect_leaks=0 "$b/reg_m" -b 0 1 3 0 1 2 2>/dev/null &&
    { printf '\0'; cat reg_m.kadro2D; } > kadro/reg_m && rm -f reg_m.kadro2D)
fi
# Gmsh's own files, the smallest of the test meshes in their four forms.
cp tests/data/gmsh/quadrangles_*.msh tests/data/gmsh/sans_groupes_*.msh "$b/seeds/gmsh/"

export AFL_SKIP_CPUFREQ=1 AFL_NO_UI=1 AFL_I_DONT_CARE_ABOUT_MISSING_CRASHES=1
export AFL_NO_AFFINITY=1 AFL_QUIET=1
export ASAN_OPTIONS=abort_on_error=1:symbolize=0:detect_leaks=0:allocator_may_return_null=0:max_allocation_size_mb=1024
export UBSAN_OPTIONS=halt_on_error=1:abort_on_error=1:print_stacktrace=1
tmp=$(mktemp -d /tmp/utils_fuzz_XXXXXX)
export FUZZ_TMPDIR=$tmp
trap 'rm -rf "$tmp"' EXIT

status=0
for t in "${targets[@]}"; do
  out=$b/out/$t
  rm -rf "$out"; mkdir -p "$b/out"
  nice -n 19 afl-fuzz -i "$b/seeds/$t" -o "$out" -V "$secs" -t 2000 -m none \
    -- "$b/fuzz/fuzz_$t" >"$b/afl_$t.log" 2>&1 || true
  st=$out/default/fuzzer_stats
  if [ ! -f "$st" ]; then
    echo "fuzz_$t: afl-fuzz did not run, see $b/afl_$t.log"
    tail -20 "$b/afl_$t.log"
    status=1
    continue
  fi
  get() { sed -n "s/^$1 *: *//p" "$st"; }
  crashes=$(find "$out/default/crashes" -type f -name 'id:*' | wc -l)
  hangs=$(find "$out/default/hangs" -type f -name 'id:*' | wc -l)
  echo "fuzz_$t: $(get execs_done) executions, $(get corpus_count) paths," \
       "edges $(get edges_found)/$(get total_edges), $crashes crashes, $hangs hangs"
  [ "$crashes" -eq 0 ] || status=1
  [ "$hangs" -eq 0 ] || [ "${FUZZ_FAIL_ON_HANG:-0}" != 1 ] || status=1
done
exit $status
