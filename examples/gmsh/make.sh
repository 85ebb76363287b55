#!/usr/bin/env bash
# Makes the meshes of the Gmsh example with Gmsh (Debian's gmsh, 4.8), in
# MSH 4.1 binary.
#
#   make.sh [DIR [FIRST [LAST]]]   refinement levels FIRST..LAST (default
#                                  1..4) of both domains, P1 triangles and Q1
#                                  quadrilaterals, into DIR (default .):
#                                  forme_l_p1_K.msh, forme_l_q1_K.msh,
#                                  carre_trou_p1_K.msh, carre_trou_q1_K.msh
#   make.sh -b [DIR]               triangle meshes of about 2,000, 20,000 and
#                                  200,000 vertices for the benchmarks:
#                                  forme_l_2k.msh ... carre_trou_200k.msh
#
# Level 0 is Gmsh's own mesh of size 0.2 (triangles) or 0.5 (quadrilaterals,
# each triangle split into three), 120 to 160 vertices; level K is that mesh
# with every element split into four, K times, by Gmsh, the new vertices of
# the hole on the circle. Nested meshes: the errors of one level to the next
# show the order without the noise of meshes made afresh. Level 4 has 30,000
# to 40,000 vertices.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
command -v gmsh >/dev/null || { echo "make.sh: gmsh is missing (apt-get install gmsh)" >&2; exit 1; }

mesh() {  # geometry lc quads refine output
  gmsh -setnumber lc "$2" -setnumber quads "$3" -setnumber refine "$4" \
    -format msh41 -bin "$here/$1.geo" -o "$5" $([ "$4" -gt 0 ] && echo -save || echo -2) >/dev/null
}

if [ "${1:-}" = -b ]; then
  dir="${2:-.}"
  mkdir -p "$dir"
  for s in "2k 0.0438 0.048" "20k 0.0133 0.0145" "200k 0.00419 0.00453"; do
    set -- $s
    mesh forme_l "$2" 0 0 "$dir/forme_l_$1.msh"
    mesh carre_trou "$3" 0 0 "$dir/carre_trou_$1.msh"
  done
  exit 0
fi

dir="${1:-.}"
first="${2:-1}"
last="${3:-4}"
mkdir -p "$dir"
for ((k = first; k <= last; k++)); do
  for g in forme_l carre_trou; do
    mesh "$g" 0.2 0 "$k" "$dir/${g}_p1_$k.msh"
    mesh "$g" 0.5 1 "$k" "$dir/${g}_q1_$k.msh"
  done
done
