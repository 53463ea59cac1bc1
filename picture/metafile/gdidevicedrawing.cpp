// Drawing with the current pen and brush: shapes, lines, polygons and regions.

#include <picture/metafile/gdidevice.h>

#include <QLinearGradient>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Windows' cosmetic dash patterns in pixels, and its geometric ones in pen widths.
const QList<qreal> kCosmeticDash{18, 6};
const QList<qreal> kCosmeticDot{3, 3};
const QList<qreal> kCosmeticDashDot{9, 6, 3, 6};
const QList<qreal> kCosmeticDashDotDot{9, 3, 3, 3, 3, 3};
const QList<qreal> kGeometricDash{3, 1};
const QList<qreal> kGeometricDot{1, 1};
const QList<qreal> kGeometricDashDot{3, 1, 1, 1};
const QList<qreal> kGeometricDashDotDot{3, 1, 1, 1, 1, 1};
const QList<qreal> kAlternate{1, 1};
constexpr int kMaxUserDashes = 16;
constexpr qint64 kMaxShadedPixels = 1 << 20;
constexpr double kMinDash = 0.01; // pen widths; Qt loops on zero-length patterns

} // namespace

namespace picture::gdi {

// ---- Pens, brushes, colours -------------------------------------------------------------------

QColor Device::ropColor(const QColor &c) const
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

// A binary raster operation (R2_*, one more than its truth table over pen and destination) reads
// the destination when its result changes with the destination bit.
static bool readsDestination(int rop2)
{
    const int table = (rop2 - 1) & 0xF;
    return ((table >> 1) & 0x5) != (table & 0x5);
}

void Device::setCompositionFor(int rop2)
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

// The pen's width in picture pixels: a cosmetic pen, width 0, and any width that maps to less
// than a pixel draw one pixel whatever the mapping.
double Device::penPixels() const
{
    const PenObject &pen = s_.pen;
    if (pen.extended && pen.cosmetic)
        return 1.0;
    return std::max(1.0, pen.width * scaleX_);
}

// Pens are drawn cosmetic on picture pixels, their width worked out here, so widths stay whole
// pixels however the window is scaled.
std::optional<QPen> Device::currentPen() const
{
    const PenObject &pen = s_.pen;
    const quint32 style = pen.style & U_PS_STYLE_MASK;
    if (style == U_PS_NULL || s_.rop2 == U_R2_NOP)
        return std::nullopt;
    const double width = penPixels();
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
        // Windows measures the miter across the whole join, Qt from its middle.
        q.setMiterLimit(std::max(1.0, s_.miterLimit) / 2);
        break;
    default:
        q.setJoinStyle(Qt::RoundJoin);
        break;
    }
    // CREATEPEN styles exist only one unit wide (wider pens are solid); an extended pen keeps
    // its style at any width, in lengths of its width when it is geometric.
    const bool cosmeticDashes = pen.extended ? pen.cosmetic : pen.width <= 1;
    if (!pen.extended && !cosmeticDashes)
        return q;
    QList<qreal> dashes;
    switch (style) {
    case U_PS_DASH:
        dashes = cosmeticDashes ? kCosmeticDash : kGeometricDash;
        break;
    case U_PS_DOT:
        dashes = cosmeticDashes ? kCosmeticDot : kGeometricDot;
        break;
    case U_PS_DASHDOT:
        dashes = cosmeticDashes ? kCosmeticDashDot : kGeometricDashDot;
        break;
    case U_PS_DASHDOTDOT:
        dashes = cosmeticDashes ? kCosmeticDashDotDot : kGeometricDashDotDot;
        break;
    case U_PS_ALTERNATE:
        dashes = kAlternate;
        break;
    case U_PS_USERSTYLE:
        for (qsizetype i = 0; i < pen.userDashes.size() && i < kMaxUserDashes; ++i) {
            const double length =
                cosmeticDashes ? pen.userDashes[i] : pen.userDashes[i] * scaleX_ / width;
            dashes.append(std::max(kMinDash, length));
        }
        if (dashes.size() % 2)
            dashes.append(dashes.last());
        break;
    default:
        break;
    }
    if (!dashes.isEmpty()) {
        q.setDashPattern(dashes);
        if (cosmeticDashes)
            q.setCapStyle(Qt::FlatCap);
    }
    return q;
}

