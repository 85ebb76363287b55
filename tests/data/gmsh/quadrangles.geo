// Rectangle [0,3]x[0,1] of 6 x 2 quadrilaterals.
Point(1) = {0, 0, 0};
Point(2) = {3, 0, 0};
Point(3) = {3, 1, 0};
Point(4) = {0, 1, 0};
Line(1) = {1, 2};
Line(2) = {2, 3};
Line(3) = {3, 4};
Line(4) = {4, 1};
Curve Loop(1) = {1, 2, 3, 4};
Plane Surface(1) = {1};
Transfinite Curve{1, 3} = 7;
Transfinite Curve{2, 4} = 3;
Transfinite Surface{1};
Recombine Surface{1};
Physical Curve(1) = {4};  // left side
Physical Curve(2) = {2};  // right side
Physical Surface(1) = {1};
