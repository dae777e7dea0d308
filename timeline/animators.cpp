// The scene animators: how the scene objects move, turn, pulse and recolour.
#include "timeline/animators.h"

#include <cmath>

#include "core/globals.h"
#include "shapes/scene_objects.h"
#include "shapes/shape.h"

float scenePulse = 0.0f;
float scenePulseRate = 1.0f;
int32_t freeDiscXor[4] = {0, 0, 0, 0};

int32_t wrap13(double v) {
    // Through a 64-bit integer, so that no value is out of range: magnitudes of
    // 2^63 and beyond (and NaN) are taken as 0, their low bits being 0 anyway.
    if (!(std::fabs(v) < 9.2e18)) return 0;
    return static_cast<int32_t>(static_cast<int64_t>(v) & 0x1fff);
}

namespace {
// Frames store sine and cosine apart; an angle sets both.
template <typename Frame>
void turn(Frame& f, double angle) {
    f.sin = static_cast<float>(std::sin(angle));
    f.cos = static_cast<float>(std::cos(angle));
}

double vw() { return viewWidth; }
double vh() { return viewHeight; }
}  // namespace

void animateTriangleFan(float t) {
    // One radian every half second; each channel-11 hit shifts the sawtooth by
    // a quarter second, modulo eight hits.
    double a = wrap13((2.0 * t - (syncCount(11) & 7) * 0.5) * 8192.0) / 8192.0;
    float swing = syncPulse(13);
    if (swing > 0) a += std::sin(swing * 11.22);
    turn(triangleFan, a);
    triangleFan.scale = static_cast<float>((a + 1.0) * 10.0 * vw() * 0.0009765625);
    triangleFan.x0 = static_cast<float>(vw() * 0.5);
    triangleFan.y0 = static_cast<float>(vh() * 0.5);
}

void animateIntro(float t) {
    int32_t hits4 = syncCount(4);
    tileGlyph.x0 = static_cast<float>(vw() * 0.5);
    tileGlyph.y0 = static_cast<float>(vh() * 0.5);
    tileGlyph.scale = static_cast<float>(screenWidth * 0.5);
    turn(tileGlyph, hits4 * 1.5707963);  // a quarter turn per hit

    animateRingArcs(t);

    // Each channel-4 hit reseeds the jitter; the sequence is this animator's own
    // and starts afresh every frame, leaving the shared generator alone.
    static const double boxX[8] = {0.11, 0.22, 0.33, 0.44, 0.55, 0.66, 0.77, 0.88};
    uint32_t r = (static_cast<uint32_t>(hits4) * 56101u) % 65537u;
    float kick = syncPulse(4);
    for (int k = 0; k < 8; ++k) {
        r = nextRandom(r);
        int step = static_cast<int>(r % 7u) - 3;
        randomBoxes[k].x0 = static_cast<float>(vw() * boxX[k]);
        randomBoxes[k].scale = static_cast<float>(vw() * 0.083333336f);
        randomBoxes[k].y0 = static_cast<float>((step * kick * 0.025 + 0.5) * vh());
    }

    polarity = 0.9f;
    paperLevel = static_cast<float>(0.5 - hits4 * 0.015625);
    inkSaturation = static_cast<float>(hits4 * 0.028125);
    // A grey flash on the first and third channel-2 hits.
    int32_t hits2 = syncCount(2);
    float flash = syncPulse(2);
    if ((hits2 == 1 || hits2 == 3) && flash >= 0.5f) {
        paperLevel = flash;
        polarity = 1.0f;
        inkSaturation = 0.0f;
    }
}

void animateRingArcs(float t) {
    // One turn every 16 s; each channel-1 hit adds 1/32 of a turn.
    float a = static_cast<float>(wrap13(syncCount(1) * 256.0 + t * 512.0) / 8192.0);
    arcCuts[1].nx = 0.0f;
    arcCuts[1].ny = 1.0f;
    arcCuts[3].nx = 0.0f;
    arcCuts[3].ny = -1.0f;
    double theta = a * 6.283185;
    arcCuts[0].nx = static_cast<float>(std::sin(theta + 3.1415));
    arcCuts[0].ny = static_cast<float>(std::cos(theta + 3.1415));
    arcCuts[2].nx = static_cast<float>(std::sin(theta));
    arcCuts[2].ny = static_cast<float>(std::cos(theta));

    float size = static_cast<float>((syncPulse(2) * 0.2 + 0.25) * vw());
    for (ShapeGroup& arc : ringArcs) arc.scale = size;
    // The upper pair slides right and the lower pair left as the phase grows.
    float b = a * 0.37037036f;
    ringArcs[0].x0 = static_cast<float>((b + 0.133) * vw());
    ringArcs[1].x0 = static_cast<float>((b + 0.509) * vw());
    ringArcs[2].x0 = static_cast<float>((0.491 - b) * vw());
    ringArcs[3].x0 = static_cast<float>((0.866 - b) * vw());
    ringArcs[0].y0 = ringArcs[1].y0 = static_cast<float>(vh() * 0.45);
    ringArcs[2].y0 = ringArcs[3].y0 = static_cast<float>(vh() * 0.55);
}

