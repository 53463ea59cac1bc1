#include <picture/metafile/wmfrecords.h>

#include <picture/littleendian.h>

#include <uwmf.h>

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr quint32 kPlaceableKey = 0x9AC6CDD7;
constexpr quint16 kHeaderWords = 9;
constexpr qsizetype kRecordHeadBytes = 6;      // size (32 bits) and function (16 bits)
constexpr size_t kHeaderCopyBytes = 64;        // both headers and then some
constexpr quint16 kDefaultUnitsPerInch = 1440; // what a placeable header with no unit means
constexpr double kPixelsPerInch = 96.0;
// A window extent without a placeable header is read as pixels up to this size and as twips
// beyond it: screen-sized drawings were made in pixels, larger numbers are almost always twips.
constexpr int kPixelExtentLimit = 1024;
constexpr double kTwipsPerInch = 1440.0;

int toPixels(int units, double unitsPerInch)
{
    const long pixels = std::lround(std::abs(units) * kPixelsPerInch / unitsPerInch);
    return pixels < 1 ? 1 : int(pixels);
}

bool fail(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}

// Sizes the picture by a window extent; logical units up to a screen's size are
// taken for pixels, larger ones for twips.
void sizeFromExtent(picture::wmf::Metafile *mf, QPoint origin, QPoint extent)
{
    const bool pixels =
        std::abs(extent.x()) <= kPixelExtentLimit && std::abs(extent.y()) <= kPixelExtentLimit;
    const double unitsPerInch = pixels ? kPixelsPerInch : kTwipsPerInch;
    mf->info.naturalPixels =
        QSize(toPixels(extent.x(), unitsPerInch), toPixels(extent.y(), unitsPerInch));
    mf->windowOrigin = origin;
    mf->windowExtent = extent;
}

// A metafile without a placeable header is sized by its first usable window extent; the
// window origin is the first one set, if any.
bool sizeFromWindow(picture::wmf::Metafile *mf)
{
    bool haveOrigin = false;
    bool haveExtent = false;
    U_POINT16 origin{0, 0};
    U_POINT16 extent{0, 0};
    for (const picture::wmf::Record &r : mf->records) {
        const int type = picture::wmf::recordType(r);
        if (!haveOrigin && type == U_WMR_SETWINDOWORG && r.size >= U_SIZE_WMRSETWINDOWORG &&
            U_WMRSETWINDOWORG_get(r.data, &origin) > 0)
            haveOrigin = true;
        if (!haveExtent && type == U_WMR_SETWINDOWEXT && r.size >= U_SIZE_WMRSETWINDOWEXT &&
            U_WMRSETWINDOWEXT_get(r.data, &extent) > 0 && extent.x != 0 && extent.y != 0)
            haveExtent = true;
        if (haveOrigin && haveExtent)
            break;
    }
    if (!haveExtent)
        return false;
    sizeFromExtent(mf, haveOrigin ? QPoint(origin.x, origin.y) : QPoint(),
                   QPoint(extent.x, extent.y));
    return true;
}

// The points a drawing record puts ink around, in logical units: corners of its rectangle,
// its points, where its text or bitmap starts.
void addPoints(const picture::wmf::Record &r, QList<QPoint> *points)
{
    const picture::LittleEndianReader in = r.bytes();
    const auto at = [&](qsizetype y) { points->append(QPoint(in.s16(y + 2), in.s16(y))); };
    switch (picture::wmf::recordType(r)) {
    case U_WMR_LINETO:
    case U_WMR_MOVETO:
    case U_WMR_EXTTEXTOUT:
        at(6);
        break;
    case U_WMR_SETPIXEL:
        at(10);
        break;
    case U_WMR_RECTANGLE:
    case U_WMR_ELLIPSE:
        at(6);
        at(10);
        break;
    case U_WMR_ROUNDRECT:
        at(10);
        at(14);
        break;
    case U_WMR_ARC:
    case U_WMR_PIE:
    case U_WMR_CHORD:
        at(14);
        at(18);
        break;
    case U_WMR_PATBLT:
        at(14);
        points->append(QPoint(in.s16(16) + in.s16(12), in.s16(14) + in.s16(10)));
        break;
    case U_WMR_STRETCHDIB:
        at(24);
        points->append(QPoint(in.s16(26) + in.s16(22), in.s16(24) + in.s16(20)));
        break;
    case U_WMR_DIBSTRETCHBLT:
        at(22);
        points->append(QPoint(in.s16(24) + in.s16(20), in.s16(22) + in.s16(18)));
        break;
    case U_WMR_DIBBITBLT:
        at(18);
        points->append(QPoint(in.s16(20) + in.s16(16), in.s16(18) + in.s16(14)));
        break;
    case U_WMR_POLYGON:
    case U_WMR_POLYLINE:
        for (int i = 0; i < in.u16(6) && in.has(8 + i * 4, 4); ++i)
            points->append(QPoint(in.s16(8 + i * 4), in.s16(10 + i * 4)));
        break;
    case U_WMR_POLYPOLYGON: {
        const int polygons = in.u16(6);
        qint64 total = 0;
        for (int i = 0; i < polygons; ++i)
            total += in.u16(8 + i * 2);
        const qsizetype from = 8 + polygons * 2;
        for (qint64 i = 0; i < total && in.has(from + i * 4, 4); ++i)
            points->append(QPoint(in.s16(from + i * 4), in.s16(from + i * 4 + 2)));
        break;
    }
    default:
        break;
    }
}

