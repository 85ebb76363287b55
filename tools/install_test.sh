#!/usr/bin/env bash
# Installs the library into a temporary prefix, moves the prefix elsewhere,
# then builds and runs the consumer of tests/install against it with CMake's
# find_package and with pkg-config, and runs the installed programs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh pkg-config
root=$PWD
build=${UTILS_BUILD_DIR:-build}
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 >/dev/null

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cmake --install "$build" --prefix "$tmp/stage" >/dev/null
# The package must not depend on where it was installed.
mv "$tmp/stage" "$tmp/prefix"
prefix=$tmp/prefix

fail() { echo "install test: $*" >&2; exit 1; }

for f in include/runstat.h include/utils_hooks.h include/maillage.h bin/reg_m bin/mesh2vtk bin/renum; do
  [ -e "$prefix/$f" ] || fail "missing $f"
done
for a in libutils.a libutils_hooks.a; do
  [ -n "$(find "$prefix" -name $a)" ] || fail "missing $a"
done
pcdir=$(dirname "$(find "$prefix" -name utils.pc | head -n 1)")
for pc in utils.pc utils-hooks.pc; do
  [ -f "$pcdir/$pc" ] || fail "missing $pc"
done

# Each installed header compiles on its own with only the prefix to search.
# utils_petsc.h also needs PETSc's and MPI's headers.
for h in "$prefix"/include/*.h; do
  cxx=(c++)
  [ "$(basename "$h")" = utils_petsc.h ] && cxx=(mpicxx $(pkg-config --cflags petsc))
  echo "#include \"$(basename "$h")\"" |
    "${cxx[@]}" -std=c++17 -fsyntax-only -x c++ -I"$prefix/include" - ||
    fail "$(basename "$h") is not self-contained"
done

check_output() {
  local out=$1 how=$2
  grep -qx 'gauss: x = 1 1' <<<"$out" || fail "$how: wrong dense solution: $out"
  grep -qx 'mesh: 3 vertices, 1 element' <<<"$out" || fail "$how: wrong mesh: $out"
  if [ -f "$prefix/include/profil.h" ]; then
    grep -qx 'choleski: x = 1 1 1' <<<"$out" || fail "$how: wrong profile solution: $out"
    grep -qx 'threads: same bits on 1 and 2' <<<"$out" || fail "$how: threads: $out"
  fi
}

cmake -S tests/install -B "$tmp/cmake" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF >/dev/null
cmake --build "$tmp/cmake" >/dev/null
out=$("$tmp/cmake/consumer" 2>/dev/null) || fail "find_package consumer failed"
check_output "$out" find_package
echo "find_package consumer:"
echo "$out" | sed 's/^/  /'

mkdir "$tmp/pc"
PKG_CONFIG_PATH="$pcdir" make -s -C "$tmp/pc" -f "$root/tests/install/Makefile" \
  SRC="$root/tests/install/" >/dev/null
for c in consumer consumer_static consumer_own_hooks; do
  out=$("$tmp/pc/$c" 2>/dev/null) || fail "pkg-config $c failed"
  check_output "$out" "pkg-config $c"
done
echo "pkg-config consumer (utils-hooks plain and --static, own hooks with utils):"
echo "$out" | sed 's/^/  /'

# The installed programs work from the prefix.
mkdir "$tmp/run"
(cd "$tmp/run" && "$prefix/bin/reg_m" -b 0 1 2 0 1 1 2>/dev/null &&
  "$prefix/bin/mesh2vtk" reg_m.kadro2D m.vtk m.svg 2>/dev/null) ||
  fail "installed reg_m or mesh2vtk failed"
grep -q '^CELLS 2 10$' "$tmp/run/m.vtk" || fail "installed mesh2vtk wrote a wrong file"
(cd "$tmp/run" && "$prefix/bin/renum" reg_m.kadro2D r.kadro2D 2>/dev/null) |
  grep -qx 'retenue   rcm' || fail "installed renum failed"
# The PETSc component, when the build has it: found as a component of the
# package, and its consumer solves on two processes.
if [ -f "$prefix/include/utils_petsc.h" ]; then
  cmake -S petsc/tests/install -B "$tmp/petsc" -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF >/dev/null
  cmake --build "$tmp/petsc" >/dev/null
  out=$(cd "$tmp/run" && mpiexec --allow-run-as-root --oversubscribe -n 2 \
    "$tmp/petsc/consumer_petsc" 2>/dev/null) || fail "PETSc consumer failed"
  grep -qx 'petsc: x = 1 1 1 on 2 processes' <<<"$out" || fail "PETSc consumer: $out"
  echo "PETSc consumer: $out"
fi
echo "install test: passed"
