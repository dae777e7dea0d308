// The scene test: which objects make up the picture at this point of the show.
#include "timeline/composition.h"

#include "core/globals.h"
#include "shapes/scene_objects.h"
#include "shapes/shape.h"
#include "shapes/tile_glyph.h"
#include "timeline/animators.h"

int sceneArcs(float x, float y) {
    // From the 32nd channel-1 hit on, the arcs are gone for good.
    if (syncCount(1) >= 32) return 0;
    int32_t shown = syncCount(2);
    int s = 0;
    if (shown >= 1) s = intersectGroup(&ringArcs[0], x, y);
    if (shown >= 7) s |= intersectGroup(&ringArcs[1], x, y);
    if (shown >= 9) s |= intersectGroup(&ringArcs[2], x, y);
    if (shown >= 12) s |= intersectGroup(&ringArcs[3], x, y);
    return s;
}

namespace {
int insideFreeDisc(const Disc& d, float x, float y) {
    float u = (x - d.cx) / d.radius, v = (y - d.cy) / d.radius;
    return u * u + v * v < 1.0f;  // the rim is outside
}

// The discs or the lattice, by the parity of the channel-11 count.
int parityLayer(float x, float y) {
    return (syncCount(11) & 1) ? xorGroup(&quadDiscGroup, x, y) : xorGroup(&latticeGroup, x, y);
}
}  // namespace

int sampleScene(float x, float y) {
    if (currentDemoPhase() < 0) return 0;  // the warning screen
    int o = orderReached;

    if (o == 0) {  // the opening: boxes and arcs with the letters cut out
        int d = intersectGroup(&randomBoxes[0], x, y);
        int32_t boxes = syncCount(1);
        for (int k = 1; k <= 7; ++k)
            if (boxes >= k) d |= intersectGroup(&randomBoxes[k], x, y);
        d |= sceneArcs(x, y);
        return d & insideTileGlyph(&tileGlyph, x, y);
    }
    if (currentDemoPhase() >= 1)  // the ending: the letter strokes inside the band
        return intersectGroup(&glyphBand, x, y) & (insideTileGlyph(&tileGlyph, x, y) ^ 1);
    if (o <= 2) {
        int d = sceneArcs(x, y);
        if (syncCount(2) >= 7) d ^= xorGroup(&quadDiscGroup, x, y);
        return d;
    }
    if (o >= 12 && o <= 15) {  // a planet and three moons
        int r = insideFreeDisc(freeDiscs[0], x, y);
        for (int k = 1; k <= 3; ++k) {
            int inside = insideFreeDisc(freeDiscs[k], x, y);
            r = freeDiscXor[k] ? r ^ inside : r | inside;
        }
        return r ^ parityLayer(x, y);
    }
    if (o == 19 || o == 20) return insideTrimmedMandelbrot(x, y) ^ parityLayer(x, y);

    // The general layers; the costly tests only where they can show.
    int d = (o == 5 || o == 9) ? insideTrimmedMandelbrot(x, y) : 0;
    if (syncCount(11) > 0 && syncPulse(10) <= 0.0f) d ^= insideTriangleFan(x, y);
    if (o >= 10 && o <= 11) d |= unionGroup(&crossGroups[4], x, y);
    if (syncCount(2) >= 7) d ^= xorGroup(&quadDiscGroup, x, y);
    if (d) return 1;
    if (o >= 9) return 0;
    // The logo fills what the other layers leave empty, tested inside its box only.
    return intersectGroup(&logoBounds, x, y) && unionGroup(&logoBars, x, y);
}
