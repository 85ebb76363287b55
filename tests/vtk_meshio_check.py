#!/usr/bin/python3
"""Reads VTK or VTU files with meshio and prints what it found, for the
tests to compare with what was written. Per file:

  file NAME
  points N D            then N lines of D coordinates
  cells TYPE N K        then N lines of K vertex numbers (0-based), per block
  point_data NAME N     then N values, one per line
  cell_data NAME N      then N values, one per line (all blocks in turn)

Floats are printed with repr(), which reads back to the same double; an
integer array is printed as integers. Needs Debian's python3-meshio: run
with /usr/bin/python3.
"""
import sys

try:
    import meshio
    import numpy
except ImportError as e:
    sys.stderr.write(f"meshio introuvable ({e}): apt-get install python3-meshio\n")
    sys.exit(3)


def values(name, kind, arrays):
    flat = numpy.concatenate([numpy.asarray(a).reshape(-1) for a in arrays] or [[]])
    print(kind, name, len(flat))
    as_int = numpy.issubdtype(flat.dtype, numpy.integer)
    for v in flat:
        print(int(v) if as_int else repr(float(v)))


def main():
    if len(sys.argv) < 2:
        sys.stderr.write("Usage: vtk_meshio_check.py fichier.vtk|fichier.vtu...\n")
        return 2
    for name in sys.argv[1:]:
        show(name)
    return 0


def show(name):
    m = meshio.read(name)
    print("file", name)
    print("points", len(m.points), m.points.shape[1])
    for p in m.points:
        print(" ".join(repr(float(x)) for x in p))
    for block in m.cells:
        print("cells", block.type, len(block.data), block.data.shape[1])
        for c in block.data:
            print(" ".join(str(int(v)) for v in c))
    for field in sorted(m.point_data):
        values(field, "point_data", [m.point_data[field]])
    for field in sorted(m.cell_data):
        values(field, "cell_data", m.cell_data[field])


if __name__ == "__main__":
    sys.exit(main())
