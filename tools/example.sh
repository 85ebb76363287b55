#!/usr/bin/env bash
# Builds reg_m and generates a 10 x 10 cell grid on the unit square.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target reg_m
mkdir -p build/example
cd build/example
../reg_m -b 0 1 10 0 1 10
f="$PWD/reg_m.kadro2D"
echo
echo "Mesh file: $f ($(stat -c %s "$f") bytes)"
echo "Title:    [$(head -c 84 "$f" | tail -c 80)]"
echo "Vertices: $(od -A n -t d4 -j 92 -N 4 "$f" | tr -d ' ')"
echo "First vertex record (length, x y z as floats, then 9 ints, length):"
od -A d -j 104 -N 4 -t d4 "$f"
od -A d -j 108 -N 12 -t f4 "$f"
od -A d -j 120 -N 40 -t d4 "$f"
