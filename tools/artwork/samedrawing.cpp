#include <tools/artwork/samedrawing.h>

#include <algorithm>
#include <cstdlib>

namespace artwork {

namespace {

// At most this many levels in a channel (of premultiplied ARGB): one of the switch faces' shade
// steps, 17 levels, with some room.
constexpr int kCpuNoiseLevels = 24;
// On at most one pixel in this many, and on at most kCpuNoiseMaxPixels.
constexpr int kCpuNoisePixelShare = 500;
constexpr int kCpuNoiseMaxPixels = 64;
// Never fewer allowed than this, so that a small icon may have its few edge pixels differ.
constexpr int kCpuNoiseMinPixels = 4;

int channelDistance(QRgb a, QRgb b)
{
    return std::max({std::abs(qAlpha(a) - qAlpha(b)), std::abs(qRed(a) - qRed(b)),
                     std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

} // namespace

bool DrawingDifference::withinCpuNoise() const
{
    if (!comparable)
        return false;
    const qsizetype allowed =
        std::clamp<qsizetype>(total / kCpuNoisePixelShare, kCpuNoiseMinPixels, kCpuNoiseMaxPixels);
    return pixels <= allowed && levels <= kCpuNoiseLevels;
}

QString DrawingDifference::describe() const
{
    if (!comparable)
        return QStringLiteral("not two pictures of the same size");
    return QStringLiteral("%1 of %2 pixels differ, by up to %3 levels")
        .arg(pixels)
        .arg(total)
        .arg(levels);
}

DrawingDifference compareDrawings(const QImage &a, const QImage &b)
{
    DrawingDifference d;
    if (a.isNull() || b.isNull() || a.size() != b.size())
        return d;
    // Premultiplied, so that the colour of a pixel that is all but transparent counts no more
    // than it shows.
    const QImage pa = a.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage pb = b.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    d.comparable = true;
    d.total = qsizetype(a.width()) * a.height();
    for (int y = 0; y < a.height(); ++y) {
        const auto *la = reinterpret_cast<const QRgb *>(pa.constScanLine(y));
        const auto *lb = reinterpret_cast<const QRgb *>(pb.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            if (la[x] == lb[x])
                continue;
            ++d.pixels;
            d.levels = std::max(d.levels, channelDistance(la[x], lb[x]));
        }
    }
    return d;
}

DrawingDifference compareEncodedDrawings(const QByteArray &a, const QByteArray &b)
{
    return compareDrawings(QImage::fromData(a), QImage::fromData(b));
}

bool sameDrawing(const QByteArray &committed, const QByteArray &fresh)
{
    return committed == fresh || compareEncodedDrawings(committed, fresh).withinCpuNoise();
}

} // namespace artwork
