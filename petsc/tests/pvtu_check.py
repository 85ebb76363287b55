"""Reads a .pvtu index and its .vtu pieces as ParaView would meet them:
the index with an XML parser, each piece with meshio. Prints one line per
piece ("piece NAME POINTS CELLS CELLTYPE") and then one line per point:
x y u.
Usage: pvtu_check.py INDEX.pvtu"""
import os
import sys
import xml.etree.ElementTree as ET

import meshio


def main():
    index = sys.argv[1]
    root = ET.parse(index).getroot()
    assert root.get("type") == "PUnstructuredGrid", root.get("type")
    grid = root.find("PUnstructuredGrid")
    names = [a.get("Name") for a in grid.find("PPointData")]
    assert "u" in names, names
    for piece in grid.findall("Piece"):
        src = piece.get("Source")
        m = meshio.read(os.path.join(os.path.dirname(index), src))
        cells = sum(len(b.data) for b in m.cells)
        print("piece", src, len(m.points), cells, m.cells[0].type)
        for p, u in zip(m.points, m.point_data["u"]):
            print(repr(float(p[0])), repr(float(p[1])), repr(float(u)))


if __name__ == "__main__":
    main()