// Outlines run through pixel centres, just inside the filled area's right and bottom edges.
QRectF Device::outlineBox(const QRectF &b) const
{
    double inset = 0.5;
    if ((s_.pen.style & U_PS_STYLE_MASK) == U_PS_INSIDEFRAME)
        inset += (penPixels() - 1) / 2;
    QRectF r = b.adjusted(inset, inset, -inset, -inset);
    if (r.width() < 0)
        r = QRectF(b.center().x(), r.top(), 0, r.height());
    if (r.height() < 0)
        r = QRectF(r.left(), b.center().y(), r.width(), 0);
    return r;
}

void Device::fill(const QPainterPath &path, const BrushObject &brush, bool useRop2)
{
    flushLines();
    if (brush.style == U_BS_NULL || (useRop2 && s_.rop2 == U_R2_NOP))
        return;
    const auto paint = [&](const QBrush &b) {
        if (useRop2) {
            if (readsDestination(s_.rop2))
                paperUnder(path);
            setCompositionFor(s_.rop2);
        }
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
        if (brush.pattern.isNull())
            break;
        if (brush.monochrome) {
            // One-bit patterns take the text colour for 0 and the background colour for 1.
            QImage pattern = brush.pattern;
            pattern.setColorTable({s_.textColor.rgb(), s_.bkColor.rgb()});
            paint(QBrush(pattern));
        } else {
            paint(QBrush(brush.pattern));
        }
        break;
    default:
        break;
    }
}

