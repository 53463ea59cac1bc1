#include <picture/emf.h>

#include <picture/limits.h>
#include <picture/littleendian.h>

#include <QCoreApplication>
#include <QPainter>
#include <QSvgRenderer>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <emf2svg.h>
#include <uemf_safe.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace {

constexpr qsizetype kHeaderSize = 88;
constexpr qsizetype kSignatureEnd = 44;
constexpr quint32 kSignature = 0x464D4520; // " EMF"
constexpr quint32 kEmrHeader = 1;
constexpr quint32 kEmrEof = 14;
constexpr quint32 kEmrCreatePen = 38;
constexpr quint32 kEmrExtTextOutA = 83;
constexpr quint32 kEmrExtTextOutW = 84;
constexpr quint32 kEtoGlyphIndex = 0x10;
constexpr quint32 kEmrMax = 122;
// Records the record checks cannot check (they say so on the error output); the converter draws
// none of them either: escapes, OpenGL, colour profiles, POLYTEXTOUT and unused numbers.
constexpr quint32 kUncheckable[] = {69,  96,  97,  102, 103, 105, 106, 107, 109,
                                    110, 111, 112, 113, 117, 119, 120, 121};
constexpr qsizetype kRecordHead = 8;
constexpr qsizetype kEofSize = 20;
constexpr quint32 kPsGeometric = 0x10000;
// The converter reads a little beyond what it was told is there; let it read zeros.
constexpr qsizetype kSlack = 4096;
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

// Text given as glyph numbers of some font: the converter looks that font up and crashes on the
// way, and without the very font the numbers mean nothing anyway.
bool drawsGlyphIndices(quint32 type, const picture::LittleEndianReader &record, quint32 size)
{
    if ((type == kEmrExtTextOutA || type == kEmrExtTextOutW) && size >= 56)
        return record.u32(52) & kEtoGlyphIndex;
    return false;
}

// A copy the converter can safely be given: the header, then every record that is whole and
// passes the record checks and that the converter can draw, then an end record, then zeros. Pens
// wider than one unit are made geometric, or the converter draws them as hairlines. Empty when
// the header itself fails the checks. The checks, too, run on the copy, since they may look a
// little past a record.
QByteArray preparedCopy(const QByteArray &bytes, qsizetype *length)
{
    QByteArray copy(bytes.size() + kEofSize + kSlack, '\0');
    std::memcpy(copy.data(), bytes.constData(), size_t(bytes.size()));
    char *d = copy.data();
    const picture::LittleEndianReader in(copy);
    const qsizetype end = bytes.size();
    if (!U_emf_record_safe(d))
        return {};

    qsizetype read = in.u32(4); // header size, checked by readHeader
    qsizetype write = read;
    quint32 records = 1;
    bool sawEof = false;
    while (read + kRecordHead <= end) {
        const quint32 type = in.u32(read);
        const quint32 size = in.u32(read + 4);
        if (size < kRecordHead || size % 4 != 0 || size > quint64(end - read))
            break; // the rest cannot be trusted
        const bool usable = type > kEmrHeader && type <= kEmrMax &&
                            std::find(std::begin(kUncheckable), std::end(kUncheckable), type) ==
                                std::end(kUncheckable) &&
                            U_emf_record_safe(d + read) &&
                            !drawsGlyphIndices(type, in.from(read), size);
        if (usable) {
            std::memmove(d + write, d + read, size);
            if (type == kEmrCreatePen && size >= 28 && in.s32(write + 16) > 1)
                picture::writeU32(copy, write + 12, in.u32(write + 12) | kPsGeometric);
            write += size;
            ++records;
        }
        read += size;
        if (type == kEmrEof && usable) {
            sawEof = true;
            break;
        }
    }
    if (!sawEof) {
        std::memset(d + write, 0, kEofSize);
        picture::writeU32(copy, write, kEmrEof);
        picture::writeU32(copy, write + 4, kEofSize);
        picture::writeU32(copy, write + 12, 16); // offPalEntries
        picture::writeU32(copy, write + 16, kEofSize);
        write += kEofSize;
        ++records;
    }
    std::memset(d + write, 0, size_t(copy.size() - write));
    picture::writeU32(copy, 48, quint32(write)); // nBytes
    picture::writeU32(copy, 52, records);
    *length = write;
    return copy;
}

