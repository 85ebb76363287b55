#!/usr/bin/env bash
# Builds reg_m and mesh2vtk, generates a grid of 10 x 10 unit cells, and
# turns it into a picture (SVG) and a ParaView file (.vtu).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target reg_m mesh2vtk
mkdir -p build/example
cd build/example
../reg_m -b 0 1 10 0 1 10
# mesh2vtk's own run report only when it fails.
if ! report=$(../mesh2vtk reg_m.kadro2D grille.svg grille.vtu 2>&1); then
  echo "$report" >&2
  exit 1
fi
cells=$(grep -a -o -m 1 'NumberOfCells="[0-9]*"' grille.vtu | grep -o '[0-9]*')
points=$(grep -a -o -m 1 'NumberOfPoints="[0-9]*"' grille.vtu | grep -o '[0-9]*')
echo
echo "A grid of $cells quadrilaterals on $points vertices:"
echo "  picture (open in a browser): $PWD/grille.svg"
echo "  for ParaView:                $PWD/grille.vtu"
echo "  mesh viewer file:            $PWD/reg_m.kadro2D"
