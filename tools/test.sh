#!/usr/bin/env bash
# Builds the library, the program, the tests and the benchmarks, and runs the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
# python3-meshio (for /usr/bin/python3): the VTK and Gmsh tests read files
# with meshio too; gmsh remakes the Gmsh test meshes (tests/data/gmsh/make.sh).
# petsc-dev, openmpi-bin, pkg-config: the PETSc component and its MPI tests.
bash tools/deps.sh python3-meshio gmsh petsc-dev openmpi-bin pkg-config
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DUTILS_BUILD_TESTS=ON -DUTILS_BUILD_BENCHMARKS=ON \
  -DUTILS_WITH_PETSC=ON >/dev/null
cmake --build build -j2
cd build
ctest -j2 --output-on-failure
