#!/usr/bin/python3
"""Reads VTK or VTU files with meshio (with --vtk: with VTK's own readers,
those of ParaView) and prints what it found, for the tests to compare with
what was written. Per file:

  file NAME
  points N D            then N lines of D coordinates
  cells TYPE N K        then N lines of K vertex numbers (0-based), per block
  point_data NAME N     then N values, one per line
  cell_data NAME N      then N values, one per line (all blocks in turn)

Floats are printed with repr(), which reads back to the same double; an
integer array is printed as integers. Needs Debian's python3-meshio (and
python3-vtk9 for --vtk): run with /usr/bin/python3.
"""
import sys

try:
    import meshio
    import numpy
except ImportError as e:
    sys.stderr.write(f"meshio introuvable ({e}): apt-get install python3-meshio\n")
    sys.exit(3)

VTK_TYPES = {1: "vertex", 3: "line", 5: "triangle", 7: "polygon", 9: "quad",
             10: "tetra", 12: "hexahedron", 13: "wedge", 14: "pyramid"}


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
    names = sys.argv[1:]
    if names[0] == "--vtk":
        try:
            import vtk
        except ImportError as e:
            sys.stderr.write(f"vtk introuvable ({e}): apt-get install python3-vtk9\n")
            return 3
        for name in names[1:]:
            show_vtk(vtk, name)
        return 0
    for name in names:
        show(name)
    return 0


def show_vtk(vtk, name):
    from vtk.util.numpy_support import vtk_to_numpy

    if name.endswith(".vtu"):
        r = vtk.vtkXMLUnstructuredGridReader()
    else:
        r = vtk.vtkUnstructuredGridReader()
    r.SetFileName(name)
    r.Update()
    g = r.GetOutput()
    print("file", name)
    print("points", g.GetNumberOfPoints(), 3)
    for i in range(g.GetNumberOfPoints()):
        print(" ".join(repr(float(x)) for x in g.GetPoint(i)))
    blocks = []  # runs of cells of one type and size, as meshio makes them
    for c in range(g.GetNumberOfCells()):
        cell = g.GetCell(c)
        ids = [cell.GetPointId(k) for k in range(cell.GetNumberOfPoints())]
        key = (VTK_TYPES.get(g.GetCellType(c), str(g.GetCellType(c))), len(ids))
        if not blocks or blocks[-1][0] != key:
            blocks.append((key, []))
        blocks[-1][1].append(ids)
    for (kind, size), cells in blocks:
        print("cells", kind, len(cells), size)
        for ids in cells:
            print(" ".join(str(v) for v in ids))
    for kind, data in (("point_data", g.GetPointData()), ("cell_data", g.GetCellData())):
        arrays = {data.GetArrayName(i): vtk_to_numpy(data.GetArray(i))
                  for i in range(data.GetNumberOfArrays())}
        for field in sorted(arrays):
            values(field, kind, [arrays[field]])


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
