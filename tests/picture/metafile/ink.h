#pragma once

// Looks at where a played metafile's ink landed, for the EMF and WMF player tests alike.

#include <QColor>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>

// Whether the pixel has any paint; points outside the image have none.
bool inked(const QImage &image, QPoint p);
inline bool inked(const QImage &image, int x, int y)
{
    return inked(image, QPoint(x, y));
}
// Bounds of the painted pixels in device pixels, within `area` if given.
QRect inkBounds(const QImage &image, QRect area = QRect());
// Empty when every point of `withInk` has ink and none of `clear` has; otherwise which point is
// wrong, or that there is no picture.
QString inkMismatch(const QImage &image, const QList<QPoint> &withInk, const QList<QPoint> &clear);
// Whether `a` and `b` agree on each edge within a pixel.
bool nearRect(const QRect &a, const QRect &b);
// The share of `area`'s pixels that have paint, in percent.
int inkedPercent(const QImage &image, const QRect &area);
// "x,y wxh", for messages.
QString rectText(const QRect &r);
// Whether each channel of `a` is within `tolerance` of `b`'s.
bool nearColour(const QColor &a, const QColor &b, int tolerance);
// How many pixels of `area` have (about) colour `c`.
int countColour(const QImage &image, const QRect &area, const QColor &c);
