#pragma once

// Pictures are refused before anything is allocated for them when they are larger than this.
// Sign rolls are tall (48 x 60,000 pixels must load), so the edge limit is generous.

#include <QCoreApplication>
#include <QSize>
#include <QString>

namespace picture {

inline constexpr qint64 kMaxEdge = 65535;
inline constexpr qint64 kMaxPixels = 64LL * 1000 * 1000;

// Empty when the size is acceptable, otherwise a one-line description naming the file.
inline QString sizeProblem(qint64 width, qint64 height, const QString &fileName)
{
    if (width <= 0 || height <= 0)
        return QCoreApplication::translate("picture", "%1: the picture has no size").arg(fileName);
    if (width > kMaxEdge || height > kMaxEdge)
        return QCoreApplication::translate(
                   "picture",
                   "%1: the picture is too large (%2 × %3 pixels; at most %4 on an edge)")
            .arg(fileName)
            .arg(width)
            .arg(height)
            .arg(kMaxEdge);
    if (width * height > kMaxPixels)
        return QCoreApplication::translate(
                   "picture",
                   "%1: the picture is too large (%2 × %3 pixels; at most 64 megapixels)")
            .arg(fileName)
            .arg(width)
            .arg(height);
    return {};
}

} // namespace picture