bool isSafeReference(QStringView value)
{
    const QStringView v = value.trimmed();
    return v.startsWith(u'#') || v.startsWith(u"data:image/", Qt::CaseInsensitive);
}

// Rewrites the converter's SVG through an XML reader and writer. Text from the metafile is
// pasted into the SVG unescaped, so a crafted file could otherwise add elements of its own;
// anything that points outside the document (a file, a URL) is dropped. Bitmaps are asked to be
// drawn without smoothing, so they stay crisp when scaled.
QByteArray sanitizedSvg(const QByteArray &svg)
{
    QXmlStreamReader in(svg);
    in.setNamespaceProcessing(false);
    QByteArray out;
    QXmlStreamWriter w(&out);
    w.writeStartDocument();
    while (!in.atEnd()) {
        switch (in.readNext()) {
        case QXmlStreamReader::StartElement: {
            const bool image = in.qualifiedName() == QLatin1String("image");
            const QXmlStreamAttributes attributes = in.attributes();
            const auto unsafe = [](const QXmlStreamAttribute &a) {
                return a.qualifiedName().endsWith(QLatin1String("href"), Qt::CaseInsensitive) &&
                       !isSafeReference(a.value());
            };
            if (image && std::any_of(attributes.begin(), attributes.end(), unsafe)) {
                in.skipCurrentElement();
                break;
            }
            w.writeStartElement(in.qualifiedName().toString());
            for (const QXmlStreamAttribute &a : attributes) {
                if (unsafe(a) || (image && a.qualifiedName() == QLatin1String("image-rendering")))
                    continue;
                w.writeAttribute(a.qualifiedName().toString(), a.value().toString());
            }
            if (image)
                w.writeAttribute(QStringLiteral("image-rendering"),
                                 QStringLiteral("optimizeSpeed"));
            break;
        }
        case QXmlStreamReader::EndElement:
            w.writeEndElement();
            break;
        case QXmlStreamReader::Characters:
            w.writeCharacters(in.text().toString());
            break;
        default:
            break; // declarations, comments, processing instructions, entity references
        }
    }
    w.writeEndDocument(); // closes whatever a damaged document left open
    return out;
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

    qsizetype length = 0;
    QByteArray copy = preparedCopy(bytes, &length);
    if (copy.isEmpty()) {
        *error = QCoreApplication::translate("picture", "the metafile is damaged (bad header)");
        return false;
    }
    generatorOptions options{};
    options.svgDelimiter = true;
    char *svg = nullptr;
    size_t svgLength = 0;
    const int converted = emf2svg(copy.data(), size_t(length), &svg, &svgLength, &options);
    const QByteArray raw = svg ? QByteArray(svg, qsizetype(svgLength)) : QByteArray();
    std::free(svg);
    if (!converted || raw.isEmpty()) {
        *error = QCoreApplication::translate("picture", "the metafile cannot be drawn");
        return false;
    }

    QSvgRenderer renderer(sanitizedSvg(raw));
    if (!renderer.isValid()) {
        *error = QCoreApplication::translate("picture", "the metafile cannot be drawn");
        return false;
    }
    // The converter works in reference-device pixels shifted by the bounds' top-left corner and
    // sizes its document to the bounds; what is shown is the frame.
    const bool deviceKnown =
        h.deviceWidth > 0 && h.deviceHeight > 0 && h.deviceWidthMm > 0 && h.deviceHeightMm > 0;
    const double perHimetricX = deviceKnown ? double(h.deviceWidth) / (h.deviceWidthMm * 100.0)
                                            : kLogicalDpi / kHimetricPerInch;
    const double perHimetricY = deviceKnown ? double(h.deviceHeight) / (h.deviceHeightMm * 100.0)
                                            : kLogicalDpi / kHimetricPerInch;
    renderer.setViewBox(QRectF(h.frame.left * perHimetricX - h.bounds.left,
                               h.frame.top * perHimetricY - h.bounds.top,
                               (h.frame.right - h.frame.left) * perHimetricX,
                               (h.frame.bottom - h.frame.top) * perHimetricY));

    QImage image(device, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        *error = QCoreApplication::translate("picture", "not enough memory to draw the metafile");
        return false;
    }
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(device)));
    }
    image.setDevicePixelRatio(dpr);
    *out = std::move(image);
    return true;
}

} // namespace picture
