// The WMF records that draw bitmaps.

#include <picture/metafile/wmfplayerimpl.h>

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

void Player::blit(const QImage &image, int dx, int dy, int dw, int dh, int sx, int sy, int sw,
                  int sh, quint32 rop)
{
    dev_.blit(image, QRectF(dx, dy, dw, dh), QRectF(sx, sy, sw, sh), rop);
}

void Player::patBlt(const Record &r)
{
    U_POINT16 dst{};
    U_POINT16 cwh{};
    uint32_t rop = 0;
    if (r.size < U_SIZE_WMRPATBLT || !U_WMRPATBLT_get(r.data, &dst, &cwh, &rop))
        return;
    dev_.ropFill(QRectF(dst.x, dst.y, cwh.x, cwh.y), rop);
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
        return dev_.ropFill(QRectF(dst.x, dst.y, dstSize.x, dstSize.y), rop);
    const char *end = r.data + r.size;
    const QImage image = decodeDib(dib, end - dib, ColorUsage::Rgb, dev_.state().palette);
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
    const QImage image = decodeDib(dib, end - dib, usage(cUsage), dev_.state().palette);
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
    const QImage strip = decodeDib(dib, end - dib, usage(cUsage), dev_.state().palette, scanCount);
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
        return dev_.ropFill(QRectF(dst.x, dst.y, dstSize.x, dstSize.y), rop);
    const int bitmapAt = stretch ? kStretchBltBitmapOffset : kBitBltBitmapOffset;
    const char *end = r.data + r.size;
    if (bitmapAt + kBitmap16HeaderBytes > qint64(r.size) || bits > end)
        return;
    const QImage image =
        decodeBitmap16({bm.Width, bm.Height, bm.WidthBytes, bm.Planes, bm.BitsPixel}, bits,
                       end - bits, dev_.state().textColor.rgb(), dev_.state().bkColor.rgb());
    blit(image, dst.x, dst.y, dstSize.x, dstSize.y, src.x, src.y, srcSize.x, srcSize.y, rop);
}

} // namespace picture::wmf
