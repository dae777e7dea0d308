// Which objects make the scene in each case: over the whole view, the scene
// against the one layer that must show; the free discs on chosen points.
#include "timeline/composition.h"
#include "timeline_support.h"

using Layer = int (*)(float, float);
// Points of the view, every 16 pixels, where f holds.
template <typename F>
static int inkOf(F f) {
    int n = 0;
    for (float y = 0; y < 960; y += 16)
        for (float x = 0; x < 1280; x += 16) n += f(x, y) != 0;
    return n;
}
static int none(float, float) { return 0; }
static int ending(float x, float y) { return intersectGroup(&glyphBand, x, y) && !insideTileGlyph(&tileGlyph, x, y); }
template <ShapeFn test, const ShapeGroup* group>
static int layer(float x, float y) { return test(group, x, y); }

struct Composition : ShowTest {};

TEST_F(Composition, EachCaseShowsItsLayer) {
    // phase, order (reached in this frame), counts 1, 2 and 11, pulse 10, the Mandelbrot emptied; the one layer shown
    const Layer logo = layer<unionGroup, &logoBars>, crosses = layer<unionGroup, &crossGroups[4]>;
    const Layer quad = layer<xorGroup, &quadDiscGroup>, lattice = layer<xorGroup, &latticeGroup>;
    const std::tuple<int, int, int32_t, int32_t, int32_t, float, bool, Layer> rows[] = {
        {-1, 0, 7, 12, 1, 0, 0, none},  {-1, 12, 0, 0, 1, 0, 0, none},    {-1, 19, 0, 0, 1, 0, 0, none},
        {1, 5, 0, 0, 0, 0, 0, ending},  {0, 1, 8, 6, 0, 0, 0, sceneArcs}, {0, 2, 8, 6, 0, 0, 0, sceneArcs},
        {0, 16, 0, 0, 0, 0, 0, none},   {0, 16, 0, 0, 1, 0, 0, insideTriangleFan},  // the fan needs a hit
        {0, 16, 0, 0, 1, 0.5f, 0, none}, {0, 16, 0, 7, 0, 0, 0, quad},  // and no logo pulse
        {0, 10, 0, 0, 0, 0, 0, crosses}, {0, 11, 0, 0, 0, 0, 0, crosses}, {0, 8, 0, 0, 0, 0.6f, 0, logo},
        {0, 5, 0, 0, 0, 0, 0, insideTrimmedMandelbrot}, {0, 9, 0, 0, 0, 0.6f, 0, insideTrimmedMandelbrot},
        {0, 19, 0, 0, 0, 0, 1, lattice}, {0, 20, 0, 0, 1, 0, 1, quad}};  // by the parity of count 11
    for (const auto& [phase, order, count1, count2, count11, pulse10, emptied, shows] : rows) {
        resetShow(), demoPhase.store(phase);
        setSyncs({{1, count1, 0}, {2, count2, 0}, {11, count11, 0}, {10, 0, pulse10}});
        frameAt(0.0, order);  // a frame of no time: the pulses stay as set
        if (emptied) mandelScale = 0.0f, placeMandelCutouts();
        EXPECT_EQ(inkOf([shows](float x, float y) { return sampleScene(x, y) != shows(x, y); }), 0) << phase << " " << order;
        EXPECT_EQ(inkOf(shows) > 0, shows != none) << phase << " " << order;
    }
}

TEST_F(Composition, HitsBringTheBoxesAndArcsInOneByOne) {
    frameAt(4.0, 0);  // the opening places both; a quarter turn opens the arcs
    auto trend = [](int channel, std::initializer_list<int32_t> counts, Layer layer) {
        std::string steps;
        for (int32_t count : counts) {
            int before = inkOf(layer);
            setSyncs({{channel, count, 0.0f}});
            steps += inkOf(layer) > before ? '<' : inkOf(layer) == before ? '=' : '>';
        }
        return steps;
    };
    EXPECT_EQ(trend(1, {1, 2, 3, 4, 5, 6, 7, 8}, sampleScene), "<<<<<<<=");  // one box a hit, seven in all
    EXPECT_EQ(trend(2, {1, 6, 7, 8, 9, 11, 12}, sceneArcs), "<=<=<=<");
    EXPECT_EQ(trend(1, {31, 32}, sceneArcs), "=>");  // gone from the 32nd hit
}

TEST_F(Composition, FreeDiscsCoverOrCutByTheirFlags) {
    setSyncs({{11, 1, 0.0f}});  // odd: the quad discs, moved off the view
    quadDiscGroup.x0 = quadDiscGroup.y0 = 1e6f;
    freeDiscs[0] = {100, 100, 50}, freeDiscs[1] = {130, 100, 50}, freeDiscs[2] = {900, 900, 10}, freeDiscs[3] = {900, 800, 10};
    // order, x, y, moon 1 by XOR, ink: in both; the planet only; in both; on the moon's rim; above the planet;
    // the last moon alone
    const int points[][5] = {{12, 115, 100, 1, 0}, {15, 70, 100, 1, 1},  {12, 115, 100, 0, 1},
                             {15, 180, 100, 0, 0}, {12, 100, 160, 0, 0}, {15, 900, 800, 0, 1}};
    for (const auto& p : points) {
        orderReached = p[0], freeDiscXor[1] = p[3];
        EXPECT_EQ(sampleScene(p[1], p[2]), p[4]) << p[0] << ": " << p[1] << "," << p[2];
    }
}
