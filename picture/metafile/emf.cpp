#include <picture/metafile/emf.h>

#include <picture/limits.h>
#include <picture/littleendian.h>

#include <picture/metafile/emfplayer.h>

#include <QCoreApplication>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

constexpr qsizetype kHeaderSize = 88;
constexpr qsizetype kSignatureEnd = 44;
constexpr quint32 kSignature = 0x464D4520; // " EMF"
constexpr quint32 kEmrHeader = 1;
constexpr double kHimetricPerInch = 2540.0;
constexpr double kLogicalDpi = 96.0;

struct RectL {
    qint64 left, top, right, bottom;
};

RectL rectAt(const picture::LittleEndianReader &in, qsizetype at)
{
    return {in.s32(at), in.s32(at + 4), in.s32(at + 8), in.s32(at + 12)};
}

struct Header {
    qint64 size = 0; // of the header record
    RectL bounds;
    RectL frame;                      // 0.01 mm
    qint64 deviceWidth, deviceHeight; // reference device, pixels
    qint64 deviceWidthMm, deviceHeightMm;
};

bool readHeader(const QByteArray &bytes, Header *h, QString *error)
{
    const picture::LittleEndianReader d(bytes);
    if (bytes.size() < kSignatureEnd || d.u32(0) != kEmrHeader || d.u32(40) != kSignature) {
        *error = QCoreApplication::translate("picture", "not an enhanced metafile");
        return false;
    }
    if (bytes.size() < kHeaderSize) {
        *error = QCoreApplication::translate("picture",
                                             "the metafile is damaged (shorter than its header)");
        return false;
    }
    const quint32 headerSize = d.u32(4);
    if (headerSize < kHeaderSize || headerSize % 4 != 0 || headerSize > quint64(bytes.size())) {
        *error = QCoreApplication::translate("picture", "the metafile is damaged (bad header)");
        return false;
    }
    h->size = headerSize;
    h->bounds = rectAt(d, 8);
    h->frame = rectAt(d, 24);
    h->deviceWidth = d.s32(72);
    h->deviceHeight = d.s32(76);
    h->deviceWidthMm = d.s32(80);
    h->deviceHeightMm = d.s32(84);
    return true;
}

QSize naturalSizeOf(const Header &h)
{
    const auto toPixels = [](qint64 himetric) {
        return qint64(std::llround(double(himetric) * kLogicalDpi / kHimetricPerInch));
    };
    const auto clamped = [](qint64 v) { return int(std::clamp<qint64>(v, 0, INT_MAX)); };
    return QSize(clamped(toPixels(h.frame.right - h.frame.left)),
                 clamped(toPixels(h.frame.bottom - h.frame.top)));
}

} // namespace

namespace picture {

bool emfNaturalSize(const QByteArray &bytes, QSize *size, QString *error)
{
    Header h;
    if (!readHeader(bytes, &h, error))
        return false;
    *size = naturalSizeOf(h);
    return true;
}

bool renderEmf(const QByteArray &bytes, qreal dpr, QImage *out, QString *error)
{
    Header h;
    if (!readHeader(bytes, &h, error))
        return false;
    const QSize natural = naturalSizeOf(h);
    if (!sizeProblem(natural.width(), natural.height(), QString()).isEmpty()) {
        *error =
            QCoreApplication::translate("picture", "the metafile's frame is empty or too large");
        return false;
    }
    if (!(dpr >= 1.0))
        dpr = 1.0;
    const QSize device(int(std::lround(natural.width() * dpr)),
                       int(std::lround(natural.height() * dpr)));
    if (!sizeProblem(device.width(), device.height(), QString()).isEmpty()) {
        *error = QCoreApplication::translate("picture",
                                             "the metafile is too large to draw at this scale");
        return false;
    }

    if (emf::holdsOnlyEmfPlus(bytes)) {
        *error = QCoreApplication::translate(
            "picture", "the metafile holds only EMF+ records, which are not supported");
        return false;
    }
    // Records draw in the reference device's pixels; what is shown is the frame, which the
    // header gives in 0.01 mm.
    const bool deviceKnown =
        h.deviceWidth > 0 && h.deviceHeight > 0 && h.deviceWidthMm > 0 && h.deviceHeightMm > 0;
    const double perHimetricX = deviceKnown ? double(h.deviceWidth) / (h.deviceWidthMm * 100.0)
                                            : kLogicalDpi / kHimetricPerInch;
    const double perHimetricY = deviceKnown ? double(h.deviceHeight) / (h.deviceHeightMm * 100.0)
                                            : kLogicalDpi / kHimetricPerInch;
    const QRectF frame(h.frame.left * perHimetricX, h.frame.top * perHimetricY,
                       (h.frame.right - h.frame.left) * perHimetricX,
                       (h.frame.bottom - h.frame.top) * perHimetricY);
    QTransform deviceToPicture;
    deviceToPicture.scale(natural.width() / frame.width(), natural.height() / frame.height());
    deviceToPicture.translate(-frame.left(), -frame.top());

    QImage image(device, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        *error = QCoreApplication::translate("picture", "not enough memory to draw the metafile");
        return false;
    }
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(dpr);
    emf::play(bytes, qsizetype(h.size), deviceToPicture,
              QSizeF(perHimetricX * kHimetricPerInch, perHimetricY * kHimetricPerInch), &image);
    *out = std::move(image);
    return true;
}

} // namespace picture
