// Drawing with the current pen and brush: shapes, lines, polygons and regions.

#include <picture/wmf/wmfplayerimpl.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr quint8 kPaletteIndexFlag = 0x01;

} // namespace

namespace picture::wmf {

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

} // namespace picture::wmf
