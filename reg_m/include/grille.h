// Structured grids of four-node quadrilaterals on a rectangle, as meshes.
#ifndef GRILLE_H
#define GRILLE_H

class maillage;

// nx x ny cells; vertices half a step before each cell's lower-left corner,
// so the first vertex is at (minx - dx/2, miny - dy/2). The caller owns the
// result. Negative counts, or a grid whose storage would not fit int counts,
// stop the run with status 1 before anything is allocated.
maillage* gen_mb(float minx, float dx, int nx, float miny, float dy, int ny);

// nx x ny vertices, the first on the origin (minx, miny); a count of 0 gives
// no vertex and no element. The caller owns the result; fatal sizes as for
// gen_mb.
maillage* gen_ms(float minx, float dx, int nx, float miny, float dy, int ny);

#endif
