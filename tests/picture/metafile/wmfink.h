#pragma once

// Plays a metafile for a test and looks at where the ink landed.

#include <QImage>
#include <QRect>
#include <QString>

// The picture drawn at `dpr`, or a null image, with the reason in `error` or else in a warning.
QImage render(const QByteArray &bytes, qreal dpr = 1.0, QString *error = nullptr);

bool inked(const QImage &image, int x, int y);

// Bounds of the painted pixels in device pixels, within `area` if given.
QRect inkBounds(const QImage &image, QRect area = QRect());
