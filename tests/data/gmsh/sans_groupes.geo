// Rectangle [0,1]x[0,0.5] without any physical group: every element is
// saved, points and lines too, and the node of a point on no element.
lc = 0.25;
Point(1) = {0, 0, 0, lc};
Point(2) = {1, 0, 0, lc};
Point(3) = {1, 0.5, 0, lc};
Point(4) = {0, 0.5, 0, lc};
Point(5) = {0.5, 0.75, 0, lc};  // outside the rectangle, alone
Line(1) = {1, 2};
Line(2) = {2, 3};
Line(3) = {3, 4};
Line(4) = {4, 1};
Curve Loop(1) = {1, 2, 3, 4};
Plane Surface(1) = {1};
