#!/usr/bin/python3
"""Draws point fields of VTK files (as poisson_gmsh writes them) on their
mesh: one row per file, one panel per field, colours with the element edges
over them and a colour bar.

  /usr/bin/python3 tools/plot_solution.py OUT.png FILE.vtu [FILE.vtu ...]
      [--fields u,error] [--label TEXT ...] [--title TEXT]

--label names the files' rows, once per file in order (default: the names).

Needs Debian's python3-meshio and python3-matplotlib (for /usr/bin/python3;
tools/plot_poisson_gmsh.sh installs them).
"""
import argparse
import sys

try:
    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    import meshio
    import numpy
    from matplotlib.collections import LineCollection
    from matplotlib.tri import Triangulation
except ImportError as err:
    sys.exit("plot_solution: %s (apt-get install python3-meshio python3-matplotlib)" % err)


def surface(path):
    """Points (x, y), the triangles to colour (quadrilaterals cut in two) and
    the element edges to draw, of the 2-D cells of a file."""
    mesh = meshio.read(path)
    xy = numpy.asarray(mesh.points)[:, :2]
    tris, edges = [], set()
    for block in mesh.cells:
        if block.type not in ("triangle", "quad"):
            continue
        for cell in numpy.asarray(block.data):
            c = [int(v) for v in cell]
            tris.append(c[:3])
            if len(c) == 4:
                tris.append([c[0], c[2], c[3]])
            for k in range(len(c)):
                a, b = c[k], c[(k + 1) % len(c)]
                edges.add((min(a, b), max(a, b)))
    if not tris:
        sys.exit("plot_solution: %s has no triangles or quadrilaterals" % path)
    return mesh, xy, numpy.array(tris), numpy.array(sorted(edges))


def panel(ax, xy, tris, edges, values, title, signed):
    """signed: a diverging map centred on 0 (for errors)."""
    t = Triangulation(xy[:, 0], xy[:, 1], tris)
    if signed:
        top = float(numpy.max(numpy.abs(values))) or 1.0
        shade = ax.tripcolor(t, values, shading="gouraud", cmap="RdBu_r", vmin=-top, vmax=top)
    else:
        shade = ax.tripcolor(t, values, shading="gouraud", cmap="viridis")
    lines = LineCollection(xy[edges], colors="black" if signed else "white", linewidths=0.3, alpha=0.4)
    ax.add_collection(lines)
    ax.set_aspect("equal")
    ax.set_title(title, fontsize=10)
    ax.set_xlabel("x")
    ax.set_ylabel("y")
    ax.figure.colorbar(shade, ax=ax, shrink=0.85)


def main():
    p = argparse.ArgumentParser(description="point fields of VTK files on their mesh")
    p.add_argument("out")
    p.add_argument("files", nargs="+")
    p.add_argument("--fields", default="u,error")
    p.add_argument("--label", action="append", default=[])
    p.add_argument("--title", default="")
    p.add_argument("--signed", default="error",
                   help="fields drawn with a map centred on 0 (comma-separated)")
    a = p.parse_args()
    fields = [f for f in a.fields.split(",") if f]
    signed = set(a.signed.split(","))
    labels = a.label or list(a.files)
    if len(labels) != len(a.files) or not fields:
        sys.exit("plot_solution: one label per file, at least one field")

    fig, axes = plt.subplots(len(a.files), len(fields), squeeze=False,
                             figsize=(5.2 * len(fields), 4.4 * len(a.files)), dpi=80)
    for row, (path, label) in enumerate(zip(a.files, labels)):
        mesh, xy, tris, edges = surface(path)
        for col, name in enumerate(fields):
            if name not in mesh.point_data:
                sys.exit("plot_solution: no point field %s in %s" % (name, path))
            values = numpy.asarray(mesh.point_data[name], dtype=float).reshape(-1)
            panel(axes[row][col], xy, tris, edges, values,
                  "%s: %s (%d vertices)" % (label, name, len(xy)), name in signed)
    if a.title:
        fig.suptitle(a.title, fontsize=12)
    fig.tight_layout()
    # Palette PNG: a tenth of the size of full colour, no visible change.
    fig.canvas.draw()
    from PIL import Image

    rgb = Image.frombuffer("RGBA", fig.canvas.get_width_height(), fig.canvas.buffer_rgba()).convert("RGB")
    rgb.quantize(colors=256).save(a.out, optimize=True)
    print(a.out)


if __name__ == "__main__":
    main()
