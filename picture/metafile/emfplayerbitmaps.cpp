// The EMF records that draw bitmaps and gradients.

#include <picture/metafile/emfplayerimpl.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr quint32 kDibPalColors = 1;
constexpr quint32 kInfoHeaderBytes = 40;
constexpr quint32 kBitfields = 3;
constexpr qint64 kMaskBytes = 12;
constexpr quint8 kAcSrcAlpha = 1;
constexpr quint32 kDestinationUnchanged = 0xAA;
constexpr quint32 kGradientRectH = 0;
constexpr quint32 kGradientRectV = 1;
constexpr quint32 kGradientTriangle = 2;
constexpr quint32 kMaxGradientVertices = 1 << 16;

} // namespace

namespace picture::emf {

// The bitmap of a record: usage at `usageAt`, then offset and size of its header and of its
// bits at `bmiAt`. With `keepAlpha`, a 32-bit bitmap keeps its alpha bytes (premultiplied, as
// ALPHABLEND takes them); all-zero alpha counts as opaque.
QImage Player::bitmap(const Rec &r, qsizetype usageAt, qsizetype bmiAt, bool keepAlpha) const
{
    const LittleEndianReader &in = r.in;
    const quint32 bmiOffset = in.u32(bmiAt);
    const quint32 bmiSize = in.u32(bmiAt + 4);
    const quint32 bitsOffset = in.u32(bmiAt + 8);
    const quint32 bitsSize = in.u32(bmiAt + 12);
    if (bmiSize == 0 || !in.has(bmiOffset, bmiSize) || !in.has(bitsOffset, bitsSize))
        return {};
    const gdi::ColorUsage usage =
        in.u32(usageAt) == kDibPalColors ? gdi::ColorUsage::PaletteIndices16 : gdi::ColorUsage::Rgb;
    // The bits follow the colour table in the decoder's eyes; writers often give the header
    // more bytes than header and table need, so it is cut (or padded) to exactly those.
    const LittleEndianReader bmi(in.data() + bmiOffset, bmiSize);
    const quint32 headerBytes = bmi.u32(0);
    qint64 tableBytes = 0;
    if (headerBytes >= kInfoHeaderBytes) {
        const int bitCount = bmi.u16(14);
        const quint32 used = bmi.u32(32);
        const qint64 entries =
            used ? std::min<quint32>(used, 256) : (bitCount <= 8 ? qint64(1) << bitCount : 0);
        tableBytes = entries * (usage == gdi::ColorUsage::PaletteIndices16 ? 2 : 4);
        if (headerBytes == kInfoHeaderBytes && bmi.u32(16) == kBitfields)
            tableBytes += kMaskBytes;
    }
    const qint64 wanted = headerBytes >= kInfoHeaderBytes ? headerBytes + tableBytes : bmiSize;
    QByteArray dib(in.data() + bmiOffset, qsizetype(std::min<qint64>(wanted, bmiSize)));
    if (dib.size() < wanted && wanted <= kInfoHeaderBytes + 4 * 256 + kMaskBytes)
        dib.append(QByteArray(qsizetype(wanted - dib.size()), '\0'));
    dib.append(in.data() + bitsOffset, bitsSize);
    QImage image = gdi::decodeDib(dib.constData(), dib.size(), usage, dev_.state().palette);
    const LittleEndianReader header(dib);
    if (!keepAlpha || image.isNull() || header.u32(0) < kInfoHeaderBytes || header.u16(14) != 32 ||
        header.u32(16) != 0)
        return image;
    const qint64 stride = qint64(image.width()) * 4;
    if (bitsSize < stride * image.height())
        return image;
    const bool bottomUp = header.s32(8) > 0;
    const LittleEndianReader bits(in.data() + bitsOffset, bitsSize);
    QImage alpha(image.size(), QImage::Format_ARGB32_Premultiplied);
    bool anyAlpha = false;
    for (int y = 0; y < image.height(); ++y) {
        const qint64 row = (bottomUp ? image.height() - 1 - y : y) * stride;
        auto *line = reinterpret_cast<QRgb *>(alpha.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const qint64 at = row + x * 4;
            const int a = bits.u8(at + 3);
            anyAlpha = anyAlpha || a != 0;
            line[x] = qRgba(std::min<int>(bits.u8(at + 2), a), std::min<int>(bits.u8(at + 1), a),
                            std::min<int>(bits.u8(at), a), a);
        }
    }
    return anyAlpha ? alpha : image;
}

// BITBLT, STRETCHBLT and MASKBLT: a source bitmap (or none, for raster operations that need
// none) with the source rectangle given through the source transform.
void Player::blt(const Rec &r)
{
    const LittleEndianReader &in = r.in;
    const QRectF dest(in.s32(24), in.s32(28), in.s32(32), in.s32(36));
    const quint32 rop = in.u32(40);
    const QImage image = bitmap(r, 80, 84);
    if (image.isNull()) {
        dev_.ropFill(dest, rop & 0xFFFFFF);
        return;
    }
    QSizeF sourceSize(dest.width(), dest.height());
    if (r.type == U_EMR_STRETCHBLT)
        sourceSize = QSizeF(in.s32(100), in.s32(104));
    QPointF sourceAt(in.s32(44), in.s32(48));
    if (r.type != U_EMR_STRETCHBLT) {
        // The source transform takes the destination's logical units to the bitmap's pixels.
        const QTransform x = r.xform(52);
        if (x.isInvertible() && std::isfinite(x.m11()) && std::isfinite(x.m22()) &&
            std::abs(x.m11()) < 1e6 && std::abs(x.m22()) < 1e6) {
            sourceAt = x.map(sourceAt);
            sourceSize = QSizeF(sourceSize.width() * x.m11(), sourceSize.height() * x.m22());
        }
    }
    QImage source = image;
    if (r.type == U_EMR_MASKBLT && ((rop >> 24) & 0xFF) == kDestinationUnchanged) {
        // Where the mask is 0 the destination stays: the source there is left out.
        const QImage mask = bitmap(r, 108, 112);
        if (!mask.isNull()) {
            source = image.convertToFormat(QImage::Format_ARGB32);
            const int mx = in.s32(100) - int(sourceAt.x());
            const int my = in.s32(104) - int(sourceAt.y());
            for (int y = 0; y < source.height(); ++y)
                for (int x = 0; x < source.width(); ++x) {
                    const QPoint m(x + mx, y + my);
                    if (mask.rect().contains(m) && qGray(mask.pixel(m)) < 128)
                        source.setPixel(x, y, 0);
                }
        }
    }
    dev_.blit(source, dest, QRectF(sourceAt, sourceSize), rop & 0xFFFFFF);
}

// The source rectangle counts from the bitmap's first scan line in memory, the bottom one of a
// bottom-up bitmap.
static QRectF dibSource(const QImage &image, const LittleEndianReader &in, quint32 bmiOffset,
                        QRectF source)
{
    if (in.s32(bmiOffset + 8) > 0 && in.u32(bmiOffset) >= kInfoHeaderBytes)
        source.moveTop(image.height() - source.top() - source.height());
    return source;
}

void Player::stretchDiBits(const Rec &r)
{
    const LittleEndianReader &in = r.in;
    const QImage image = bitmap(r, 64, 48);
    const QRectF dest(in.s32(24), in.s32(28), in.s32(72), in.s32(76));
    const quint32 rop = in.u32(68);
    if (image.isNull()) {
        dev_.ropFill(dest, rop);
        return;
    }
    const QRectF source(in.s32(32), in.s32(36), in.s32(40), in.s32(44));
    dev_.blit(image, dest, dibSource(image, in, in.u32(48), source), rop);
}

// Scan lines `startScan` on of the bitmap go to the device; its source origin counts from the
// bottom as in the bitmap.
void Player::setDiBitsToDevice(const Rec &r)
{
    const LittleEndianReader &in = r.in;
    const QImage full = bitmap(r, 64, 48);
    if (full.isNull())
        return;
    const int startScan = int(std::min<quint32>(in.u32(68), 1 << 20));
    const int scans = int(std::min<quint32>(in.u32(72), quint32(full.height())));
    const bool bottomUp = in.s32(in.u32(48) + 8) > 0;
    // The bitmap holds only the scan lines sent; its header may count the whole picture.
    const QImage strip = bottomUp ? full.copy(0, full.height() - scans, full.width(), scans)
                                  : full.copy(0, 0, full.width(), scans);
    const QSizeF size(in.s32(40), in.s32(44));
    const int top = startScan + strip.height() - (in.s32(36) + int(size.height()));
    dev_.blit(strip, QRectF(QPointF(in.s32(24), in.s32(28)), size),
              QRectF(in.s32(32), top, size.width(), size.height()), U_SRCCOPY);
}

void Player::alphaBlend(const Rec &r)
{
    const LittleEndianReader &in = r.in;
    const bool sourceAlpha = in.u8(43) & kAcSrcAlpha;
    const QImage image = bitmap(r, 80, 84, sourceAlpha);
    const QRectF dest(in.s32(24), in.s32(28), in.s32(32), in.s32(36));
    const QRectF source(in.s32(44), in.s32(48), in.s32(100), in.s32(104));
    dev_.alphaBlit(image, dest, source, in.u8(42));
}

void Player::transparentBlt(const Rec &r)
{
    const LittleEndianReader &in = r.in;
    const QImage image = bitmap(r, 80, 84);
    const QRectF dest(in.s32(24), in.s32(28), in.s32(32), in.s32(36));
    const QRectF source(in.s32(44), in.s32(48), in.s32(100), in.s32(104));
    const U_COLORREF key = r.color(40);
    dev_.transparentBlit(image, dest, source, qRgb(key.Red, key.Green, key.Blue));
}

void Player::gradientFill(const Rec &r)
{
    const LittleEndianReader &in = r.in;
    const quint32 vertices = in.u32(24);
    const quint32 shapes = in.u32(28);
    const quint32 mode = in.u32(32);
    const qsizetype shapesAt = 36 + qsizetype(vertices) * 16;
    const qsizetype shapeBytes = mode == kGradientTriangle ? 12 : 8;
    if (vertices > kMaxGradientVertices || shapes > kMaxGradientVertices ||
        !in.has(36, qsizetype(vertices) * 16) || !in.has(shapesAt, qsizetype(shapes) * shapeBytes))
        return;
    const auto point = [&](quint32 v) { return r.point(36 + v * 16); };
    const auto colour = [&](quint32 v) {
        const qsizetype at = 36 + v * 16 + 8;
        return QColor(in.u16(at) >> 8, in.u16(at + 2) >> 8, in.u16(at + 4) >> 8);
    };
    for (quint32 i = 0; i < shapes; ++i) {
        const qsizetype at = shapesAt + i * shapeBytes;
        const quint32 a = in.u32(at);
        const quint32 b = in.u32(at + 4);
        if (a >= vertices || b >= vertices)
            continue;
        if (mode == kGradientRectH || mode == kGradientRectV) {
            dev_.gradientRect(QRectF(point(a), point(b)), colour(a), colour(b),
                              mode == kGradientRectV);
        } else if (mode == kGradientTriangle) {
            const quint32 c = in.u32(at + 8);
            if (c >= vertices)
                continue;
            dev_.gradientTriangle({point(a), point(b), point(c)},
                                  {colour(a), colour(b), colour(c)});
        }
    }
}

bool Player::bitmaps(const Rec &r)
{
    switch (r.type) {
    case U_EMR_BITBLT:
    case U_EMR_STRETCHBLT:
    case U_EMR_MASKBLT:
        blt(r);
        break;
    case U_EMR_STRETCHDIBITS:
        stretchDiBits(r);
        break;
    case U_EMR_SETDIBITSTODEVICE:
        setDiBitsToDevice(r);
        break;
    case U_EMR_ALPHABLEND:
        alphaBlend(r);
        break;
    case U_EMR_TRANSPARENTBLT:
        transparentBlt(r);
        break;
    case U_EMR_GRADIENTFILL:
        gradientFill(r);
        break;
    default:
        return false;
    }
    return true;
}

} // namespace picture::emf
