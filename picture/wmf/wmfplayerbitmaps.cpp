#include <picture/wmf/wmfplayerimpl.h>

namespace {

// Offsets of the bitmap in the old BITBLT and STRETCHBLT records, after the blit's fields.
constexpr int kBitBltBitmapOffset = 22;
constexpr int kStretchBltBitmapOffset = 26;
constexpr int kBitmap16HeaderBytes = 10;

} // namespace

namespace picture::wmf {

// ---- Bitmaps ----------------------------------------------------------------------------------

ColorUsage Player::usage(quint16 value) const
{
    switch (value) {
    case U_DIB_PAL_COLORS:
        return ColorUsage::PaletteIndices16;
    case U_DIB_PAL_INDICES:
        return ColorUsage::PaletteIndices;
    default:
        return ColorUsage::Rgb;
    }
}

// Stretches source rectangle (sx, sy, sw, sh) of `image` onto logical rectangle (dx, dy, dw, dh);
// negative sizes mirror, as on Windows.
void Player::blit(const QImage &image, int dx, int dy, int dw, int dh, int sx, int sy, int sw,
                  int sh, quint32 rop)
{
    if (image.isNull() || sw == 0 || sh == 0)
        return;
    const QPointF a = toPixels(dx, dy);
    const QPointF b = toPixels(qint64(dx) + dw, qint64(dy) + dh);
    const bool mirrorX = (b.x() < a.x()) != (sw < 0);
    const bool mirrorY = (b.y() < a.y()) != (sh < 0);
    QRectF target = QRectF(a, b).normalized();
    QRectF source = QRectF(sx, sy, sw, sh).normalized();
    const QRectF inside = source.intersected(QRectF(image.rect()));
    if (inside.isEmpty() || target.isEmpty())
        return;
    // Only the part of the source inside the bitmap is drawn, onto the matching part of the target.
    const double kx = target.width() / source.width();
    const double ky = target.height() / source.height();
    const double leftCut =
        (mirrorX ? source.right() - inside.right() : inside.left() - source.left());
    const double topCut =
        (mirrorY ? source.bottom() - inside.bottom() : inside.top() - source.top());
    target = QRectF(target.left() + leftCut * kx, target.top() + topCut * ky, inside.width() * kx,
                    inside.height() * ky);
    const QRect used = inside.toAlignedRect();
    QImage part = used == image.rect() ? image : image.copy(used);
    if (mirrorX || mirrorY)
        part = part.mirrored(mirrorX, mirrorY);

    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    switch (rop) {
    case U_SRCPAINT:
        mode = QPainter::RasterOp_SourceOrDestination;
        break;
    case U_SRCAND:
        mode = QPainter::RasterOp_SourceAndDestination;
        break;
    case U_SRCINVERT:
        mode = QPainter::RasterOp_SourceXorDestination;
        break;
    case U_SRCERASE:
        mode = QPainter::RasterOp_SourceAndNotDestination;
        break;
    case U_NOTSRCCOPY:
        mode = QPainter::RasterOp_NotSource;
        break;
    case U_NOTSRCERASE:
        mode = QPainter::RasterOp_NotSourceAndNotDestination;
        break;
    case U_MERGEPAINT:
        mode = QPainter::RasterOp_NotSourceOrDestination;
        break;
    case U_BLACKNESS:
    case U_WHITENESS:
    case U_DSTINVERT:
    case U_PATCOPY:
    case U_PATINVERT:
        return ropFill(target, rop);
    default:
        break; // copying is the best stand-in for the operations we do not have
    }
    p_.setCompositionMode(mode);
    p_.drawImage(target, part);
    p_.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

// Raster operations that use no source bitmap.
void Player::ropFill(const QRectF &target, quint32 rop)
{
    QPainterPath path;
    path.addRect(target);
    switch (rop) {
    case U_PATCOPY:
        fill(path, s_.brush, false);
        break;
    case U_PATINVERT:
        if (s_.brush.style != U_BS_NULL) {
            p_.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            p_.fillPath(path, s_.brush.color);
        }
        break;
    case U_DSTINVERT:
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

void Player::patBlt(const Record &r)
{
    U_POINT16 dst{};
    U_POINT16 cwh{};
    uint32_t rop = 0;
    if (r.size < U_SIZE_WMRPATBLT || !U_WMRPATBLT_get(r.data, &dst, &cwh, &rop))
        return;
    ropFill(box(dst.x, dst.y, dst.x + cwh.x, dst.y + cwh.y), rop);
}

void Player::dibBlit(const Record &r, bool stretch)
{
    U_POINT16 dst{};
    U_POINT16 dstSize{};
    U_POINT16 src{};
    U_POINT16 srcSize{};
    uint32_t rop = 0;
    const char *dib = nullptr;
    if (stretch) {
        if (r.size < U_SIZE_WMRDIBSTRETCHBLT_NOPX ||
            !U_WMRDIBSTRETCHBLT_get(r.data, &dst, &dstSize, &src, &srcSize, &rop, &dib))
            return;
    } else {
        if (r.size < U_SIZE_WMRDIBBITBLT_NOPX ||
            !U_WMRDIBBITBLT_get(r.data, &dst, &dstSize, &src, &rop, &dib))
            return;
        srcSize = dstSize;
    }
    if (!dib)
        return ropFill(box(dst.x, dst.y, dst.x + dstSize.x, dst.y + dstSize.y), rop);
    const char *end = r.data + r.size;
    const QImage image = decodeDib(dib, end - dib, ColorUsage::Rgb, s_.palette);
    blit(image, dst.x, dst.y, dstSize.x, dstSize.y, src.x, src.y, srcSize.x, srcSize.y, rop);
}

void Player::stretchDib(const Record &r)
{
    U_POINT16 dst{};
    U_POINT16 dstSize{};
    U_POINT16 src{};
    U_POINT16 srcSize{};
    uint16_t cUsage = 0;
    uint32_t rop = 0;
    const char *dib = nullptr;
    if (r.size < U_SIZE_WMRSTRETCHDIB ||
        !U_WMRSTRETCHDIB_get(r.data, &dst, &dstSize, &src, &srcSize, &cUsage, &rop, &dib) || !dib)
        return;
    const char *end = r.data + r.size;
    const QImage image = decodeDib(dib, end - dib, usage(cUsage), s_.palette);
    blit(image, dst.x, dst.y, dstSize.x, dstSize.y, src.x, src.y, srcSize.x, srcSize.y, rop);
}

// The bitmap holds `scanCount` scan lines from `startScan` up; its source origin counts from the
// bottom as in the bitmap. Sizes are taken as logical units so the bitmap scales with the
// picture.
void Player::setDibToDevice(const Record &r)
{
    U_POINT16 dst{};
    U_POINT16 size{};
    U_POINT16 src{};
    uint16_t cUsage = 0;
    uint16_t scanCount = 0;
    uint16_t startScan = 0;
    const char *dib = nullptr;
    if (r.size < U_SIZE_WMRSETDIBTODEV ||
        !U_WMRSETDIBTODEV_get(r.data, &dst, &size, &src, &cUsage, &scanCount, &startScan, &dib) ||
        !dib)
        return;
    const char *end = r.data + r.size;
    const QImage strip = decodeDib(dib, end - dib, usage(cUsage), s_.palette, scanCount);
    if (strip.isNull())
        return;
    const int top = startScan + strip.height() - (src.y + size.y);
    blit(strip, dst.x, dst.y, size.x, size.y, src.x, top, size.x, size.y, U_SRCCOPY);
}

// The old device-dependent blits: without a bitmap they only apply their raster operation.
void Player::bitmapBlit(const Record &r, bool stretch)
{
    U_POINT16 dst{};
    U_POINT16 dstSize{};
    U_POINT16 src{};
    U_POINT16 srcSize{};
    uint32_t rop = 0;
    U_BITMAP16 bm{};
    const char *bits = nullptr;
    if (stretch) {
        if (r.size < U_SIZE_WMRSTRETCHBLT_NOPX ||
            !U_WMRSTRETCHBLT_get(r.data, &dst, &dstSize, &src, &srcSize, &rop, &bm, &bits))
            return;
    } else {
        if (r.size < U_SIZE_WMRBITBLT_NOPX ||
            !U_WMRBITBLT_get(r.data, &dst, &dstSize, &src, &rop, &bm, &bits))
            return;
        srcSize = dstSize;
    }
    if (!bits)
        return ropFill(box(dst.x, dst.y, dst.x + dstSize.x, dst.y + dstSize.y), rop);
    const int bitmapAt = stretch ? kStretchBltBitmapOffset : kBitBltBitmapOffset;
    const char *end = r.data + r.size;
    if (bitmapAt + kBitmap16HeaderBytes > qint64(r.size) || bits > end)
        return;
    const QImage image =
        decodeBitmap16({bm.Width, bm.Height, bm.WidthBytes, bm.Planes, bm.BitsPixel}, bits,
                       end - bits, s_.textColor.rgb(), s_.bkColor.rgb());
    blit(image, dst.x, dst.y, dstSize.x, dstSize.y, src.x, src.y, srcSize.x, srcSize.y, rop);
}

} // namespace picture::wmf
