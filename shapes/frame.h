#pragma once
// The frame transform shared by the groups and the tile glyph: parent point to
// local point. At most one division (the reciprocal of the scale); arithmetic
// in double, the local point handed on as 32-bit floats.

struct LocalPoint {
    float u;
    float v;
};

// Frame is any record that starts with x0, y0, scale, sin, cos.
template <class Frame>
inline LocalPoint toLocalFrame(const Frame* f, float x, float y) {
    const double dx = static_cast<double>(x) - f->x0;
    const double dy = static_cast<double>(y) - f->y0;
    double u = dx * f->cos - dy * f->sin;
    double v = dy * f->cos + dx * f->sin;
    // At scale 1 the reciprocal is 1 and changes nothing: no division.
    if (f->scale != 1.0f) {
        const double k = 1.0 / f->scale;
        u *= k;
        v *= k;
    }
    return {static_cast<float>(u), static_cast<float>(v)};
}