void animateEnding(float t) {
    tileGlyph.x0 = static_cast<float>(vw() * 0.5);
    tileGlyph.y0 = static_cast<float>(vh() * 0.49);
    tileGlyph.scale = static_cast<float>(screenWidth * 0.33);
    turn(tileGlyph, 0.0);
    double g = wrap13(t * 2048.0) / 8192.0 - 0.5;  // a sawtooth from -0.5 to 0.5 every 4 s
    paperLevel = 0.5f;
    polarity = 0.25f;
    inkSaturation = 0.05f;
    glyphBand.x0 = static_cast<float>((2.0 * g + 0.5) * vw());
    glyphBand.y0 = static_cast<float>((g + 0.5) * vh());
    turn(glyphBand, t);
    glyphBand.scale = static_cast<float>(vw() * 0.5);
}

void animateCommon(float t) {
    placeQuadDiscGroup(t);
    glyphBand.x0 = static_cast<float>(vw() * 0.5);
    glyphBand.y0 = static_cast<float>((syncPulse(2) * 0.1 + 0.5) * vh());
    turn(glyphBand, syncCount(1) * 1.01);
    glyphBand.scale = static_cast<float>(vw() * 0.0390625);
    // Each channel-10 hit throws the logo in from the right; it slides out to
    // the left as the pulse fades, on one of three rows chosen by the count.
    logoBars.x0 = static_cast<float>((syncPulse(10) * 3.0 - 1.2) * vw());
    logoBars.y0 = static_cast<float>((((syncCount(10) + 2) % 3) * 0.2 + 0.1) * vh());
    logoBars.scale = static_cast<float>(vw() * 0.46875);
    turn(logoBars, 0.0);
}

void placeQuadDiscGroup(float t) {
    turn(quadDiscGroup, syncCount(5) + static_cast<double>(t));
    quadDiscGroup.scale = static_cast<float>((std::sin(t) * 0.5 + 0.8) * vw());
    quadDiscGroup.x0 = static_cast<float>(((syncCount(1) & 3) * 0.16666667f + 0.5 - 0.25) * vw());
    quadDiscGroup.y0 = static_cast<float>((syncPulse(2) * 0.4 + 0.3) * vh());
}

void placeLatticeGroup(float t) {
    latticeGroup.x0 = static_cast<float>(vw() * 0.5);
    latticeGroup.y0 = static_cast<float>((syncPulse(2) * 0.2 + 0.5) * vh());
    latticeGroup.scale = static_cast<float>((std::sin(static_cast<double>(syncCount(11))) * 0.2 + 0.35) * vw());
    turn(latticeGroup, t);
}

void animateMandelZoom(float) {
    // As the scene pulse falls from 1 to 0 the view zooms from scale 2 towards
    // -0.75 - 0.1i; at 0 the cut-outs become infinite and the layer empties.
    mandelOffsetX = 0.75f;
    mandelOffsetY = 0.1f;
    mandelScale = static_cast<float>(2.0 - (1.0 - scenePulse) * 2.0);
    placeMandelCutouts();
}

void animateMandelDrift(float t) {
    double b = syncCount(2) * 37.1 + 2.0 * t;
    mandelScale = static_cast<float>(std::sin(b) * 0.2 + 0.2001);  // never below 0.0001
    mandelOffsetX = static_cast<float>(std::sin(1.3 * b) * mandelScale + 0.75);
    mandelOffsetY = static_cast<float>(std::sin(1.7 * b) * mandelScale + 0.01);
    placeMandelCutouts();
    placeLatticeGroup(t);
    placeQuadDiscGroup(t);
    if (scenePulse > 0) {  // the slow fade from orders 19 and 20
        polarity = static_cast<float>(scenePulse * 0.75 + 0.25);
        paperLevel = static_cast<float>(0.5 - scenePulse * 0.5);
        inkSaturation = static_cast<float>(scenePulse * 0.95 + 0.05);
    }
}

