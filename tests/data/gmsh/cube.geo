// Unit cube of tetrahedra; groups on the bottom and top faces, one edge and
// one corner.
SetFactory("OpenCASCADE");
Box(1) = {0, 0, 0, 1, 1, 1};
MeshSize{ PointsOf{ Volume{1}; } } = 0.6;
Physical Point(9) = {1};         // corner (0, 0, 1)
Physical Curve(4) = {1};         // edge x = 0, y = 0
Physical Surface(1) = {5};       // bottom z = 0
Physical Surface(2) = {6};       // top z = 1
Physical Volume(7) = {1};
