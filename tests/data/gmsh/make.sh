#!/usr/bin/env bash
# Remakes the test meshes from the .geo scripts with Gmsh 4.8.4 (Debian's
# gmsh package): each geometry in MSH 2.2 and 4.1, text and binary.
set -euo pipefail
cd "$(dirname "$0")"
for g in carre_trou forme_l quadrangles sans_groupes cube; do
  d=-2
  [ "$g" = cube ] && d=-3
  gmsh "$d" -format msh22 "$g.geo" -o "${g}_22.msh"
  gmsh "$d" -format msh22 -bin "$g.geo" -o "${g}_22b.msh"
  gmsh "$d" -format msh41 "$g.geo" -o "${g}_41.msh"
  gmsh "$d" -format msh41 -bin "$g.geo" -o "${g}_41b.msh"
done
