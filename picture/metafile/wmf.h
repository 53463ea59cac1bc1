#pragma once

// Windows metafiles (WMF), played with QPainter.
//
// Natural size: a placeable header gives a bounding box in units per inch, shown at 96 pixels
// per inch. A metafile without one is sized by its first window extent: taken as pixels when
// neither side exceeds 1024 units, otherwise as twips (1440 units per inch). A metafile with
// neither has no natural size and is refused.

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace picture {

struct WmfInfo {
    QSize naturalPixels;
};

// Natural size without drawing; false + one-line reason on bad data. The size is not checked
// against the picture limits here.
bool wmfNaturalSize(const QByteArray &bytes, QSize *size, QString *error);

// Renders at natural size: the image is naturalPixels * dpr device pixels and carries `dpr` as its
// device pixel ratio. Parts the metafile does not paint stay transparent. False + reason on
// failure, before anything is allocated when the size is beyond the picture limits.
bool renderWmf(const QByteArray &bytes, qreal dpr, QImage *out, QString *error);

} // namespace picture
