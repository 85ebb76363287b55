// L-shaped domain: [0,2]x[0,1] below, [0,1]x[1,2] above, as two surfaces in
// two physical groups numbered against their order.
lc = 0.35;
Point(1) = {0, 0, 0, lc};
Point(2) = {2, 0, 0, lc};
Point(3) = {2, 1, 0, lc};
Point(4) = {1, 1, 0, lc};  // re-entrant corner
Point(5) = {1, 2, 0, lc};
Point(6) = {0, 2, 0, lc};
Point(7) = {0, 1, 0, lc};
Line(1) = {1, 2};
Line(2) = {2, 3};
Line(3) = {3, 4};
Line(4) = {4, 5};
Line(5) = {5, 6};
Line(6) = {6, 7};
Line(7) = {7, 1};
Line(8) = {7, 4};
Curve Loop(1) = {1, 2, 3, -8, 7};
Plane Surface(1) = {1};
Curve Loop(2) = {8, 4, 5, 6};
Plane Surface(2) = {2};
Physical Point(30) = {4};
Physical Curve(5) = {3, 4};           // the sides of the re-entrant corner
Physical Curve(6) = {1, 2, 5, 6, 7};  // the outer sides
Physical Surface(8) = {1};
Physical Surface(3) = {2};
