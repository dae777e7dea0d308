#pragma once
// Rectangles and triangles are groups of half-planes, read by intersectGroup.
// Both constructors fill only the first child slots, the count and the bound
// disc around the shape; the group's frame (x0, y0, scale, sin, cos) and the
// other slots are left to the caller.
#include "shapes/shape.h"

// The open rectangle left < u < right, top < v < bottom in the group's local
// coordinates; edges in the slot order top, bottom, left, right.
ShapeGroup* makeRectangle(ShapeGroup* group, float left, float top, float right, float bottom);

// The open triangle P1 P2 P3, one edge per slot (P1->P2, P2->P3, P3->P1). It is
// empty unless the vertices run counterclockwise on the y-down screen. The
// three vertices must be distinct.
ShapeGroup* makeTriangle(ShapeGroup* group, float x1, float y1, float x2, float y2, float x3, float y3);

// Gives a union of child groups the disc around its children's bound discs,
// as their frames place them now: only for children whose frames stay put.
// No disc when any child has none for the way the group reads it.
void boundUnion(ShapeGroup* group);