// Neither placeable header nor window extent: the picture is as large as what it draws,
// measured in the default mapping, logical units as pixels.
bool sizeFromDrawing(picture::wmf::Metafile *mf)
{
    QList<QPoint> points;
    for (const picture::wmf::Record &r : mf->records)
        addPoints(r, &points);
    if (points.isEmpty())
        return false;
    QRect bounds(points.first(), QSize(1, 1));
    for (const QPoint &p : points)
        bounds |= QRect(p, QSize(1, 1));
    // The last row and column of a rectangle record are outside what it fills.
    const QPoint extent(std::max(1, bounds.width() - 1), std::max(1, bounds.height() - 1));
    sizeFromExtent(mf, bounds.topLeft(), extent);
    return true;
}

} // namespace

namespace picture::wmf {

int recordType(const Record &record)
{
    const int type = record.function & 0xFF;
    return U_wmr_values(type) == record.function ? type : -1;
}

bool readMetafile(const QByteArray &bytes, Metafile *out, QString *error)
{
    const LittleEndianReader file(bytes);
    const char *begin = bytes.constData();
    const char *end = begin + bytes.size();
    const QString notMetafile =
        QCoreApplication::translate("picture", "this is not a Windows metafile");
    if (bytes.size() < kRecordHeadBytes)
        return fail(error, notMetafile);

    // libuemf wants a placeable file to reach a full header's length past the two headers, which
    // refuses short but complete files; it reads the headers from a padded copy instead.
    char head[kHeaderCopyBytes] = {};
    memcpy(head, begin, std::min<size_t>(sizeof head, size_t(bytes.size())));
    U_WMRPLACEABLE placeable{};
    U_WMRHEADER header{};
    const int headerBytes = wmfheader_get(head, head + sizeof head, &placeable, &header);
    if (headerBytes <= 0 || headerBytes > bytes.size())
        return fail(error, notMetafile);
    const bool isPlaceable = file.u32(0) == kPlaceableKey;
    // The header's type is memory (1) or disk (2) and it is always nine words long. Without the
    // placeable key the version is checked as well, since little else tells a metafile apart.
    const quint16 type = quint16(header.iType | (header.xb << 8));
    if ((type != 1 && type != 2) || header.Size16w != kHeaderWords)
        return fail(error, notMetafile);
    if (!isPlaceable && header.version != U_METAVERSION100 && header.version != U_METAVERSION300)
        return fail(error, notMetafile);

    Metafile mf;
    mf.placeable = isPlaceable;
    mf.objectCount = header.nObjects;

    const char *at = begin + headerBytes;
    bool ended = false;
    while (end - at >= kRecordHeadBytes) {
        const size_t size = U_WMRRECSAFE_get(at, end);
        if (size < size_t(kRecordHeadBytes))
            return fail(error, QCoreApplication::translate(
                                   "picture", "the metafile is damaged: a record at byte %1 "
                                              "runs past the end of the file")
                                   .arg(at - begin));
        const quint16 function = file.from(at).u16(4);
        if (function == 0) {
            ended = true;
            break;
        }
        mf.records.push_back(Record{at, quint32(size), function});
        at += size;
    }
    if (!ended)
        return fail(error, QCoreApplication::translate(
                               "picture", "the metafile is cut short: its end record is missing"));

    if (isPlaceable) {
        const int left = std::min(placeable.Dst.left, placeable.Dst.right);
        const int top = std::min(placeable.Dst.top, placeable.Dst.bottom);
        const int width = std::abs(int(placeable.Dst.right) - int(placeable.Dst.left));
        const int height = std::abs(int(placeable.Dst.bottom) - int(placeable.Dst.top));
        if (width == 0 || height == 0)
            return fail(error, QCoreApplication::translate("picture",
                                                           "the metafile's bounding box is empty"));
        const double unitsPerInch = placeable.Inch ? placeable.Inch : kDefaultUnitsPerInch;
        mf.info.naturalPixels =
            QSize(toPixels(width, unitsPerInch), toPixels(height, unitsPerInch));
        mf.windowOrigin = QPoint(left, top);
        mf.windowExtent = QPoint(width, height);
    } else if (!sizeFromWindow(&mf) && !sizeFromDrawing(&mf)) {
        return fail(error, QCoreApplication::translate(
                               "picture", "the metafile has neither a placeable header nor a "
                                          "window extent, and draws nothing"));
    }
    *out = std::move(mf);
    return true;
}

} // namespace picture::wmf