void Device::stroke(const QPainterPath &path)
{
    if (!pendingLines_.isEmpty())
        flushLines();
    const std::optional<QPen> pen = currentPen();
    if (!pen)
        return;
    if (readsDestination(s_.rop2)) {
        QPen paper = *pen;
        paper.setStyle(Qt::SolidLine);
        paper.setColor(Qt::white);
        p_.setCompositionMode(QPainter::CompositionMode_DestinationOver);
        p_.strokePath(path, paper);
    }
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

void Device::rectangle(const QRectF &r)
{
    QPainterPath area;
    QPainterPath outline;
    if (rotated()) {
        area = mapped([&] {
            QPainterPath p;
            p.addRect(r.normalized());
            return p;
        }());
        outline = area.translated(0.5, 0.5);
    } else {
        const QRectF b = box(r);
        area.addRect(b);
        outline.addRect(outlineBox(b));
    }
    shape(area, outline);
}

void Device::roundRect(const QRectF &r, QSizeF corner)
{
    QPainterPath area;
    QPainterPath outline;
    if (rotated()) {
        const QRectF n = r.normalized();
        QPainterPath p;
        p.addRoundedRect(n, std::min(std::abs(corner.width()) / 2, n.width() / 2),
                         std::min(std::abs(corner.height()) / 2, n.height() / 2));
        area = mapped(p);
        outline = area.translated(0.5, 0.5);
    } else {
        const QRectF b = box(r);
        const double rx = std::min(std::abs(corner.width() * scaleX_) / 2, b.width() / 2);
        const double ry = std::min(std::abs(corner.height() * scaleY_) / 2, b.height() / 2);
        area.addRoundedRect(b, rx, ry);
        outline.addRoundedRect(outlineBox(b), rx, ry);
    }
    shape(area, outline);
}

void Device::ellipse(const QRectF &r)
{
    QPainterPath area;
    QPainterPath outline;
    if (rotated()) {
        QPainterPath p;
        p.addEllipse(r.normalized());
        area = mapped(p);
        outline = area.translated(0.5, 0.5);
    } else {
        const QRectF b = box(r);
        area.addEllipse(b);
        outline.addEllipse(outlineBox(b));
    }
    shape(area, outline);
}

// Arcs run counter-clockwise on the picture (clockwise after SETARCDIRECTION) from where the ray
// to `start` crosses the ellipse to where the ray to `end` does; equal rays make a whole
// ellipse.
void Device::arc(ArcKind kind, const QRectF &logicalBox, QPointF start, QPointF end)
{
    const bool rot = rotated();
    // Under a rotating world transform the arc is worked out in logical space and mapped.
    const QRectF b = rot ? logicalBox.normalized() : box(logicalBox);
    if (b.width() <= 0 || b.height() <= 0)
        return;
    const QPointF c = b.center();
    const bool flipped = rot && full_.determinant() < 0;
    const auto angleOf = [&](QPointF p) {
        const QPointF d = (rot ? p : toPixels(p)) - c;
        return std::atan2(-d.y() / b.height(), d.x() / b.width()) * 180 / std::numbers::pi;
    };
    const double a0 = angleOf(start);
    double sweep = angleOf(end) - a0;
    const bool clockwise = s_.clockwiseArcs != flipped;
    // The sweep brought into (0, 360] counter-clockwise or [-360, 0) clockwise.
    sweep = std::fmod(sweep, 360.0);
    if (!std::isfinite(sweep))
        return;
    if (clockwise && sweep >= 0)
        sweep -= 360;
    else if (!clockwise && sweep <= 0)
        sweep += 360;
    const auto outlineOf = [&](const QRectF &r, bool withLead) {
        QPainterPath path;
        if (kind == ArcKind::Pie) {
            path.moveTo(r.center());
        } else {
            path.arcMoveTo(r, a0);
            if (withLead) {
                const QPointF first = path.currentPosition();
                path = QPainterPath();
                path.moveTo(rot ? s_.position : toPixels(s_.position));
                path.lineTo(first);
            }
        }
        path.arcTo(r, a0, sweep);
        if (kind == ArcKind::Pie || kind == ArcKind::Chord)
            path.closeSubpath();
        return rot ? mapped(path) : path;
    };
    if (kind == ArcKind::Arc || kind == ArcKind::ArcTo) {
        const bool to = kind == ArcKind::ArcTo;
        QPainterPath path = outlineOf(rot || inPath_ ? b : outlineBox(b), to);
        if (to) {
            QPainterPath end;
            end.arcMoveTo(b, a0 + sweep);
            const QPointF last = end.currentPosition();
            s_.position = rot ? last : full_.inverted().map(last);
        }
        if (inPath_ || rot)
            line(path, to);
        else
            stroke(path);
        return;
    }
    shape(outlineOf(b, false),
          rot ? outlineOf(b, false).translated(0.5, 0.5) : outlineOf(outlineBox(b), false));
}

void Device::polygons(const std::vector<QPolygonF> &polys)
{
    QPainterPath area;
    area.setFillRule(fillRule());
    for (const QPolygonF &poly : polys) {
        if (poly.size() < 2)
            continue;
        QPolygonF pixels;
        pixels.reserve(poly.size());
        for (const QPointF &p : poly)
            pixels.append(toPixels(p));
        area.addPolygon(pixels);
        area.closeSubpath();
    }
    if (inPath_) {
        path_.addPath(area);
        figureOpen_ = false;
        return;
    }
    fill(area, s_.brush);
    stroke(area.translated(0.5, 0.5));
}

void Device::setPixel(QPointF p, const QColor &c)
{
    flushLines();
    p_.fillRect(QRectF(toPixels(p), QSizeF(1, 1)), c);
}

// ---- Gradients ------------------------------------------------------------------------------

void Device::gradientRect(const QRectF &logical, const QColor &from, const QColor &to,
                          bool vertical)
{
    flushLines();
    const QPointF a = toPixels(logical.topLeft());
    const QPointF b = toPixels(logical.bottomRight());
    QLinearGradient g(a, vertical ? QPointF(a.x(), b.y()) : QPointF(b.x(), a.y()));
    g.setColorAt(0, from);
    g.setColorAt(1, to);
    QPainterPath path;
    if (rotated()) {
        QPainterPath p;
        p.addRect(logical.normalized());
        path = mapped(p);
    } else {
        path.addRect(QRectF(a, b).normalized());
    }
    p_.fillPath(path, g);
}

// Each pixel inside takes the corners' colours weighted by its barycentric coordinates.
void Device::gradientTriangle(const std::array<QPointF, 3> &logical,
                              const std::array<QColor, 3> &colors)
{
    flushLines();
    std::array<QPointF, 3> v;
    for (size_t i = 0; i < 3; ++i)
        v[i] = toPixels(logical[i]);
    const double area = (v[1].x() - v[0].x()) * (v[2].y() - v[0].y()) -
                        (v[2].x() - v[0].x()) * (v[1].y() - v[0].y());
    if (area == 0)
        return;
    const QPolygonF triangle{v[0], v[1], v[2]};
    const QRect bounds =
        triangle.boundingRect().toAlignedRect().intersected(QRect(QPoint(), picture_.toSize()));
    if (bounds.isEmpty())
        return;
    if (qint64(bounds.width()) * bounds.height() > kMaxShadedPixels) {
        // Too large to shade pixel by pixel in good time: the corners' mean colour.
        QPainterPath path;
        path.addPolygon(triangle);
        p_.fillPath(path, QColor((colors[0].red() + colors[1].red() + colors[2].red()) / 3,
                                 (colors[0].green() + colors[1].green() + colors[2].green()) / 3,
                                 (colors[0].blue() + colors[1].blue() + colors[2].blue()) / 3));
        return;
    }
    QImage patch(bounds.size(), QImage::Format_ARGB32);
    for (int y = 0; y < patch.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(patch.scanLine(y));
        for (int x = 0; x < patch.width(); ++x) {
            const QPointF p(bounds.left() + x + 0.5, bounds.top() + y + 0.5);
            const double w0 = ((v[1].x() - p.x()) * (v[2].y() - p.y()) -
                               (v[2].x() - p.x()) * (v[1].y() - p.y())) /
                              area;
            const double w1 = ((v[2].x() - p.x()) * (v[0].y() - p.y()) -
                               (v[0].x() - p.x()) * (v[2].y() - p.y())) /
                              area;
            const double w2 = 1 - w0 - w1;
            const auto mix = [&](int (QColor::*channel)() const) {
                return std::clamp(
                    int(std::lround(w0 * (colors[0].*channel)() + w1 * (colors[1].*channel)() +
                                    w2 * (colors[2].*channel)())),
                    0, 255);
            };
            line[x] = qRgb(mix(&QColor::red), mix(&QColor::green), mix(&QColor::blue));
        }
    }
    QPainterPath path;
    path.addPolygon(triangle);
    path.closeSubpath();
    p_.save();
    p_.setClipPath(path, p_.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    p_.drawImage(bounds.topLeft(), patch);
    p_.restore();
}

// ---- Regions ----------------------------------------------------------------------------------

void Device::fillRegion(const RegionObject &r, const BrushObject &brush)
{
    fillPixelRegion(region(r), brush);
}

void Device::fillPixelRegion(const QRegion &pixels, const BrushObject &brush)
{
    QPainterPath path;
    path.addRegion(pixels);
    fill(path, brush);
}

void Device::frameRegion(const RegionObject &r, const BrushObject &brush, double width,
                         double height)
{
    const QRegion whole = region(r);
    const int w = std::max(1, int(std::lround(std::abs(width * scaleX_))));
    const int h = std::max(1, int(std::lround(std::abs(height * scaleY_))));
    const QRegion inner = whole.intersected(whole.translated(w, 0))
                              .intersected(whole.translated(-w, 0))
                              .intersected(whole.translated(0, h))
                              .intersected(whole.translated(0, -h));
    QPainterPath path;
    path.addRegion(whole.subtracted(inner));
    fill(path, brush);
}

void Device::invertRegion(const RegionObject &r)
{
    flushLines();
    QPainterPath path;
    path.addRegion(region(r));
    p_.setCompositionMode(QPainter::RasterOp_NotDestination);
    p_.fillPath(path, Qt::black);
    p_.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

} // namespace picture::gdi
