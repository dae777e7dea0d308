#pragma once
// The frame transform shared by the groups and the tile glyph: parent point to
// local point. One division (the reciprocal of the scale); arithmetic in double,
// the local point handed on as 32-bit floats.

struct LocalPoint {
    float u;
    float v;
};

// Frame is any record that starts with x0, y0, scale, sin, cos.
template <class Frame>
inline LocalPoint toLocalFrame(const Frame* f, float x, float y) {
    const double dx = static_cast<double>(x) - f->x0;
    const double dy = static_cast<double>(y) - f->y0;
    const double k = 1.0 / f->scale;
    const double u = (dx * f->cos - dy * f->sin) * k;
    const double v = (dy * f->cos + dx * f->sin) * k;
    return {static_cast<float>(u), static_cast<float>(v)};
}
