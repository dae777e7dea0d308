// The animators on worked examples: what each must place on a 1280 x 960 view
// at one moment of the show, and at the edges of their rules.
#include "timeline_support.h"

struct Animators : ShowTest {};

// 13.5 s on the counter, with these sync values and a scene pulse of 0.75.
TEST_F(Animators, OneMomentOfTheShow) {
    setSyncs({{1, 6, 0}, {2, 4, 0.5f}, {4, 5, 1}, {5, 31, 0.5f}, {10, 2, 0.5f}, {11, 9, 0.5f}, {13, 0, 0.5f}});
    scenePulse = 0.75f, rngState = 777;
    animateTriangleFan(13.5f);  // a phase of 0.5 (nine hits shift like one), swung by sin(0.5 x 11.22)
    expectFrame(triangleFan, {640, 480, 10.95651, -0.1234795});
    animateIntro(13.5f);
    expectValues({{randomBoxes[0].x0, 140.8}, {randomBoxes[0].y0, 456}, {randomBoxes[0].scale, 106.66667},
                  {randomBoxes[4].y0, 408}, {randomBoxes[7].x0, 1126.4}, {randomBoxes[7].y0, 528}});
    EXPECT_EQ(rngState, 777u);  // the jitter leaves the shared generator alone
    expectFrame(tileGlyph, {640, 480, 640, 7.853981});
    expectValues({{paperLevel, 0.421875}, {inkSaturation, 0.140625}, {polarity, 0.9}});
    animateRingArcs(13.5f);  // a phase of 1/32
    expectValues({{arcCuts[0].nx, -0.1949994}, {arcCuts[0].ny, -0.9808034}, {arcCuts[1].nx, 0}, {arcCuts[1].ny, 1},
                  {arcCuts[2].nx, 0.1950903}, {arcCuts[2].ny, 0.9807853}, {arcCuts[3].nx, 0}, {arcCuts[3].ny, -1}});
    const double x0[4] = {185.0548, 666.3348, 613.6652, 1093.665};
    for (int k = 0; k < 4; ++k) expectValues({{ringArcs[k].x0, x0[k]}, {ringArcs[k].y0, k < 2 ? 432 : 528}, {ringArcs[k].scale, 448}});
    animateEnding(13.5f);  // an eighth below the middle of the band's sweep
    expectFrame(glyphBand, {320, 360, 640, 13.5});
    expectFrame(tileGlyph, {640, 470.4, 422.4, 0});
    expectValues({{paperLevel, 0.5}, {polarity, 0.25}, {inkSaturation, 0.05}});
    animateCommon(13.5f);
    expectFrame(glyphBand, {640, 528, 50, 6.06});
    expectFrame(logoBars, {384, 288, 600, 0});
    expectFrame(quadDiscGroup, {746.6667, 480, 1538.422, 44.5});
    animateFreeDiscs(13.5f);  // A = 8.75: every sine below 0, every moon in front
    EXPECT_EQ(freeDiscXor[1] + freeDiscXor[2] + freeDiscXor[3], 0);
    const double disc[4][3] = {{832, 432, 192}, {532.265, 375.804, 96}, {1069.048, 342.8278, 64}, {1206.411, 413.853, 38.4}};
    for (int k = 0; k < 4; ++k)
        expectValues({{freeDiscs[k].cx, disc[k][0]}, {freeDiscs[k].cy, disc[k][1]}, {freeDiscs[k].radius, disc[k][2]}});
    expectFrame(latticeGroup, {640, 576, 553.5023, 13.5});
    expectValues({{paperLevel, 0.55}, {polarity, 0.875}, {inkSaturation, 0.65}});
    animateMandelZoom(13.5f);
    expectValues({{mandelScale, 1.5}, {mandelOffsetX, 0.75}, {mandelOffsetY, 0.1}, {mandelCutouts[0].cx, -0.1666667},
                  {mandelCutouts[0].cy, 0.06666667}, {mandelCutouts[0].radius, 0.1533333}, {mandelCutouts[2].cx, 0.3466667}});
    animateMandelDrift(13.5f);
    expectValues({{mandelScale, 0.09913338}, {mandelOffsetX, 0.8459394}, {mandelOffsetY, 0.03656637},
                  {mandelCutouts[0].cx, -1.554074}, {polarity, 0.8125}, {paperLevel, 0.125}, {inkSaturation, 0.7625}});
    animateCrosses(13.5f);  // orbit phase 54, spin 26.5
    expectFrame(crossGroups[4], {640, 480, 1049.6, 0});
    expectFrame(crossGroups[0], {-1.460694, -2.793945, 3.0, 26.5});
    expectFrame(crossGroups[3], {4.666575, 3.351146, 1.5, 23.5});
}

TEST_F(Animators, EdgesOfTheRules) {
    // Any value at all: beyond 32 bits the low bits still count; out of any range, 0.
    for (auto [v, w] : std::initializer_list<std::pair<double, int>>{{-2147483653.0, 8187}, {1e30, 0}, {-HUGE_VAL, 0}, {NAN, 0}})
        EXPECT_EQ(wrap13(v), w) << v;
    setSyncs({{11, 1, 0}});  // 2t is short of a hit's quarter second: the phase wraps to 0.75
    animateTriangleFan(0.125f);
    expectFrame(triangleFan, {640, 480, 21.875, 0.75});
    scenePulse = 0.0f;  // the zoom has ended: infinite cut-outs, an empty layer
    animateMandelZoom(0.0f);
    for (float x : {0.0f, 300.0f, 640.0f}) EXPECT_EQ(insideTrimmedMandelbrot(x, 480.0f), 0) << x;
    setSyncs({{4, 5, 0}});  // no pulse, no jitter
    animateIntro(0.0f);
    EXPECT_EQ(randomBoxes[1].y0, 480.0f);
    animateFreeDiscs(0.0f);  // every sine exactly 0: every moon behind; no flash, no fade: the colours stay
    animateMandelDrift(0.0f);
    EXPECT_EQ(freeDiscXor[1] + 2 * freeDiscXor[2] + 4 * freeDiscXor[3], 7);
    expectValues({{paperLevel, 0.421875}, {inkSaturation, 0.140625}, {polarity, 0.9}});
    // A grey flash on the first and third channel-2 hits, while the pulse is at least half.
    const float flashes[][3] = {{1, 0.6f, 1}, {3, 0.5f, 1}, {2, 1, 0}, {3, 0.49f, 0}, {4, 1, 0}};  // count, pulse, flash
    for (const auto& f : flashes) {
        setSyncs({{2, static_cast<int32_t>(f[0]), f[1]}});
        animateIntro(0.0f);
        EXPECT_EQ(paperLevel == f[1] && inkSaturation == 0.0f && polarity == 1.0f, f[2] == 1) << f[0] << " " << f[1];
    }
}
