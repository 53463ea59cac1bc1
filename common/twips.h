#pragma once

// Positions and sizes are given in twips (1/1440 inch). The model keeps every one of them in
// twips as single-precision floats, exactly as given; the screen shows the
// nearest logical pixel. This header is the one place where twips become pixels.

#include <QPoint>
#include <QRect>
#include <cmath>

namespace twips {

// 15 twips are one pixel at 96 dpi; Qt's logical pixels play that role on HiDPI screens.
inline constexpr float kPerPixel = 15.0f;

// Nearest pixel; halves round away from zero, which keeps symmetric layouts symmetric.
inline int toPixels(float t)
{
    return static_cast<int>(std::lround(t / kPerPixel));
}
inline float fromPixels(int px)
{
    return static_cast<float>(px) * kPerPixel;
}
inline float fromPixels(double px)
{
    return static_cast<float>(px * kPerPixel);
}

struct Rect {
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;

    float right() const { return left + width; }
    float bottom() const { return top + height; }
    bool operator==(const Rect &) const = default;
};

// Edges are rounded, not the size, so a leaf that keeps one edge fixed in twips keeps it fixed
// on screen while the other edge moves.
inline QRect toPixels(const Rect &r)
{
    const int l = toPixels(r.left);
    const int t = toPixels(r.top);
    const int rr = toPixels(r.left + r.width);
    const int b = toPixels(r.top + r.height);
    return QRect(QPoint(l, t), QPoint(rr - 1, b - 1));
}

inline QPointF pointFromPixels(QPointF px)
{
    return QPointF(px.x() * kPerPixel, px.y() * kPerPixel);
}

} // namespace twips