void placeMandelCutouts() {
    // The complex-plane discs about -1 (0.23), -1.31 (0.05) and -0.23 (0.5),
    // whatever the zoom. A zero scale gives infinities, never a trap.
    double inv = 1.0 / mandelScale;
    static const double centre[3] = {1.0, 1.31, 0.23};
    static const double radius[3] = {0.23, 0.05, 0.5};
    for (int i = 0; i < 3; ++i) {
        mandelCutouts[i].cx = static_cast<float>((mandelOffsetX - centre[i]) * inv);
        mandelCutouts[i].cy = static_cast<float>(mandelOffsetY * inv);
        mandelCutouts[i].radius = static_cast<float>(radius[i] * inv);
    }
}

void animateFreeDiscs(float t) {
    placeQuadDiscGroup(t);
    placeLatticeGroup(t);
    float flash = syncPulse(5);
    if (flash > 0) {
        paperLevel = static_cast<float>(flash * 0.9 + 0.1);
        polarity = static_cast<float>(1.0 - flash * 0.25);
        inkSaturation = static_cast<float>(1.0 - flash * 0.7);
    }
    // A planet with three moons on flat ellipses; on the half of its orbit where
    // the sine is not negative a moon passes behind (XOR), else in front (OR).
    float a = static_cast<float>(syncCount(5) * 0.06451613 + t * 0.5);
    float p = static_cast<float>(syncPulse(2) * 0.3);
    float q = static_cast<float>(syncPulse(10) * 0.3);
    float h = 0.5f - p;
    freeDiscs[0].radius = static_cast<float>(vw() * 0.15);
    freeDiscs[0].cx = static_cast<float>((p + 0.5) * vw());
    freeDiscs[0].cy = static_cast<float>((q + 0.3) * vh());

    double s1 = std::sin(2.0 * a), s2 = std::sin(1.3 * a), s3 = std::sin(0.7 * a);
    freeDiscs[1].radius = static_cast<float>(vw() * 0.075);
    freeDiscs[1].cx = static_cast<float>((std::cos(2.0 * a) * 0.3 + h) * vw());
    freeDiscs[1].cy = static_cast<float>((s1 * 0.06 + q + 0.3) * vh());
    freeDiscXor[1] = s1 >= 0 ? 1 : 0;
    freeDiscs[2].radius = static_cast<float>(vw() * 0.05);
    freeDiscs[2].cx = static_cast<float>(((std::cos(1.3 * a) + 1.0) * 0.5 + p) * vw());
    freeDiscs[2].cy = static_cast<float>((s2 * 0.1 + q + 0.3) * vh());
    freeDiscXor[2] = s2 >= 0 ? 1 : 0;
    freeDiscs[3].radius = static_cast<float>(vw() * 0.03);
    freeDiscs[3].cx = static_cast<float>((std::cos(0.7 * a) * 0.6 + h) * vw());
    freeDiscs[3].cy = static_cast<float>((s3 * 0.12 + q + 0.3) * vh());
    freeDiscXor[3] = s3 >= 0 ? 1 : 0;
}

void animateCrosses(float t) {
    static const float crossScale[4] = {3.0f, 2.5f, 2.0f, 1.5f};
    ShapeGroup& holder = crossGroups[4];
    holder.x0 = static_cast<float>(vw() * 0.5);
    holder.y0 = static_cast<float>(vh() * 0.5);
    holder.scale = static_cast<float>((scenePulse + 0.07) * vw());
    turn(holder, 0.0);
    // Each channel-11 hit moves the crosses 3 radians along their orbits and
    // jerks their spin back by up to a radian.
    double a = 2.0 * t + 3.0 * syncCount(11);
    double b = 2.0 * t - syncPulse(11);
    for (int k = 0; k < 4; ++k) {
        crossGroups[k].scale = crossScale[k];
        crossGroups[k].x0 = static_cast<float>(5.0 * std::cos(0.5 * (a - k)));
        crossGroups[k].y0 = static_cast<float>(5.0 * std::sin(a - k));
        turn(crossGroups[k], b - k);
    }
}
