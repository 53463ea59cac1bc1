#include <picture/wmf/wmfplayerimpl.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr size_t kMaxSavedStates = 256;
constexpr size_t kMaxObjects = 65535;         // object indices are 16-bit
constexpr size_t kObjectsWhenUnstated = 1024; // for headers that leave the count at zero
constexpr double kCoordinateLimit = 1.0e6;    // pixels; keeps the rasteriser's numbers sane
constexpr int kMaxRegionRects = 4096;         // more than this and a region becomes its bounds
constexpr int kMaxClipRects = 8192;           // beyond this, exclusions are no longer applied
constexpr double kPixelsPerInch = 96.0;
constexpr int kFontCoreBytes = 18;
constexpr int kFaceNameBytes = 32;
constexpr int kRegionHeaderBytes = 20;
constexpr int kScanHeaderBytes = 6;
constexpr int kPatternBrushBitsOffset = 38;
constexpr quint8 kPaletteIndexFlag = 0x01;

} // namespace

namespace picture::wmf {

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
    const LittleEndianReader in = r.bytes().from(b);
    const U_COLORREF c{in.u8(2), in.u8(3), in.u8(4), in.u8(5)};
    BrushObject brush{in.u16(0), color(c), in.u16(6), QImage()};
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
    const LittleEndianReader in = r.bytes().from(f);
    FontObject font;
    font.height = in.s16(0);
    font.width = in.s16(2);
    font.escapement = in.s16(4);
    font.weight = in.s16(8);
    font.italic = in.u8(10) != 0;
    font.underline = in.u8(11) != 0;
    font.strikeOut = in.u8(12) != 0;
    font.charset = in.u8(13);
    const quint8 pitchAndFamily = in.u8(17);
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
    const LittleEndianReader in = r.bytes().from(entries);
    PaletteObject object;
    object.colors.reserve(palette.NumEntries);
    for (int i = 0; i < palette.NumEntries; ++i)
        object.colors.append(qRgb(in.u8(i * 4), in.u8(i * 4 + 1), in.u8(i * 4 + 2)));
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
    const LittleEndianReader in = r.bytes().from(entries);
    for (int i = 0; i < palette.NumEntries && palette.Start + i < object->colors.size(); ++i)
        object->colors[palette.Start + i] = qRgb(in.u8(i * 4), in.u8(i * 4 + 1), in.u8(i * 4 + 2));
    s_.palette = object->colors;
}

void Player::createRegion(const Record &r)
{
    const char *g = nullptr;
    if (r.size < U_SIZE_WMRCREATEREGION || !U_WMRCREATEREGION_get(r.data, &g) ||
        r.data + r.size - g < kRegionHeaderBytes)
        return addObject(OtherObject{});
    const LittleEndianReader in = r.bytes().from(g);
    const int scanCount = in.s16(10);
    const QRect bounds(QPoint(in.s16(12), in.s16(14)), QPoint(in.s16(16) - 1, in.s16(18) - 1));
    RegionObject region;
    qint64 scan = kRegionHeaderBytes;
    for (int i = 0; i < scanCount; ++i) {
        if (!in.has(scan, kScanHeaderBytes))
            break;
        const int count = in.u16(scan);
        const int top = in.s16(scan + 2);
        const int bottom = in.s16(scan + 4);
        const qint64 scanBytes = kScanHeaderBytes + qint64(count) * 2 + 2;
        if (!in.has(scan, scanBytes))
            break;
        for (int k = 0; k + 1 < count; k += 2) {
            const int left = in.s16(scan + kScanHeaderBytes + k * 2);
            const int right = in.s16(scan + kScanHeaderBytes + k * 2 + 2);
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
    const LittleEndianReader in = r.bytes().from(data);
    QPolygonF points;
    points.reserve(count);
    for (int i = 0; i < count; ++i)
        points.append(toPixels(in.s16(i * 4), in.s16(i * 4 + 2)));
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
    const LittleEndianReader countIn = r.bytes().from(reinterpret_cast<const char *>(counts));
    const LittleEndianReader pointIn = r.bytes().from(points);
    if (!countIn.has(0, qint64(polygons) * 2))
        return;
    qint64 total = 0;
    for (int i = 0; i < polygons; ++i)
        total += countIn.u16(i * 2);
    if (!pointIn.has(0, total * 4))
        return;
    QPainterPath area;
    QPainterPath outline;
    area.setFillRule(s_.polyFillMode == U_WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    qint64 at = 0;
    for (int i = 0; i < polygons; ++i) {
        const int n = countIn.u16(i * 2);
        QPolygonF polygon;
        polygon.reserve(n);
        for (int k = 0; k < n; ++k, at += 4)
            polygon.append(toPixels(pointIn.s16(at), pointIn.s16(at + 2)));
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

void play(const Metafile &metafile, QImage *image)
{
    Player player(metafile, image);
    player.run();
}

} // namespace picture::wmf
