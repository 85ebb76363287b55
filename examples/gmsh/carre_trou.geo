// Square [0,2]^2 with a round hole of radius 0.4 centred at (1.1, 0.9).
// Mesh size lc; quads = 1 makes quadrilaterals (each triangle of the mesh
// of size lc split into three); refine = k > 0 splits every element of
// that mesh into four, k times, the new vertices on the curves (nested
// meshes for convergence studies; write them with -save, not -2):
//   gmsh -2 -setnumber lc 0.05 -setnumber quads 1 carre_trou.geo -o c.msh
//   gmsh -setnumber lc 0.2 -setnumber refine 2 carre_trou.geo -save -o r.msh
DefineConstant[ lc = 0.1, quads = 0, refine = 0 ];
cx = 1.1;
cy = 0.9;
r = 0.4;
Point(1) = {0, 0, 0, lc};
Point(2) = {2, 0, 0, lc};
Point(3) = {2, 2, 0, lc};
Point(4) = {0, 2, 0, lc};
Point(5) = {cx, cy, 0, lc};  // centre of the hole, on no element
Point(6) = {cx + r, cy, 0, lc};
Point(7) = {cx, cy + r, 0, lc};
Point(8) = {cx - r, cy, 0, lc};
Point(9) = {cx, cy - r, 0, lc};
Line(1) = {1, 2};
Line(2) = {2, 3};
Line(3) = {3, 4};
Line(4) = {4, 1};
Circle(5) = {6, 5, 7};
Circle(6) = {7, 5, 8};
Circle(7) = {8, 5, 9};
Circle(8) = {9, 5, 6};
Curve Loop(1) = {1, 2, 3, 4};
Curve Loop(2) = {5, 6, 7, 8};
Plane Surface(1) = {1, 2};
If (quads)
  Recombine Surface{1};
  Mesh.SubdivisionAlgorithm = 1;
EndIf
Physical Curve(1) = {1, 2, 3, 4};  // the outer sides
Physical Curve(2) = {5, 6, 7, 8};  // the hole
Physical Surface(1) = {1};
If (refine > 0)
  Mesh 2;
  For i In {1:refine}
    RefineMesh;
  EndFor
EndIf
