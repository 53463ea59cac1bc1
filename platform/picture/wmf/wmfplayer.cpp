#include <platform/picture/wmf/wmfplayer.h>

#include <platform/picture/wmf/wmfdib.h>
#include <platform/picture/wmf/wmftext.h>

#include <uwmf.h>

#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <variant>

namespace {

using namespace picture::wmf;

constexpr size_t kMaxSavedStates = 256;
constexpr size_t kMaxObjects = 65535;         // object indices are 16-bit
constexpr size_t kObjectsWhenUnstated = 1024; // for headers that leave the count at zero
constexpr double kCoordinateLimit = 1.0e6;    // pixels; keeps the rasteriser's numbers sane
constexpr int kMaxRegionRects = 4096;         // more than this and a region becomes its bounds
constexpr int kMaxClipRects = 8192;           // beyond this, exclusions are no longer applied
constexpr double kPixelsPerInch = 96.0;
constexpr double kDefaultFontCellPixels = 16.0; // the system font's cell when no font is chosen
constexpr double kMinFontPixels = 0.5;
constexpr double kMaxFontPixels = 8192.0;
constexpr double kMetricsProbePixels = 100.0;
// Character height fractions above and below the baseline of the East Asian Windows faces.
constexpr double kEastAsianAscent = 0.86;
constexpr double kEastAsianDescent = 0.14;
constexpr double kMinWidthScale = 0.05;
constexpr double kMaxWidthScale = 20.0;
constexpr int kFontCoreBytes = 18;
constexpr int kFaceNameBytes = 32;
constexpr int kRegionHeaderBytes = 20;
constexpr int kScanHeaderBytes = 6;
constexpr int kPatternBrushBitsOffset = 38;
constexpr quint8 kPaletteIndexFlag = 0x01;
constexpr int kNormalWeight = 400;

// Offsets of the bitmap in the old BITBLT and STRETCHBLT records, after the blit's fields.
constexpr int kBitBltBitmapOffset = 22;
constexpr int kStretchBltBitmapOffset = 26;
constexpr int kBitmap16HeaderBytes = 10;

qint16 s16(const char *p)
{
    return qFromLittleEndian<qint16>(p);
}
quint16 u16(const char *p)
{
    return qFromLittleEndian<quint16>(p);
}

struct PenObject {
    quint16 style = U_PS_SOLID;
    int width = 0;
    QColor color = Qt::black;
};

struct BrushObject {
    quint16 style = U_BS_SOLID;
    QColor color = Qt::white;
    quint16 hatch = 0;
    QImage pattern;
};

struct FontObject {
    int height = 0;
    int width = 0;
    int escapement = 0;
    int weight = kNormalWeight;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    quint8 charset = U_DEFAULT_CHARSET;
    FaceChoice face = substituteFace(QString(), U_DEFAULT_CHARSET, 0);
};

struct PaletteObject {
    QList<QRgb> colors;
};

struct RegionObject {
    QList<QRect> rects; // logical units, right and bottom exclusive
};

// Takes a slot but selects nothing: bitmaps we do not paint with, records too short to read.
struct OtherObject {};

using Object = std::variant<std::monostate, PenObject, BrushObject, FontObject, PaletteObject,
                            RegionObject, OtherObject>;

struct DcState {
    int mapMode = U_MM_ANISOTROPIC;
    QPoint windowOrg;
    QPoint windowExt{1, 1};
    QPoint viewportOrg;
    QPoint viewportExt{1, 1};
    PenObject pen;
    BrushObject brush;
    FontObject font;
    QList<QRgb> palette;
    int paletteIndex = -1;
    QColor textColor = Qt::black;
    QColor bkColor = Qt::white;
    int bkMode = U_OPAQUE;
    quint16 textAlign = U_TA_LEFT | U_TA_TOP;
    int polyFillMode = U_ALTERNATE;
    int rop2 = U_R2_COPYPEN;
    QPoint position;
    int charExtra = 0;
    bool clipped = false;
    QRegion clip; // in picture pixels
};

struct RealFont {
    bool drawable = false;
    QFont font;
    double ascent = 0;
    double descent = 0;
    double widthScale = 1;
    double angle = 0;
};

class Player {
public:
    Player(const Metafile &metafile, QImage *image);
    void run();

private:
    // Mapping from logical units to picture pixels.
    void updateMapping();
    QPointF toPixels(double x, double y) const;
    QPointF toPixels(QPoint p) const { return toPixels(p.x(), p.y()); }
    QRectF box(int left, int top, int right, int bottom) const;
    QRect pixelRect(int left, int top, int right, int bottom) const;
    double snap(double v) const;

    // Painting with the current pen and brush.
    QRectF outlineBox(const QRectF &box) const;
    std::optional<QPen> currentPen() const;
    QColor ropColor(const QColor &c) const;
    void setCompositionFor(int rop2);
    void fill(const QPainterPath &path, const BrushObject &brush, bool useRop2 = true);
    void stroke(const QPainterPath &path);
    void applyClip();
    QColor color(const U_COLORREF &c) const;

    // Objects.
    void addObject(Object object);
    Object *objectAt(quint16 index);
    QRegion region(const RegionObject &r) const;

    void handle(const Record &r);
    void createPen(const Record &r);
    void createBrush(const Record &r);
    void createFont(const Record &r);
    void createPalette(const Record &r);
    void createRegion(const Record &r);
    void createDibPatternBrush(const Record &r);
    void createPatternBrush(const Record &r);
    void selectObject(quint16 index);
    void deleteObject(quint16 index);
    void setPaletteEntries(const Record &r);

    void saveDc();
    void restoreDc(int which);
    void intersectClip(const QRect &rect);
    void excludeClip(const QRect &rect);
    void selectClipRegion(quint16 index);

    void rectangle(const U_RECT16 &rc);
    void roundRect(int width, int height, const U_RECT16 &rc);
    void ellipse(const U_RECT16 &rc);
    enum class ArcKind { Arc, Pie, Chord };
    void arc(ArcKind kind, U_POINT16 start, U_POINT16 end, const U_RECT16 &rc);
    void poly(const Record &r, bool closed);
    void polyPolygon(const Record &r);
    void lineTo(QPoint to);

    RealFont realizeFont();
    QPair<double, double> latinMetrics(const QFont &font);
    void text(QPoint at, QByteArrayView bytes, const char *dx, qsizetype dxAvailable,
              quint16 options, const U_RECT16 *rect);
    void textOut(const Record &r);
    void extTextOut(const Record &r);

    void blit(const QImage &image, int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh,
              quint32 rop);
    void ropFill(const QRectF &target, quint32 rop);
    void dibBlit(const Record &r, bool stretch);
    void stretchDib(const Record &r);
    void setDibToDevice(const Record &r);
    void bitmapBlit(const Record &r, bool stretch);
    void patBlt(const Record &r);
    ColorUsage usage(quint16 value) const;

