#include <picture/picture.h>

#include <picture/limits.h>
#include <picture/littleendian.h>
#include <picture/metafile/emf.h>
#include <picture/metafile/wmf.h>

#include <common/filenames.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QImageReader>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Enough to tell every format apart.
constexpr qint64 kSniffBytes = 64;
// Metafiles are read whole; real ones are far smaller than this.
constexpr qint64 kMaxMetafileBytes = 64LL * 1024 * 1024;
constexpr quint32 kPlaceableKey = 0x9AC6CDD7;
constexpr quint32 kEmfSignature = 0x464D4520;
constexpr qsizetype kEmfSignatureOffset = 40;
// Enough for the largest picture the size limits let through, at four bytes a pixel.
constexpr int kAllocationLimitMb = int((picture::kMaxPixels * 4 + (1 << 20) - 1) >> 20);

QString failure(const QString &name, const QString &why)
{
    return QStringLiteral("%1: %2").arg(name, why);
}

picture::Result failed(const QString &name, const QString &why)
{
    return {QImage(), failure(name, why)};
}

QString lowerFirst(QString s)
{
    if (!s.isEmpty())
        s[0] = s[0].toLower();
    return s;
}

const char *readerFormat(picture::Format f)
{
    switch (f) {
    case picture::Format::Bmp:
        return "bmp";
    case picture::Format::Gif:
        return "gif";
    case picture::Format::Jpeg:
        return "jpeg";
    default:
        return nullptr;
    }
}

// Bitmaps, GIF and JPEG through Qt's readers: the size is checked before any pixel memory is
// asked for, and only the reader of the detected format is tried.
picture::Result decodeRaster(QIODevice *device, picture::Format format, const QString &name)
{
    static std::once_flag limitSet;
    std::call_once(limitSet, [] { QImageReader::setAllocationLimit(kAllocationLimitMb); });

    QImageReader reader(device, readerFormat(format));
    reader.setAutoDetectImageFormat(false);
    reader.setDecideFormatFromContent(false);
    QSize size = reader.size();
    // Qt reports a bitmap stored top-down with a negative height.
    if (format == picture::Format::Bmp && size.height() < 0 && size.height() > INT_MIN)
        size.setHeight(-size.height());
    if (!size.isValid())
        return failed(name, QCoreApplication::translate("picture", "not a picture"));
    if (const QString problem = picture::sizeProblem(size.width(), size.height(), name);
        !problem.isEmpty())
        return {QImage(), problem};
    QImage image;
    if (!reader.read(&image) || image.isNull()) {
        if (reader.error() == QImageReader::DeviceError)
            return failed(name, QCoreApplication::translate("picture", "cannot be read: %1")
                                    .arg(lowerFirst(device->errorString())));
        return failed(name, QCoreApplication::translate("picture", "the picture is damaged (%1)")
                                .arg(lowerFirst(reader.errorString())));
    }
    return {std::move(image), QString()};
}

// The device pixel ratio at which a metafile of `natural` logical pixels still fits the size
// limits; never below 1, since the natural size itself has passed them.
qreal fittingRatio(const QSize &natural, qreal dpr)
{
    if (!(dpr > 1.0) || !std::isfinite(dpr))
        return 1.0;
    const qreal edge = qreal(std::max(natural.width(), natural.height()));
    const qreal area = qreal(natural.width()) * natural.height();
    qreal r = std::min(
        {dpr, qreal(picture::kMaxEdge) / edge, std::sqrt(qreal(picture::kMaxPixels) / area)});
    // Rounding the device size up must not cross a limit either.
    while (r > 1.0 && !picture::sizeProblem(std::lround(natural.width() * r),
                                            std::lround(natural.height() * r), QString())
                           .isEmpty())
        r = std::max(1.0, r - 0.01);
    return std::max(1.0, r);
}

picture::Result decodeMetafile(const QByteArray &bytes, picture::Format format, const QString &name,
                               qreal dpr)
{
    const bool emf = format == picture::Format::Emf;
    QSize natural;
    QString why;
    const bool sized = emf ? picture::emfNaturalSize(bytes, &natural, &why)
                           : picture::wmfNaturalSize(bytes, &natural, &why);
    if (!sized)
        return failed(name, why);
    if (const QString problem = picture::sizeProblem(natural.width(), natural.height(), name);
        !problem.isEmpty())
        return {QImage(), problem};
    const qreal ratio = fittingRatio(natural, dpr);
    QImage image;
    const bool drawn = emf ? picture::renderEmf(bytes, ratio, &image, &why)
                           : picture::renderWmf(bytes, ratio, &image, &why);
    if (!drawn)
        return failed(name, why);
    return {std::move(image), QString()};
}

} // namespace

