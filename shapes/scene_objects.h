#pragma once
// Every shape the scenes show: built once by buildSceneObjects, afterwards only
// moved, turned, sized and combined. The animators write the frames; the scene
// composition reads the objects through the tests noted beside them.
#include "shapes/shape.h"
#include "shapes/tile_glyph.h"

constexpr int LOGO_RECTS = 21;
constexpr int FAN_TRIANGLES = 8;
constexpr int RING_ARCS = 4;
constexpr int RANDOM_BOXES = 8;
constexpr int CROSS_GROUPS = 5;  // four crosses and their holder
constexpr int LATTICE_PLANES = 12;
constexpr int MANDEL_CUTOUTS = 3;
constexpr int FREE_DISCS = 4;
constexpr uint32_t BOX_SEED = 54901;  // the random boxes always come out the same

extern ShapeGroup glyphBand;               // rectangle, intersectGroup, AND NOT the glyph strokes
extern ShapeGroup logoBars;                // the 21 logo rectangles, unionGroup
extern ShapeGroup logoRects[LOGO_RECTS];   // rectangles, intersectGroup (children of logoBars)
extern ShapeGroup logoBounds;              // box around the logo, intersectGroup, tested first
extern ShapeGroup fanTriangles[FAN_TRIANGLES];  // triangles (children of triangleFan)
extern ShapeGroup triangleFan;             // unionGroup, through insideTriangleFan
extern Disc ringOuter;                     // shared by all four ring arcs
extern Disc ringInner;
extern HalfPlane arcCuts[RING_ARCS];       // normals set by the animators
extern ShapeGroup ringArcs[RING_ARCS];     // outer AND NOT inner AND two cuts, intersectGroup
extern Disc quadDiscs[4];
extern ShapeGroup quadDiscGroup;           // xorGroup
extern ShapeGroup randomBoxes[RANDOM_BOXES];  // rectangles, intersectGroup
extern ShapeGroup crossBarH;               // shared by the four crosses
extern ShapeGroup crossBarV;
extern ShapeGroup crossGroups[CROSS_GROUPS];  // 0..3 crosses, 4 their holder (unionGroup)
extern HalfPlane latticePlanes[LATTICE_PLANES];
extern ShapeGroup latticeGroup;            // xorGroup
extern Disc mandelCutouts[MANDEL_CUTOUTS]; // placed by the animators
extern Disc freeDiscs[FREE_DISCS];         // placed by the animators, tested one by one

// Fills every object above. Runs at start-up and after every window
// re-creation; each run gives the same objects and leaves rngState at 5462.
void buildSceneObjects();

// The Mandelbrot set with its three largest solid parts cut away, at view
// pixels (x, y). The cheap disc tests run first.
int insideTrimmedMandelbrot(float x, float y);

// unionGroup(triangleFan) at view pixels (x, y).
int insideTriangleFan(float x, float y);