    void fillRegion(quint16 regionIndex, const BrushObject &brush);
    void frameRegion(quint16 regionIndex, quint16 brushIndex, int width, int height);
    void invertRegion(quint16 regionIndex);

    const Metafile &mf_;
    QImage *image_;
    QPainter p_;
    qreal dpr_ = 1;
    DcState s_;
    std::vector<DcState> saved_;
    int droppedSaves_ = 0;
    std::vector<Object> objects_;
    size_t objectCapacity_ = 0;
    size_t firstFree_ = 0;
    double sx_ = 1;
    double sy_ = 1;
    QHash<QString, QPair<double, double>> metricsCache_;
};

Player::Player(const Metafile &metafile, QImage *image)
    : mf_(metafile), image_(image), dpr_(image->devicePixelRatio())
{
    const QSize natural = metafile.info.naturalPixels;
    s_.windowOrg = metafile.windowOrigin;
    s_.windowExt = metafile.windowExtent;
    s_.viewportExt = QPoint(natural.width(), natural.height());
    objectCapacity_ = std::min<size_t>(
        metafile.objectCount ? metafile.objectCount : kObjectsWhenUnstated, kMaxObjects);
    updateMapping();
    p_.begin(image);
    // Windows draws shapes without smoothing; text is smoothed as on today's screens.
    p_.setRenderHint(QPainter::Antialiasing, false);
    p_.setRenderHint(QPainter::TextAntialiasing, true);
    p_.setRenderHint(QPainter::SmoothPixmapTransform, false);
}

void Player::run()
{
    for (const Record &r : mf_.records)
        handle(r);
    p_.end();
}

// ---- Mapping ----------------------------------------------------------------------------------

void Player::updateMapping()
{
    double unitsPerInch = 0;
    switch (s_.mapMode) {
    case U_MM_TEXT:
        sx_ = sy_ = 1;
        return;
    case U_MM_LOMETRIC:
        unitsPerInch = 254;
        break;
    case U_MM_HIMETRIC:
        unitsPerInch = 2540;
        break;
    case U_MM_LOENGLISH:
        unitsPerInch = 100;
        break;
    case U_MM_HIENGLISH:
        unitsPerInch = 1000;
        break;
    case U_MM_TWIPS:
        unitsPerInch = 1440;
        break;
    default:
        break;
    }
    if (unitsPerInch > 0) {
        // The fixed scales measure y upwards.
        sx_ = kPixelsPerInch / unitsPerInch;
        sy_ = -sx_;
        return;
    }
    sx_ = double(s_.viewportExt.x()) / s_.windowExt.x();
    sy_ = double(s_.viewportExt.y()) / s_.windowExt.y();
    if (s_.mapMode == U_MM_ISOTROPIC) {
        const double m = std::min(std::abs(sx_), std::abs(sy_));
        sx_ = std::copysign(m, sx_);
        sy_ = std::copysign(m, sy_);
    }
}

double Player::snap(double v) const
{
    v = std::clamp(v, -kCoordinateLimit, kCoordinateLimit);
    return std::round(v * dpr_) / dpr_;
}

QPointF Player::toPixels(double x, double y) const
{
    return {snap((x - s_.windowOrg.x()) * sx_ + s_.viewportOrg.x()),
            snap((y - s_.windowOrg.y()) * sy_ + s_.viewportOrg.y())};
}

QRectF Player::box(int left, int top, int right, int bottom) const
{
    return QRectF(toPixels(left, top), toPixels(right, bottom)).normalized();
}

QRect Player::pixelRect(int left, int top, int right, int bottom) const
{
    const QRectF b = box(left, top, right, bottom);
    const QPoint topLeft(int(std::floor(b.left() + 0.5)), int(std::floor(b.top() + 0.5)));
    const QPoint bottomRight(int(std::floor(b.right() + 0.5)), int(std::floor(b.bottom() + 0.5)));
    return QRect(topLeft, QSize(bottomRight.x() - topLeft.x(), bottomRight.y() - topLeft.y()));
}

// ---- Pens, brushes, colours -------------------------------------------------------------------

QColor Player::color(const U_COLORREF &c) const
{
    if (c.Reserved == kPaletteIndexFlag) {
        const int index = c.Red | (c.Green << 8);
        return index < s_.palette.size() ? QColor(s_.palette[index]) : QColor(Qt::black);
    }
    return QColor(c.Red, c.Green, c.Blue);
}

QColor Player::ropColor(const QColor &c) const
{
    switch (s_.rop2) {
    case U_R2_BLACK:
        return Qt::black;
    case U_R2_WHITE:
        return Qt::white;
    default:
        return c;
    }
}

void Player::setCompositionFor(int rop2)
{
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    switch (rop2) {
    case U_R2_XORPEN:
        mode = QPainter::RasterOp_SourceXorDestination;
        break;
    case U_R2_NOTXORPEN:
        mode = QPainter::RasterOp_NotSourceXorDestination;
        break;
    case U_R2_NOT:
        mode = QPainter::RasterOp_NotDestination;
        break;
    case U_R2_MASKPEN:
        mode = QPainter::RasterOp_SourceAndDestination;
        break;
    case U_R2_MERGEPEN:
        mode = QPainter::RasterOp_SourceOrDestination;
        break;
    case U_R2_NOTCOPYPEN:
        mode = QPainter::RasterOp_NotSource;
        break;
    default:
        break;
    }
    p_.setCompositionMode(mode);
}

// Pens are cosmetic so that widths stay whole pixels however the window is scaled; a width that
// maps to less than a pixel, and width 0, draw one pixel as on Windows.
std::optional<QPen> Player::currentPen() const
{
    const PenObject &pen = s_.pen;
    const int style = pen.style & U_PS_STYLE_MASK;
    if (style == U_PS_NULL || s_.rop2 == U_R2_NOP)
        return std::nullopt;
    const double width = std::max(1.0, pen.width * std::abs(sx_));
    QPen q(ropColor(pen.color));
    q.setCosmetic(true);
    q.setWidthF(width * dpr_);
    switch (pen.style & U_PS_ENDCAP_MASK) {
    case U_PS_ENDCAP_SQUARE:
        q.setCapStyle(Qt::SquareCap);
        break;
    case U_PS_ENDCAP_FLAT:
        q.setCapStyle(Qt::FlatCap);
        break;
    default:
        q.setCapStyle(Qt::RoundCap);
        break;
    }
    switch (pen.style & U_PS_JOIN_MASK) {
    case U_PS_JOIN_BEVEL:
        q.setJoinStyle(Qt::BevelJoin);
        break;
    case U_PS_JOIN_MITER:
        q.setJoinStyle(Qt::MiterJoin);
        break;
    default:
        q.setJoinStyle(Qt::RoundJoin);
        break;
    }
    // Styled lines exist only one unit wide; wider pens are solid.
    if (pen.width <= 1) {
        QList<qreal> dashes;
        switch (style) {
        case U_PS_DASH:
            dashes = {18, 6};
            break;
        case U_PS_DOT:
            dashes = {3, 3};
            break;
        case U_PS_DASHDOT:
            dashes = {9, 6, 3, 6};
            break;
        case U_PS_DASHDOTDOT:
            dashes = {9, 3, 3, 3, 3, 3};
            break;
        case U_PS_ALTERNATE:
            dashes = {1, 1};
            break;
        default:
            break;
        }
        if (!dashes.isEmpty()) {
            q.setDashPattern(dashes);
            q.setCapStyle(Qt::FlatCap);
        }
    }
    return q;
}

// Outlines run through pixel centres, just inside the filled area's right and bottom edges.
QRectF Player::outlineBox(const QRectF &b) const
{
    double inset = 0.5;
    if ((s_.pen.style & U_PS_STYLE_MASK) == U_PS_INSIDEFRAME)
        inset += (std::max(1.0, s_.pen.width * std::abs(sx_)) - 1) / 2;
    QRectF r = b.adjusted(inset, inset, -inset, -inset);
    if (r.width() < 0)
        r = QRectF(b.center().x(), r.top(), 0, r.height());
    if (r.height() < 0)
        r = QRectF(r.left(), b.center().y(), r.width(), 0);
    return r;
}

void Player::fill(const QPainterPath &path, const BrushObject &brush, bool useRop2)
{
    if (brush.style == U_BS_NULL || (useRop2 && s_.rop2 == U_R2_NOP))
        return;
    const auto paint = [&](const QBrush &b) {
        if (useRop2)
            setCompositionFor(s_.rop2);
        p_.fillPath(path, b);
        p_.setCompositionMode(QPainter::CompositionMode_SourceOver);
    };
    const QColor c = useRop2 ? ropColor(brush.color) : brush.color;
    switch (brush.style) {
    case U_BS_SOLID:
        paint(c);
        break;
    case U_BS_HATCHED: {
        static constexpr Qt::BrushStyle kHatches[] = {Qt::HorPattern,   Qt::VerPattern,
                                                      Qt::FDiagPattern, Qt::BDiagPattern,
                                                      Qt::CrossPattern, Qt::DiagCrossPattern};
        if (s_.bkMode == U_OPAQUE)
            paint(s_.bkColor);
        paint(brush.hatch < std::size(kHatches) ? QBrush(c, kHatches[brush.hatch]) : QBrush(c));
        break;
    }
    case U_BS_PATTERN:
    case U_BS_DIBPATTERN:
    case U_BS_DIBPATTERNPT:
        if (!brush.pattern.isNull())
            paint(QBrush(brush.pattern));
        break;
    default:
        break;
    }
}

void Player::stroke(const QPainterPath &path)
{
    const std::optional<QPen> pen = currentPen();
    if (!pen)
        return;
    setCompositionFor(s_.rop2);
    if (pen->style() == Qt::CustomDashLine && s_.bkMode == U_OPAQUE) {
        QPen gaps = *pen;
        gaps.setStyle(Qt::SolidLine);
        gaps.setColor(s_.bkColor);
        p_.strokePath(path, gaps);
    }
    p_.strokePath(path, *pen);
    p_.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void Player::applyClip()
{
    if (s_.clipped)
        p_.setClipRegion(s_.clip);
    else
        p_.setClipping(false);
}

// ---- Objects ----------------------------------------------------------------------------------

// Windows gives every new object the lowest free slot of the table.
void Player::addObject(Object object)
{
    while (firstFree_ < objects_.size() &&
           !std::holds_alternative<std::monostate>(objects_[firstFree_]))
        ++firstFree_;
    if (firstFree_ < objects_.size())
        objects_[firstFree_] = std::move(object);
    else if (objects_.size() < objectCapacity_)
        objects_.push_back(std::move(object));
    else
        return; // the table is full: the object is lost, as on Windows
    ++firstFree_;
}

Object *Player::objectAt(quint16 index)
{
    return index < objects_.size() ? &objects_[index] : nullptr;
}

void Player::createPen(const Record &r)
{
    U_PEN pen{};
    if (r.size < U_SIZE_WMRCREATEPENINDIRECT || !U_WMRCREATEPENINDIRECT_get(r.data, &pen))
        return addObject(OtherObject{});
    const int width = qint16(pen.Widthw[0]);
    addObject(PenObject{pen.Style, std::max(0, width), color(pen.Color)});
}

void Player::createBrush(const Record &r)
{
    const char *b = nullptr;
    if (r.size < U_SIZE_WMRCREATEBRUSHINDIRECT || !U_WMRCREATEBRUSHINDIRECT_get(r.data, &b))
        return addObject(OtherObject{});
    U_COLORREF c;
    memcpy(&c, b + 2, sizeof c);
    BrushObject brush{u16(b), color(c), u16(b + 6), QImage()};
    // Pattern styles need a bitmap, which this record cannot carry.
    if (brush.style != U_BS_SOLID && brush.style != U_BS_HATCHED)
        brush.style = U_BS_NULL;
    addObject(std::move(brush));
}

void Player::createFont(const Record &r)
{
    const char *f = nullptr;
    if (r.size < U_SIZE_WMRCREATEFONTINDIRECT || !U_WMRCREATEFONTINDIRECT_get(r.data, &f))
        return addObject(OtherObject{});
    FontObject font;
    font.height = s16(f);
    font.width = s16(f + 2);
    font.escapement = s16(f + 4);
    font.weight = s16(f + 8);
    font.italic = f[10] != 0;
    font.underline = f[11] != 0;
    font.strikeOut = f[12] != 0;
    font.charset = quint8(f[13]);
    const quint8 pitchAndFamily = quint8(f[17]);
    // The face name ends at its NUL, at 32 bytes or at the end of the record.
    const qsizetype available =
        std::min<qsizetype>(kFaceNameBytes, r.data + r.size - (f + kFontCoreBytes));
    QByteArrayView name(f + kFontCoreBytes, std::max<qsizetype>(0, available));
    if (const qsizetype nul = name.indexOf('\0'); nul >= 0)
        name = name.first(nul);
    font.face = substituteFace(decodeString(name, font.charset), font.charset, pitchAndFamily);
    addObject(std::move(font));
}

void Player::createPalette(const Record &r)
{
    U_PALETTE palette{};
    const char *entries = nullptr;
    if (r.size < U_SIZE_WMRCREATEPALETTE || !U_WMRCREATEPALETTE_get(r.data, &palette, &entries) ||
        qint64(palette.NumEntries) * 4 > r.data + r.size - entries)
        return addObject(OtherObject{});
    // Entries are Windows' PALETTEENTRY: red, green, blue, flags. (libuemf's writer and its
    // structure put them the other way round; files from Windows do not.)
    PaletteObject object;
    object.colors.reserve(palette.NumEntries);
    for (int i = 0; i < palette.NumEntries; ++i) {
        const char *e = entries + i * 4;
        object.colors.append(qRgb(quint8(e[0]), quint8(e[1]), quint8(e[2])));
    }
    addObject(std::move(object));
}

void Player::setPaletteEntries(const Record &r)
{
    U_PALETTE palette{};
    const char *entries = nullptr;
    if (r.size < U_SIZE_WMRSETPALENTRIES || !U_WMRSETPALENTRIES_get(r.data, &palette, &entries) ||
        qint64(palette.NumEntries) * 4 > r.data + r.size - entries || s_.paletteIndex < 0)
        return;
    Object *o = objectAt(quint16(s_.paletteIndex));
    auto *object = o ? std::get_if<PaletteObject>(o) : nullptr;
    if (!object)
        return;
    for (int i = 0; i < palette.NumEntries && palette.Start + i < object->colors.size(); ++i) {
        const char *e = entries + i * 4;
        object->colors[palette.Start + i] = qRgb(quint8(e[0]), quint8(e[1]), quint8(e[2]));
    }
    s_.palette = object->colors;
}

void Player::createRegion(const Record &r)
{
    const char *g = nullptr;
    if (r.size < U_SIZE_WMRCREATEREGION || !U_WMRCREATEREGION_get(r.data, &g) ||
        r.data + r.size - g < kRegionHeaderBytes)
        return addObject(OtherObject{});
    const char *end = r.data + r.size;
    const int scanCount = s16(g + 10);
    const QRect bounds(QPoint(s16(g + 12), s16(g + 14)), QPoint(s16(g + 16) - 1, s16(g + 18) - 1));
    RegionObject region;
    const char *scan = g + kRegionHeaderBytes;
    for (int i = 0; i < scanCount; ++i) {
        if (end - scan < kScanHeaderBytes)
            break;
        const int count = u16(scan);
        const int top = s16(scan + 2);
        const int bottom = s16(scan + 4);
        const qint64 scanBytes = kScanHeaderBytes + qint64(count) * 2 + 2;
        if (scanBytes > end - scan)
            break;
        for (int k = 0; k + 1 < count; k += 2) {
            const int left = s16(scan + kScanHeaderBytes + k * 2);
            const int right = s16(scan + kScanHeaderBytes + k * 2 + 2);
            if (right > left && bottom > top)
                region.rects.append(QRect(left, top, right - left, bottom - top));
        }
        if (region.rects.size() > kMaxRegionRects) {
            region.rects = {bounds.normalized()};
            break;
        }
        scan += scanBytes;
    }
    if (scanCount > 0 && region.rects.isEmpty() && bounds.isValid())
        region.rects = {bounds};
    addObject(std::move(region));
}

void Player::createDibPatternBrush(const Record &r)
{
    quint16 style = 0;
    quint16 cUsage = 0;
    const char *bm16 = nullptr;
    const char *dib = nullptr;
    if (r.size < U_SIZE_WMRDIBCREATEPATTERNBRUSH ||
        !U_WMRDIBCREATEPATTERNBRUSH_get(r.data, &style, &cUsage, &bm16, &dib))
        return addObject(OtherObject{});
    // Whatever the style says, the pattern is a DIB; a "pattern" style only means its colour
    // table holds colours.
    const char *src = dib ? dib : bm16;
    const char *end = r.data + r.size;
    BrushObject brush;
    brush.style = U_BS_DIBPATTERNPT;
    if (src && src <= end)
        brush.pattern =
            decodeDib(src, end - src, dib ? usage(cUsage) : ColorUsage::Rgb, s_.palette);
    if (brush.pattern.isNull())
        brush.style = U_BS_NULL;
    addObject(std::move(brush));
}

void Player::createPatternBrush(const Record &r)
{
    U_BITMAP16 bm{};
    int patternBytes = 0;
    const char *pattern = nullptr;
    if (r.size < kPatternBrushBitsOffset ||
        !U_WMRCREATEPATTERNBRUSH_get(r.data, &bm, &patternBytes, &pattern))
        return addObject(OtherObject{});
    const char *end = r.data + r.size;
    BrushObject brush;
    brush.style = U_BS_PATTERN;
    if (pattern && pattern <= end)
        brush.pattern =
            decodeBitmap16({bm.Width, bm.Height, bm.WidthBytes, bm.Planes, bm.BitsPixel}, pattern,
                           end - pattern, s_.textColor.rgb(), s_.bkColor.rgb());
    if (brush.pattern.isNull())
        brush.style = U_BS_NULL;
    addObject(std::move(brush));
}

void Player::selectObject(quint16 index)
{
    Object *o = objectAt(index);
    if (!o)
        return;
    if (auto *pen = std::get_if<PenObject>(o))
        s_.pen = *pen;
    else if (auto *brush = std::get_if<BrushObject>(o))
        s_.brush = *brush;
    else if (auto *font = std::get_if<FontObject>(o))
        s_.font = *font;
    else if (std::holds_alternative<RegionObject>(*o))
        selectClipRegion(index); // selecting a region makes it the clipping region
}

void Player::deleteObject(quint16 index)
{
    if (index >= objects_.size())
        return;
    objects_[index] = std::monostate{};
    firstFree_ = std::min<size_t>(firstFree_, index);
    if (s_.paletteIndex == index)
        s_.paletteIndex = -1;
}

QRegion Player::region(const RegionObject &r) const
{
    QRegion out;
    for (const QRect &rc : r.rects)
        out += pixelRect(rc.left(), rc.top(), rc.left() + rc.width(), rc.top() + rc.height());
    return out;
}

// ---- Device context stack and clipping --------------------------------------------------------

void Player::saveDc()
{
    if (saved_.size() >= kMaxSavedStates) {
        ++droppedSaves_;
        return;
    }
    saved_.push_back(s_);
}

// Negative: that many levels back; positive: the absolute level (the first save is level 1).
void Player::restoreDc(int which)
{
    if (which < 0 && droppedSaves_ > 0) {
        const int dropped = std::min(droppedSaves_, -which);
        droppedSaves_ -= dropped;
        which += dropped;
        if (which == 0)
            return;
    }
    size_t keep = 0;
    if (which < 0 && size_t(-qint64(which)) <= saved_.size())
        keep = saved_.size() - size_t(-qint64(which));
    else if (which > 0 && size_t(which) <= saved_.size())
        keep = size_t(which) - 1;
    else
        return;
    s_ = saved_[keep];
    saved_.resize(keep);
    updateMapping();
    applyClip();
}

void Player::intersectClip(const QRect &rect)
{
    s_.clip = s_.clipped ? s_.clip.intersected(rect) : QRegion(rect);
    s_.clipped = true;
    applyClip();
}

void Player::excludeClip(const QRect &rect)
{
    const QRegion current = s_.clipped ? s_.clip : QRegion(QRect(QPoint(), mf_.info.naturalPixels));
    if (current.rectCount() > kMaxClipRects)
        return;
    s_.clip = current.subtracted(rect);
    s_.clipped = true;
    applyClip();
}

void Player::selectClipRegion(quint16 index)
{
    // Index 0 stands for no region: clipping is removed.
    Object *o = index ? objectAt(index) : nullptr;
    auto *r = o ? std::get_if<RegionObject>(o) : nullptr;
    if (index && !r)
        return;
    s_.clipped = r != nullptr;
    s_.clip = r ? region(*r) : QRegion();
    applyClip();
}

// ---- Shapes -----------------------------------------------------------------------------------

void Player::rectangle(const U_RECT16 &rc)
{
    const QRectF b = box(rc.left, rc.top, rc.right, rc.bottom);
    QPainterPath area;
    area.addRect(b);
    QPainterPath outline;
    outline.addRect(outlineBox(b));
    fill(area, s_.brush);
    stroke(outline);
}

void Player::roundRect(int width, int height, const U_RECT16 &rc)
{
    const QRectF b = box(rc.left, rc.top, rc.right, rc.bottom);
    const double rx = std::min(std::abs(width * sx_) / 2, b.width() / 2);
    const double ry = std::min(std::abs(height * sy_) / 2, b.height() / 2);
    QPainterPath area;
    area.addRoundedRect(b, rx, ry);
    QPainterPath outline;
    outline.addRoundedRect(outlineBox(b), rx, ry);
    fill(area, s_.brush);
    stroke(outline);
}

void Player::ellipse(const U_RECT16 &rc)
{
    const QRectF b = box(rc.left, rc.top, rc.right, rc.bottom);
    QPainterPath area;
    area.addEllipse(b);
    QPainterPath outline;
    outline.addEllipse(outlineBox(b));
    fill(area, s_.brush);
    stroke(outline);
}

// Arcs run counter-clockwise from where the ray to `start` crosses the ellipse to where the ray
// to `end` does; equal rays make a whole ellipse.
void Player::arc(ArcKind kind, U_POINT16 start, U_POINT16 end, const U_RECT16 &rc)
{
    const QRectF b = box(rc.left, rc.top, rc.right, rc.bottom);
    if (b.width() <= 0 || b.height() <= 0)
        return;
    const QPointF c = b.center();
    const auto angleOf = [&](U_POINT16 p) {
        const QPointF d = toPixels(p.x, p.y) - c;
        return std::atan2(-d.y() / b.height(), d.x() / b.width()) * 180 / std::numbers::pi;
    };
    const double a0 = angleOf(start);
    double sweep = angleOf(end) - a0;
    while (sweep <= 0)
        sweep += 360;
    const auto shape = [&](const QRectF &r) {
        QPainterPath path;
        if (kind == ArcKind::Pie)
            path.moveTo(r.center());
        else
            path.arcMoveTo(r, a0);
        path.arcTo(r, a0, sweep);
        if (kind != ArcKind::Arc)
            path.closeSubpath();
        return path;
    };
    if (kind != ArcKind::Arc)
        fill(shape(b), s_.brush);
    stroke(shape(outlineBox(b)));
}

void Player::poly(const Record &r, bool closed)
{
    uint16_t count = 0;
    const char *data = nullptr;
    if (!(closed ? U_WMRPOLYGON_get(r.data, &count, &data)
                 : U_WMRPOLYLINE_get(r.data, &count, &data)) ||
        qint64(count) * 4 > r.data + r.size - data || count < 2)
        return;
    QPolygonF points;
    points.reserve(count);
    for (int i = 0; i < count; ++i)
        points.append(toPixels(s16(data + i * 4), s16(data + i * 4 + 2)));
    QPainterPath outline;
    outline.addPolygon(points.translated(0.5, 0.5));
    if (closed) {
        outline.closeSubpath();
        QPainterPath area;
        area.addPolygon(points);
        area.closeSubpath();
        area.setFillRule(s_.polyFillMode == U_WINDING ? Qt::WindingFill : Qt::OddEvenFill);
        fill(area, s_.brush);
    }
    stroke(outline);
}

void Player::polyPolygon(const Record &r)
{
    uint16_t polygons = 0;
    const uint16_t *counts = nullptr;
    const char *points = nullptr;
    if (!U_WMRPOLYPOLYGON_get(r.data, &polygons, &counts, &points))
        return;
    const char *countBytes = reinterpret_cast<const char *>(counts);
    const char *end = r.data + r.size;
    if (qint64(polygons) * 2 > end - countBytes)
        return;
    qint64 total = 0;
    for (int i = 0; i < polygons; ++i)
        total += u16(countBytes + i * 2);
    if (total * 4 > end - points)
        return;
    QPainterPath area;
    QPainterPath outline;
    area.setFillRule(s_.polyFillMode == U_WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    const char *at = points;
    for (int i = 0; i < polygons; ++i) {
        const int n = u16(countBytes + i * 2);
        QPolygonF polygon;
        polygon.reserve(n);
        for (int k = 0; k < n; ++k, at += 4)
            polygon.append(toPixels(s16(at), s16(at + 2)));
        if (n < 2)
            continue;
        area.addPolygon(polygon);
        area.closeSubpath();
        outline.addPolygon(polygon.translated(0.5, 0.5));
        outline.closeSubpath();
    }
    fill(area, s_.brush);
    stroke(outline);
}

void Player::lineTo(QPoint to)
{
    QPainterPath path;
    path.moveTo(toPixels(s_.position) + QPointF(0.5, 0.5));
    path.lineTo(toPixels(to) + QPointF(0.5, 0.5));
    stroke(path);
    s_.position = to;
}

// ---- Text -------------------------------------------------------------------------------------

QPair<double, double> Player::latinMetrics(const QFont &font)
{
    const QString key = font.key();
    if (auto it = metricsCache_.constFind(key); it != metricsCache_.constEnd())
        return *it;
    QFont probe(font);
    probe.setPointSizeF(kMetricsProbePixels * 72.0 / image_->logicalDpiY());
    const QFontMetricsF fm(probe, image_);
    const QPair<double, double> m{fm.ascent() / kMetricsProbePixels,
                                  fm.descent() / kMetricsProbePixels};
    metricsCache_.insert(key, m);
    return m;
}

// Windows sizes a font when it is used, in the mapping of that moment: a negative height is the
// character height, a positive one the cell height, both in logical units of the y axis.
RealFont Player::realizeFont()
{
    const FontObject &f = s_.font;
    RealFont rf;
    QFont q;
    q.setFamilies(f.face.families);
    q.setWeight(QFont::Weight(std::clamp(f.weight > 0 ? f.weight : kNormalWeight, 100, 900)));
    q.setItalic(f.italic);
    q.setUnderline(f.underline);
    q.setStrikeOut(f.strikeOut);
    const auto [ascent, descent] = f.face.eastAsianMetrics
                                       ? QPair<double, double>(kEastAsianAscent, kEastAsianDescent)
                                       : latinMetrics(q);
    const double height = std::abs(f.height * sy_);
    double em = 0;
    if (f.height < 0)
        em = height;
    else if (ascent + descent > 0)
        em = (f.height > 0 ? height : kDefaultFontCellPixels) / (ascent + descent);
    if (!(em >= kMinFontPixels))
        return rf;
    em = std::min(em, kMaxFontPixels);
    q.setPointSizeF(em * 72.0 / image_->logicalDpiY());
    if (s_.charExtra)
        q.setLetterSpacing(QFont::AbsoluteSpacing, s_.charExtra * std::abs(sx_));
    rf.font = q;
    rf.ascent = ascent * em;
    rf.descent = descent * em;
    if (f.width != 0) {
        // The width asked for is the average character width; East Asian faces report half
        // their character height as that.
        const double have =
            f.face.eastAsianMetrics ? em / 2 : QFontMetricsF(q, image_).averageCharWidth();
        if (have > 0)
            rf.widthScale =
                std::clamp(std::abs(f.width * sx_) / have, kMinWidthScale, kMaxWidthScale);
    }
    rf.angle = f.escapement / 10.0;
    rf.drawable = true;
    return rf;
}

void Player::text(QPoint at, QByteArrayView bytes, const char *dx, qsizetype dxAvailable,
                  quint16 options, const U_RECT16 *rect)
{
    const bool updateCp = s_.textAlign & U_TA_UPDATECP;
    const QPointF origin = toPixels(updateCp ? s_.position : at);
    QRectF clipBox;
    if (rect) {
        clipBox = box(rect->left, rect->top, rect->right, rect->bottom);
        if (options & U_ETO_OPAQUE)
            p_.fillRect(clipBox, s_.bkColor);
    }
    if (bytes.isEmpty())
        return;
    const RealFont rf = realizeFont();
    if (!rf.drawable)
        return;

    // Character advances come from the Dx array when there is one: an entry per byte (Windows
    // puts a double-byte character's advance on its lead byte) or, from some writers, one per
    // character.
    const std::vector<TextPiece> pieces = decodeCharacters(bytes, s_.font.charset);
    QString whole;
    for (const TextPiece &piece : pieces)
        whole += piece.text;
    std::vector<double> positions;
    double width = 0;
    const qsizetype dxEntries = dx ? dxAvailable / 2 : 0;
    const bool perByte = dxEntries >= bytes.size();
    if (perByte || dxEntries >= qsizetype(pieces.size())) {
        positions.reserve(pieces.size());
        qsizetype entry = 0;
        for (const TextPiece &piece : pieces) {
            positions.push_back(width);
            const int n = perByte ? piece.bytes : 1;
            for (int k = 0; k < n; ++k, ++entry)
                width += s16(dx + entry * 2) * std::abs(sx_);
        }
    } else {
        width = QFontMetricsF(rf.font, image_).horizontalAdvance(whole) * rf.widthScale;
    }

    double left = 0;
    switch (s_.textAlign & U_TA_CENTER) {
    case U_TA_RIGHT:
        left = -width;
        break;
    case U_TA_CENTER:
        left = -width / 2;
        break;
    default:
        break;
    }
    double baseline = 0;
    switch (s_.textAlign & U_TA_BASELINE) {
    case U_TA_TOP:
        baseline = rf.ascent;
        break;
    case U_TA_BOTTOM:
        baseline = -rf.descent;
        break;
    default:
        break;
    }

    p_.save();
    if (rect && (options & U_ETO_CLIPPED))
        p_.setClipRect(clipBox, Qt::IntersectClip);
    p_.translate(origin);
    p_.rotate(-rf.angle);
    if (s_.bkMode == U_OPAQUE)
        p_.fillRect(QRectF(left, baseline - rf.ascent, width, rf.ascent + rf.descent), s_.bkColor);
    p_.setFont(rf.font);
    p_.setPen(s_.textColor);
    if (positions.empty()) {
        p_.translate(left, baseline);
        p_.scale(rf.widthScale, 1);
        p_.drawText(QPointF(), whole);
    } else {
        for (size_t i = 0; i < pieces.size(); ++i) {
            if (pieces[i].text.isEmpty())
                continue;
            p_.save();
            p_.translate(left + positions[i], baseline);
            p_.scale(rf.widthScale, 1);
            p_.drawText(QPointF(), pieces[i].text);
            p_.restore();
        }
    }
    p_.restore();

    if (updateCp && sx_ != 0) {
        const int advance = int(std::lround(width / sx_));
        if ((s_.textAlign & U_TA_CENTER) == U_TA_LEFT)
            s_.position.rx() += advance;
        else if ((s_.textAlign & U_TA_CENTER) == U_TA_RIGHT)
            s_.position.rx() -= advance;
    }
}

void Player::textOut(const Record &r)
{
    U_POINT16 at{};
    int16_t length = 0;
    const char *string = nullptr;
    // The position follows the string, so the length must be checked before the reader uses it.
    if (r.size < U_SIZE_WMRTEXTOUT)
        return;
    const int declared = s16(r.data + 6);
    if (declared < 0 || 8 + (declared + 1) / 2 * 2 + 4 > qint64(r.size))
        return;
    if (!U_WMRTEXTOUT_get(r.data, &at, &length, &string))
        return;
    text(QPoint(at.x, at.y), QByteArrayView(string, length), nullptr, 0, 0, nullptr);
}

void Player::extTextOut(const Record &r)
{
    if (r.size < U_SIZE_WMREXTTEXTOUT)
        return;
    const quint16 options = u16(r.data + 12);
    const bool hasRect = options & (U_ETO_OPAQUE | U_ETO_CLIPPED);
    const qint64 stringAt = U_SIZE_WMREXTTEXTOUT + (hasRect ? U_SIZE_RECT16 : 0);
    const int declared = s16(r.data + 10);
    if (declared < 0 || stringAt + declared > qint64(r.size))
        return;
    U_POINT16 at{};
    int16_t length = 0;
    uint16_t opts = 0;
    const char *string = nullptr;
    const int16_t *dx = nullptr;
    U_RECT16 rect{};
    if (!U_WMREXTTEXTOUT_get(r.data, &at, &length, &opts, &string, &dx, &rect))
        return;
    // The Dx array is optional: whatever follows the padded string is taken for it.
    const char *dxBytes = reinterpret_cast<const char *>(dx);
    const char *end = r.data + r.size;
    const qsizetype dxAvailable = dxBytes && dxBytes <= end ? end - dxBytes : 0;
    text(QPoint(at.x, at.y), QByteArrayView(string, length), dxAvailable ? dxBytes : nullptr,
         dxAvailable, opts, hasRect ? &rect : nullptr);
}

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
    QImage part = image.copy(inside.toAlignedRect());
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

// ---- Regions ----------------------------------------------------------------------------------

void Player::fillRegion(quint16 regionIndex, const BrushObject &brush)
{
    Object *o = objectAt(regionIndex);
    auto *r = o ? std::get_if<RegionObject>(o) : nullptr;
    if (!r)
        return;
    QPainterPath path;
    path.addRegion(region(*r));
    fill(path, brush);
}

void Player::frameRegion(quint16 regionIndex, quint16 brushIndex, int width, int height)
{
    Object *ro = objectAt(regionIndex);
    Object *bo = objectAt(brushIndex);
    auto *r = ro ? std::get_if<RegionObject>(ro) : nullptr;
    auto *brush = bo ? std::get_if<BrushObject>(bo) : nullptr;
    if (!r || !brush)
        return;
    const QRegion whole = region(*r);
    const int w = std::max(1, int(std::lround(std::abs(width * sx_))));
    const int h = std::max(1, int(std::lround(std::abs(height * sy_))));
    const QRegion inner = whole.intersected(whole.translated(w, 0))
                              .intersected(whole.translated(-w, 0))
                              .intersected(whole.translated(0, h))
                              .intersected(whole.translated(0, -h));
    QPainterPath path;
    path.addRegion(whole.subtracted(inner));
    fill(path, *brush);
}

void Player::invertRegion(quint16 regionIndex)
{
    Object *o = objectAt(regionIndex);
    auto *r = o ? std::get_if<RegionObject>(o) : nullptr;
    if (!r)
        return;
    QPainterPath path;
    path.addRegion(region(*r));
    p_.setCompositionMode(QPainter::RasterOp_NotDestination);
    p_.fillPath(path, Qt::black);
    p_.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

// ---- Dispatch ---------------------------------------------------------------------------------

void Player::handle(const Record &r)
{
    const char *c = r.data;
    const quint32 n = r.size;
    uint16_t mode = 0;
    U_COLORREF colour{};
    U_POINT16 pt{};
    U_POINT16 pt2{};
    U_RECT16 rc{};
    switch (recordType(r)) {
    case U_WMR_SETBKCOLOR:
        if (n >= U_SIZE_WMRSETBKCOLOR && U_WMRSETBKCOLOR_get(c, &colour))
            s_.bkColor = color(colour);
        break;
    case U_WMR_SETTEXTCOLOR:
        if (n >= U_SIZE_WMRSETTEXTCOLOR && U_WMRSETTEXTCOLOR_get(c, &colour))
            s_.textColor = color(colour);
        break;
    case U_WMR_SETBKMODE:
        if (n >= U_SIZE_WMRSETBKMODE && U_WMRSETBKMODE_get(c, &mode))
            s_.bkMode = mode;
        break;
    case U_WMR_SETPOLYFILLMODE:
        if (n >= U_SIZE_WMRSETPOLYFILLMODE && U_WMRSETPOLYFILLMODE_get(c, &mode))
            s_.polyFillMode = mode;
        break;
    case U_WMR_SETROP2:
        if (n >= U_SIZE_WMRSETROP2 && U_WMRSETROP2_get(c, &mode))
            s_.rop2 = mode;
        break;
    case U_WMR_SETTEXTALIGN:
        if (n >= U_SIZE_WMRSETTEXTALIGN && U_WMRSETTEXTALIGN_get(c, &mode))
            s_.textAlign = mode;
        break;
    case U_WMR_SETTEXTCHAREXTRA:
        if (n >= U_SIZE_WMRSETTEXTCHAREXTRA && U_WMRSETTEXTCHAREXTRA_get(c, &mode))
            s_.charExtra = qint16(mode);
        break;
    case U_WMR_SETMAPMODE:
        if (n >= U_SIZE_WMRSETMAPMODE && U_WMRSETMAPMODE_get(c, &mode) && mode >= U_MM_MIN &&
            mode <= U_MM_MAX) {
            s_.mapMode = mode;
            updateMapping();
        }
        break;
    case U_WMR_SETWINDOWORG:
        if (n >= U_SIZE_WMRSETWINDOWORG && U_WMRSETWINDOWORG_get(c, &pt)) {
            s_.windowOrg = QPoint(pt.x, pt.y);
            updateMapping();
        }
        break;
    case U_WMR_SETWINDOWEXT:
        // A zero extent is refused, as Windows does.
        if (n >= U_SIZE_WMRSETWINDOWEXT && U_WMRSETWINDOWEXT_get(c, &pt) && pt.x && pt.y) {
            s_.windowExt = QPoint(pt.x, pt.y);
            updateMapping();
        }
        break;
    case U_WMR_SETVIEWPORTORG:
        if (n >= U_SIZE_WMRSETVIEWPORTORG && U_WMRSETVIEWPORTORG_get(c, &pt)) {
            s_.viewportOrg = QPoint(pt.x, pt.y);
            updateMapping();
        }
        break;
    case U_WMR_SETVIEWPORTEXT:
        if (n >= U_SIZE_WMRSETVIEWPORTEXT && U_WMRSETVIEWPORTEXT_get(c, &pt) && pt.x && pt.y) {
            s_.viewportExt = QPoint(pt.x, pt.y);
            updateMapping();
        }
        break;
    case U_WMR_OFFSETWINDOWORG:
        if (n >= U_SIZE_WMROFFSETWINDOWORG && U_WMROFFSETWINDOWORG_get(c, &pt))
            s_.windowOrg += QPoint(pt.x, pt.y);
        break;
    case U_WMR_OFFSETVIEWPORTORG:
        if (n >= U_SIZE_WMROFFSETVIEWPORTORG && U_WMROFFSETVIEWPORTORG_get(c, &pt))
            s_.viewportOrg += QPoint(pt.x, pt.y);
        break;
    case U_WMR_SCALEWINDOWEXT:
    case U_WMR_SCALEVIEWPORTEXT: {
        const bool window = recordType(r) == U_WMR_SCALEWINDOWEXT;
        if (n < U_SIZE_WMRSCALEWINDOWEXT || !(window ? U_WMRSCALEWINDOWEXT_get(c, &pt, &pt2)
                                                     : U_WMRSCALEVIEWPORTEXT_get(c, &pt, &pt2)))
            break;
        // libuemf hands the fields (y denominator, y numerator, x denominator, x numerator) out
        // as (denominator.y, denominator.x, numerator.y, numerator.x).
        const int yDenom = pt.y;
        const int yNum = pt.x;
        const int xDenom = pt2.y;
        const int xNum = pt2.x;
        if (!xDenom || !yDenom)
            break;
        QPoint &ext = window ? s_.windowExt : s_.viewportExt;
        const qint64 x = qint64(ext.x()) * xNum / xDenom;
        const qint64 y = qint64(ext.y()) * yNum / yDenom;
        if (x && y && std::abs(x) <= INT16_MAX * 2LL && std::abs(y) <= INT16_MAX * 2LL) {
            ext = QPoint(int(x), int(y));
            updateMapping();
        }
        break;
    }
    case U_WMR_MOVETO:
        if (n >= U_SIZE_WMRMOVETO && U_WMRMOVETO_get(c, &pt))
            s_.position = QPoint(pt.x, pt.y);
        break;
    case U_WMR_LINETO:
        if (n >= U_SIZE_WMRLINETO && U_WMRLINETO_get(c, &pt))
            lineTo(QPoint(pt.x, pt.y));
        break;
    case U_WMR_RECTANGLE:
        if (n >= U_SIZE_WMRRECTANGLE && U_WMRRECTANGLE_get(c, &rc))
            rectangle(rc);
        break;
    case U_WMR_ROUNDRECT: {
        int16_t w = 0;
        int16_t h = 0;
        if (n >= U_SIZE_WMRROUNDRECT && U_WMRROUNDRECT_get(c, &w, &h, &rc))
            roundRect(w, h, rc);
        break;
    }
    case U_WMR_ELLIPSE:
        if (n >= U_SIZE_WMRELLIPSE && U_WMRELLIPSE_get(c, &rc))
            ellipse(rc);
        break;
    case U_WMR_ARC:
        if (n >= U_SIZE_WMRARC && U_WMRARC_get(c, &pt, &pt2, &rc))
            arc(ArcKind::Arc, pt, pt2, rc);
        break;
    case U_WMR_PIE:
        if (n >= U_SIZE_WMRPIE && U_WMRPIE_get(c, &pt, &pt2, &rc))
            arc(ArcKind::Pie, pt, pt2, rc);
        break;
    case U_WMR_CHORD:
        if (n >= U_SIZE_WMRCHORD && U_WMRCHORD_get(c, &pt, &pt2, &rc))
            arc(ArcKind::Chord, pt, pt2, rc);
        break;
    case U_WMR_POLYGON:
        if (n >= U_SIZE_WMRPOLYGON)
            poly(r, true);
        break;
    case U_WMR_POLYLINE:
        if (n >= U_SIZE_WMRPOLYLINE)
            poly(r, false);
        break;
    case U_WMR_POLYPOLYGON:
        if (n >= U_SIZE_WMRPOLYPOLYGON)
            polyPolygon(r);
        break;
    case U_WMR_SETPIXEL:
        if (n >= U_SIZE_WMRSETPIXEL && U_WMRSETPIXEL_get(c, &colour, &pt))
            p_.fillRect(QRectF(toPixels(pt.x, pt.y), QSizeF(1, 1)), color(colour));
        break;
    case U_WMR_TEXTOUT:
        textOut(r);
        break;
    case U_WMR_EXTTEXTOUT:
        extTextOut(r);
        break;
    case U_WMR_SAVEDC:
        saveDc();
        break;
    case U_WMR_RESTOREDC: {
        int16_t which = 0;
        if (n >= U_SIZE_WMRRESTOREDC && U_WMRRESTOREDC_get(c, &which))
            restoreDc(which);
        break;
    }
    case U_WMR_INTERSECTCLIPRECT:
        if (n >= U_SIZE_WMRINTERSECTCLIPRECT && U_WMRINTERSECTCLIPRECT_get(c, &rc))
            intersectClip(pixelRect(rc.left, rc.top, rc.right, rc.bottom));
        break;
    case U_WMR_EXCLUDECLIPRECT:
        if (n >= U_SIZE_WMREXCLUDECLIPRECT && U_WMREXCLUDECLIPRECT_get(c, &rc))
            excludeClip(pixelRect(rc.left, rc.top, rc.right, rc.bottom));
        break;
    case U_WMR_OFFSETCLIPRGN:
        if (n >= U_SIZE_WMROFFSETCLIPRGN && U_WMROFFSETCLIPRGN_get(c, &pt) && s_.clipped) {
            s_.clip.translate(int(std::lround(pt.x * sx_)), int(std::lround(pt.y * sy_)));
            applyClip();
        }
        break;
    case U_WMR_SELECTCLIPREGION:
        if (n >= U_SIZE_WMRSELECTCLIPREGION && U_WMRSELECTCLIPREGION_get(c, &mode))
            selectClipRegion(mode);
        break;
    case U_WMR_SELECTOBJECT:
        if (n >= U_SIZE_WMRSELECTOBJECT && U_WMRSELECTOBJECT_get(c, &mode))
            selectObject(mode);
        break;
    case U_WMR_DELETEOBJECT:
        if (n >= U_SIZE_WMRDELETEOBJECT && U_WMRDELETEOBJECT_get(c, &mode))
            deleteObject(mode);
        break;
    case U_WMR_SELECTPALETTE:
        if (n >= U_SIZE_WMRSELECTPALETTE && U_WMRSELECTPALETTE_get(c, &mode)) {
            Object *o = objectAt(mode);
            if (auto *palette = o ? std::get_if<PaletteObject>(o) : nullptr) {
                s_.palette = palette->colors;
                s_.paletteIndex = mode;
            }
        }
        break;
    case U_WMR_SETPALENTRIES:
        setPaletteEntries(r);
        break;
    case U_WMR_CREATEPENINDIRECT:
        createPen(r);
        break;
    case U_WMR_CREATEBRUSHINDIRECT:
        createBrush(r);
        break;
    case U_WMR_CREATEFONTINDIRECT:
        createFont(r);
        break;
    case U_WMR_CREATEPALETTE:
        createPalette(r);
        break;
    case U_WMR_CREATEREGION:
        createRegion(r);
        break;
    case U_WMR_DIBCREATEPATTERNBRUSH:
        createDibPatternBrush(r);
        break;
    case U_WMR_CREATEPATTERNBRUSH:
        createPatternBrush(r);
        break;
    case U_WMR_FILLREGION: {
        uint16_t brush = 0;
        if (n >= U_SIZE_WMRFILLREGION && U_WMRFILLREGION_get(c, &mode, &brush)) {
            Object *o = objectAt(brush);
            if (auto *b = o ? std::get_if<BrushObject>(o) : nullptr)
                fillRegion(mode, *b);
        }
        break;
    }
    case U_WMR_PAINTREGION:
        if (n >= U_SIZE_WMRPAINTREGION && U_WMRPAINTREGION_get(c, &mode))
            fillRegion(mode, s_.brush);
        break;
    case U_WMR_FRAMEREGION: {
        uint16_t brush = 0;
        int16_t h = 0;
        int16_t w = 0;
        if (n >= U_SIZE_WMRFRAMEREGION && U_WMRFRAMEREGION_get(c, &mode, &brush, &h, &w))
            frameRegion(mode, brush, w, h);
        break;
    }
    case U_WMR_INVERTREGION:
        if (n >= U_SIZE_WMRINVERTREGION && U_WMRINVERTREGION_get(c, &mode))
            invertRegion(mode);
        break;
    case U_WMR_PATBLT:
        patBlt(r);
        break;
    case U_WMR_BITBLT:
        bitmapBlit(r, false);
        break;
    case U_WMR_STRETCHBLT:
        bitmapBlit(r, true);
        break;
    case U_WMR_DIBBITBLT:
        dibBlit(r, false);
        break;
    case U_WMR_DIBSTRETCHBLT:
        dibBlit(r, true);
        break;
    case U_WMR_STRETCHDIB:
        stretchDib(r);
        break;
    case U_WMR_SETDIBTODEV:
        setDibToDevice(r);
        break;
    default:
        // Everything else (escapes, palettes' animation, flood fills, mapper flags and the
        // undocumented records) changes nothing we draw.
        break;
    }
}

} // namespace

namespace picture::wmf {

void play(const Metafile &metafile, QImage *image)
{
    Player player(metafile, image);
    player.run();
}

} // namespace picture::wmf
