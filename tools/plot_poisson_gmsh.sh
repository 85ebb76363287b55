#!/usr/bin/env bash
# The picture of the Gmsh example: solution and error on the square with a
# hole (P1 triangles) and the L-shaped domain (Q1 quadrilaterals), refinement
# level 1 of examples/gmsh/make.sh.
#
#   tools/plot_poisson_gmsh.sh [OUT.png]     (default doc/poisson_gmsh.png)
#
# Installs gmsh, python3-meshio and python3-matplotlib when missing, builds
# poisson_gmsh into build/ and works in a temporary directory.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/doc/poisson_gmsh.png}")
bash "$root/tools/deps.sh" gmsh python3-meshio python3-matplotlib
cmake -S "$root" -B "$root/build" >/dev/null
cmake --build "$root/build" --target poisson_gmsh -j2 >/dev/null
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$tmp"
bash "$root/examples/gmsh/make.sh" . 1 1
"$root/build/poisson_gmsh" -o trou carre_trou_p1_1.msh >/dev/null 2>&1
"$root/build/poisson_gmsh" -o l forme_l_q1_1.msh >/dev/null 2>&1
/usr/bin/python3 "$root/tools/plot_solution.py" "$out" trou.vtu l.vtu \
  --label "square with a hole, P1" --label "L-shaped domain, Q1" \
  --title "-Δu = f, u = sin(πx) sin(πy) + x², and the error u_h - u"
