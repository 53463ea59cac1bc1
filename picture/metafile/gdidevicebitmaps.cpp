// Bitmaps onto the device: stretching, mirroring, raster operations, alpha and transparency.

#include <picture/metafile/gdidevice.h>

#include <cmath>

namespace {

constexpr quint32 kSrcCopyOnly = 0x00CC0020;

// A ternary raster operation's truth table: it reads the source when its result changes with
// the source bit.
bool usesSource(quint32 rop)
{
    const quint32 table = (rop >> 16) & 0xFF;
    return ((table >> 2) & 0x33) != (table & 0x33);
}

// ... and the destination when its result changes with the destination bit.
bool usesDestination(quint32 rop)
{
    const quint32 table = (rop >> 16) & 0xFF;
    return ((table >> 1) & 0x55) != (table & 0x55);
}

QPainter::CompositionMode sourceMode(quint32 rop, bool *known)
{
    *known = true;
    switch (rop) {
    case U_SRCPAINT:
        return QPainter::RasterOp_SourceOrDestination;
    case U_SRCAND:
        return QPainter::RasterOp_SourceAndDestination;
    case U_SRCINVERT:
        return QPainter::RasterOp_SourceXorDestination;
    case U_SRCERASE:
        return QPainter::RasterOp_SourceAndNotDestination;
    case U_NOTSRCCOPY:
        return QPainter::RasterOp_NotSource;
    case U_NOTSRCERASE:
        return QPainter::RasterOp_NotSourceAndNotDestination;
    case U_MERGEPAINT:
        return QPainter::RasterOp_NotSourceOrDestination;
    case kSrcCopyOnly:
        return QPainter::CompositionMode_SourceOver;
    default:
        *known = false; // copying is the best stand-in for the operations we do not have
        return QPainter::CompositionMode_SourceOver;
    }
}

QPainterPath rectPath(const QRectF &r)
{
    QPainterPath path;
    path.addRect(r);
    return path;
}

} // namespace

namespace picture::gdi {

namespace {

// The part of `source` inside the bitmap, mirrored as the signs ask, and where on the picture
// it lands; false when nothing shows.
struct Placed {
    QImage part;
    QRectF target;
};

} // namespace

// Stretches the source rectangle of `image` onto the logical destination rectangle; negative
// sizes mirror, as on Windows.
static bool place(const QImage &image, QRectF target, bool mirrorX, bool mirrorY,
                  const QRectF &source, Placed *out)
{
    const QRectF inside = source.intersected(QRectF(image.rect()));
    if (inside.isEmpty() || target.isEmpty())
        return false;
    // Only the part of the source inside the bitmap is drawn, onto the matching part of the
    // target.
    const double kx = target.width() / source.width();
    const double ky = target.height() / source.height();
    const double leftCut =
        (mirrorX ? source.right() - inside.right() : inside.left() - source.left());
    const double topCut =
        (mirrorY ? source.bottom() - inside.bottom() : inside.top() - source.top());
    out->target = QRectF(target.left() + leftCut * kx, target.top() + topCut * ky,
                         inside.width() * kx, inside.height() * ky);
    const QRect used = inside.toAlignedRect();
    out->part = used == image.rect() ? image : image.copy(used);
    if (mirrorX || mirrorY)
        out->part = out->part.mirrored(mirrorX, mirrorY);
    return true;
}

void Device::blit(const QImage &image, const QRectF &dest, const QRectF &source, quint32 rop)
{
    flushLines();
    if (image.isNull() || source.width() == 0 || source.height() == 0)
        return;
    if (!usesSource(rop))
        return ropFill(dest, rop);
    bool known = false;
    const QPainter::CompositionMode mode = sourceMode(rop, &known);
    if (rotated()) {
        // The bitmap follows the world transform, turned and sheared with it.
        const QRectF inside = source.normalized().intersected(QRectF(image.rect()));
        if (inside.isEmpty())
            return;
        QImage part = image.copy(inside.toAlignedRect());
        const QRectF d(dest.left() +
                           (inside.left() - source.left()) * dest.width() / source.width(),
                       dest.top() + (inside.top() - source.top()) * dest.height() / source.height(),
                       inside.width() * dest.width() / source.width(),
                       inside.height() * dest.height() / source.height());
        p_.save();
        p_.setTransform(full_, true);
        if (usesDestination(rop))
            paperUnder(rectPath(d));
        p_.setCompositionMode(mode);
        p_.drawImage(d, part);
        p_.restore();
        return;
    }
    const QPointF a = toPixels(dest.topLeft());
    const QPointF b = toPixels(dest.bottomRight());
    const bool mirrorX = (b.x() < a.x()) != (source.width() < 0);
    const bool mirrorY = (b.y() < a.y()) != (source.height() < 0);
    Placed placed;
    if (!place(image, QRectF(a, b).normalized(), mirrorX, mirrorY, source.normalized(), &placed))
        return;
    const bool smooth =
        s_.stretchMode == U_HALFTONE && (placed.target.width() < placed.part.width() ||
                                         placed.target.height() < placed.part.height());
    p_.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    if (usesDestination(rop))
        paperUnder(rectPath(placed.target));
    p_.setCompositionMode(mode);
    p_.drawImage(placed.target, placed.part);
    p_.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p_.setRenderHint(QPainter::SmoothPixmapTransform, false);
}

// A metafile is drawn on white paper: where nothing is drawn yet, raster operations that read
// the destination find white, not the transparent black our picture starts as.
void Device::paperUnder(const QPainterPath &area)
{
    p_.setCompositionMode(QPainter::CompositionMode_DestinationOver);
    p_.fillPath(area, Qt::white);
    p_.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void Device::alphaBlit(const QImage &image, const QRectF &dest, const QRectF &source,
                       int constantAlpha)
{
    flushLines();
    if (image.isNull())
        return;
    p_.save();
    p_.setOpacity(std::clamp(constantAlpha, 0, 255) / 255.0);
    blit(image.convertToFormat(QImage::Format_ARGB32_Premultiplied), dest, source, U_SRCCOPY);
    p_.restore();
}

void Device::transparentBlit(const QImage &image, const QRectF &dest, const QRectF &source,
                             QRgb transparent)
{
    if (image.isNull())
        return;
    QImage keyed = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = transparent & 0xFFFFFF;
    for (int y = 0; y < keyed.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(keyed.scanLine(y));
        for (int x = 0; x < keyed.width(); ++x)
            if ((line[x] & 0xFFFFFF) == key)
                line[x] = 0;
    }
    blit(keyed, dest, source, U_SRCCOPY);
}

// Raster operations that use no source bitmap.
void Device::ropFill(const QRectF &logical, quint32 rop)
{
    flushLines();
    QPainterPath path;
    if (rotated()) {
        QPainterPath p;
        p.addRect(logical.normalized());
        path = mapped(p);
    } else {
        path.addRect(box(logical));
    }
    switch (rop) {
    case U_PATCOPY:
        fill(path, s_.brush, false);
        break;
    case U_PATINVERT:
        if (s_.brush.style != U_BS_NULL) {
            paperUnder(path);
            p_.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            p_.fillPath(path, s_.brush.color);
        }
        break;
    case U_DSTINVERT:
        paperUnder(path);
        p_.setCompositionMode(QPainter::RasterOp_NotDestination);
        p_.fillPath(path, Qt::black);
        break;
    case U_BLACKNESS:
        p_.fillPath(path, Qt::black);
        break;
    case U_WHITENESS:
        p_.fillPath(path, Qt::white);
        break;
    default:
        break;
    }
    p_.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

} // namespace picture::gdi
