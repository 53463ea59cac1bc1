#pragma once

// Shorthands for the EMF player's tests: a 100 x 100 pixel picture whose logical units start as
// pixels, and looks at where its ink landed.

#include "emfbuilder.h"

#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>

// 100 x 100 pixels; no pen, a black brush selected.
EmfBuilder emfPicture();
// The picture drawn, or a null image with a warning.
QImage drawEmf(EmfBuilder &b, qreal dpr = 1.0);
bool emfInked(const QImage &image, QPoint p);
// Empty when every point of `inked` has ink and none of `clear` has; otherwise which point is
// wrong, or that there is no picture.
QString emfInkMismatch(const QImage &image, const QList<QPoint> &inked, const QList<QPoint> &clear);
// Bounds of the painted pixels, within `area` if given.
QRect emfInkBounds(const QImage &image, QRect area = QRect());
// Whether `a` and `b` agree on each edge within `tolerance` pixels.
bool nearRect(const QRect &a, const QRect &b, int tolerance = 1);
// How many pixels of `area` have (about) colour `c`.
int countColour(const QImage &image, const QRect &area, const QColor &c);
