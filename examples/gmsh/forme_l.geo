// L-shaped domain [0,2]^2 without ]1,2]x]1,2]: a re-entrant corner at (1,1).
// Mesh size lc; quads = 1 makes quadrilaterals (each triangle of the mesh
// of size lc split into three); refine = k > 0 splits every element of
// that mesh into four, k times, the new vertices on the curves (nested
// meshes for convergence studies; write them with -save, not -2):
//   gmsh -2 -setnumber lc 0.05 -setnumber quads 1 forme_l.geo -o l.msh
//   gmsh -setnumber lc 0.2 -setnumber refine 2 forme_l.geo -save -o r.msh
DefineConstant[ lc = 0.1, quads = 0, refine = 0 ];
Point(1) = {0, 0, 0, lc};
Point(2) = {2, 0, 0, lc};
Point(3) = {2, 1, 0, lc};
Point(4) = {1, 1, 0, lc};
Point(5) = {1, 2, 0, lc};
Point(6) = {0, 2, 0, lc};
Line(1) = {1, 2};
Line(2) = {2, 3};
Line(3) = {3, 4};
Line(4) = {4, 5};
Line(5) = {5, 6};
Line(6) = {6, 1};
Curve Loop(1) = {1, 2, 3, 4, 5, 6};
Plane Surface(1) = {1};
If (quads)
  Recombine Surface{1};
  Mesh.SubdivisionAlgorithm = 1;
EndIf
Physical Curve(1) = {1, 2, 5, 6};  // the outer sides
Physical Curve(2) = {3, 4};        // the sides of the re-entrant corner
Physical Surface(1) = {1};
If (refine > 0)
  Mesh 2;
  For i In {1:refine}
    RefineMesh;
  EndFor
EndIf