namespace picture {

Format detectFormat(const QByteArray &head)
{
    const LittleEndianReader h(head);
    if (head.startsWith("BM"))
        return Format::Bmp;
    if (head.startsWith("GIF87a") || head.startsWith("GIF89a"))
        return Format::Gif;
    if (head.startsWith("\xFF\xD8\xFF"))
        return Format::Jpeg;
    if (head.size() >= kEmfSignatureOffset + 4 && h.u32(0) == 1 &&
        h.u32(kEmfSignatureOffset) == kEmfSignature)
        return Format::Emf;
    if (head.size() >= 4 && h.u32(0) == kPlaceableKey)
        return Format::Wmf;
    // A metafile without the placeable header: memory or disk type, nine-word header, and
    // the version of Windows 3.0 or earlier.
    if (head.size() >= 6 && (h.u16(0) == 1 || h.u16(0) == 2) && h.u16(2) == 9 &&
        (h.u16(4) == 0x0300 || h.u16(4) == 0x0100))
        return Format::Wmf;
    return Format::Unknown;
}

Result decode(const QByteArray &bytes, const QString &displayName, qreal dpr)
{
    const Format format = detectFormat(bytes.left(kSniffBytes));
    switch (format) {
    case Format::Unknown:
        return failed(displayName, QCoreApplication::translate("picture", "not a picture"));
    case Format::Wmf:
    case Format::Emf:
        if (bytes.size() > kMaxMetafileBytes)
            return failed(displayName, QCoreApplication::translate(
                                           "picture", "too large for a metafile (%1 bytes)")
                                           .arg(bytes.size()));
        return decodeMetafile(bytes, format, displayName, dpr);
    default: {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        return decodeRaster(&buffer, format, displayName);
    }
    }
}

Result load(const QString &path, qreal dpr)
{
    if (path.isEmpty())
        return {};
    // The name's bytes as they were stored, which need not be UTF-8.
    const QByteArray native = filenames::toBytes(path);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return failed(path, QCoreApplication::translate("picture", "does not exist"));
        if (errno == EACCES)
            return failed(
                path, QCoreApplication::translate("picture", "cannot be read: permission denied"));
        return failed(path, QCoreApplication::translate("picture", "cannot be read: %1")
                                .arg(lowerFirst(QString::fromLocal8Bit(std::strerror(errno)))));
    }
    if (S_ISDIR(st.st_mode))
        return failed(path, QCoreApplication::translate("picture", "is a folder, not a picture"));
    // Devices and pipes could block or never end.
    if (!S_ISREG(st.st_mode))
        return failed(path, QCoreApplication::translate("picture", "not a picture"));

    QFile file;
    QString why;
    if (!filenames::openForReading(file, path, &why)) {
        if (::access(native.constData(), R_OK) != 0 && errno == EACCES)
            return failed(
                path, QCoreApplication::translate("picture", "cannot be read: permission denied"));
        return failed(
            path,
            QCoreApplication::translate("picture", "cannot be read: %1").arg(lowerFirst(why)));
    }
    const Format format = detectFormat(file.peek(kSniffBytes));
    switch (format) {
    case Format::Unknown:
        return failed(path, QCoreApplication::translate("picture", "not a picture"));
    case Format::Wmf:
    case Format::Emf: {
        if (file.size() > kMaxMetafileBytes)
            return failed(
                path, QCoreApplication::translate("picture", "too large for a metafile (%1 bytes)")
                          .arg(file.size()));
        const QByteArray bytes = file.read(kMaxMetafileBytes + 1);
        if (file.error() != QFileDevice::NoError)
            return failed(path, QCoreApplication::translate("picture", "cannot be read: %1")
                                    .arg(lowerFirst(file.errorString())));
        return decodeMetafile(bytes, format, path, dpr);
    }
    default:
        // Read straight from the file: a tall roll is never held twice in memory.
        return decodeRaster(&file, format, path);
    }
}

} // namespace picture
