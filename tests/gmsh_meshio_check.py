#!/usr/bin/python3
"""Reads Gmsh files with meshio and prints the mesh that lect_gmsh should
make of them, in the text form the gmsh tests compare against:

    npt N / ndim D / nelem E / telem T / nsd S
    sd k COUNT                      (per subdomain)
    v i X Y [Z] TAG                 (per vertex, coordinates as float32)
    e i V1 V2 ...                   (per element)

The rules: the cells of the highest dimension make the mesh, grouped by
physical group in ascending order (cells of no group last, file order
within a group); a 2.2 cell repeated right after itself (same entity, same
nodes) is one cell in several groups. Vertices are the points of kept cells
in file order (ascending node tags in files written by Gmsh). A vertex's tag
is the physical group of the lowest-dimensional cell it lies on, the largest
number among cells of that dimension. Two coordinates for a surface mesh
whose z are all 0.

Usage: /usr/bin/python3 gmsh_meshio_check.py file.msh
"""
import contextlib
import sys

try:
    import meshio
    import numpy
except ImportError as err:
    sys.exit("gmsh_meshio_check: meshio is missing (Debian package "
             "python3-meshio, for /usr/bin/python3): %s" % err)

DIMS = {"vertex": 0, "line": 1, "triangle": 2, "quad": 2, "tetra": 3}


def cells_of(mesh):
    """(dim, physical, geometrical, nodes) of every cell, in file order."""
    phys = mesh.cell_data.get("gmsh:physical")
    geo = mesh.cell_data.get("gmsh:geometrical")
    out = []
    for b, block in enumerate(mesh.cells):
        if block.type not in DIMS:
            sys.exit("gmsh_meshio_check: cells of type %s" % block.type)
        for k, nodes in enumerate(block.data):
            p = int(phys[b][k]) if phys is not None else 0
            g = int(geo[b][k]) if geo is not None else 0
            cell = (DIMS[block.type], p, g, tuple(int(n) for n in nodes))
            last = out[-1] if out else None
            if last and last[0] == cell[0] and last[2] == g and last[3] == cell[3]:
                # The same cell in one more group: the smallest makes the
                # subdomain, the largest the tags.
                lo = min(x for x in (last[1], p) if x) if (last[1] or p) else 0
                out[-1] = (cell[0], lo, g, cell[3], max(last[4], p))
                continue
            out.append(cell + (p,))
    return out


def main(path):
    # meshio prints a blank line while reading: keep it off the output.
    with contextlib.redirect_stdout(sys.stderr):
        mesh = meshio.read(path)
    cells = cells_of(mesh)
    top = max(c[0] for c in cells)
    kept = [c for c in cells if c[0] == top]
    none = 1 << 40
    kept.sort(key=lambda c: c[1] if c[1] else none)  # stable
    used = sorted({n for c in kept for n in c[3]})
    number = {p: i + 1 for i, p in enumerate(used)}
    pts = numpy.asarray(mesh.points, dtype=numpy.float32)
    ndim = 3 if top == 3 or any(pts[p][2] != 0 for p in used) else 2

    tag = {}
    for dim, _, _, nodes, pmax in cells:
        if dim >= top or pmax == 0:
            continue
        for n in nodes:
            if n in number and (n not in tag or (dim, -pmax) < tag[n]):
                tag[n] = (dim, -pmax)

    groups = []
    for c in kept:
        if not groups or groups[-1][0] != c[1]:
            groups.append([c[1], 0])
        groups[-1][1] += 1
    print("npt %d" % len(used))
    print("ndim %d" % ndim)
    print("nelem %d" % len(kept))
    print("telem %d" % len(kept[0][3]))
    print("nsd %d" % len(groups))
    for k, (_, count) in enumerate(groups):
        print("sd %d %d" % (k + 1, count))
    for p in used:
        xyz = " ".join("%.9g" % float(x) for x in pts[p][:ndim])
        print("v %d %s %d" % (number[p], xyz, -tag[p][1] if p in tag else 0))
    for e, c in enumerate(kept):
        print("e %d %s" % (e + 1, " ".join(str(number[n]) for n in c[3])))


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: gmsh_meshio_check.py file.msh")
    main(sys.argv[1])
