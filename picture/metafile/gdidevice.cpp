// The device's life, its object table, paths, and lines drawn from the current position.

#include <picture/metafile/gdidevice.h>

#include <QPainterPathStroker>

#include <algorithm>
#include <cmath>

namespace {

constexpr quint8 kPaletteIndexFlag = 0x01;
constexpr int kPtCloseFigure = 0x01;
constexpr int kPtLineTo = 0x02;
constexpr int kPtBezierTo = 0x04;
constexpr int kPtMoveTo = 0x06;

} // namespace

namespace picture::gdi {

Device::Device(QImage *image, const QTransform &deviceToPicture, QSizeF devicePixelsPerInch,
               size_t objectCapacity)
    : image_(image), dpr_(image->devicePixelRatio()), picture_(image->deviceIndependentSize()),
      deviceToPicture_(deviceToPicture), devicePerInch_(devicePixelsPerInch),
      objectCapacity_(objectCapacity)
{
    updateMapping();
    s_.font.face = face(QString(), U_DEFAULT_CHARSET, 0);
    p_.begin(image);
    // Windows draws shapes without smoothing; text is smoothed as on today's screens.
    p_.setRenderHint(QPainter::Antialiasing, false);
    p_.setRenderHint(QPainter::TextAntialiasing, true);
    p_.setRenderHint(QPainter::SmoothPixmapTransform, false);
}

const FaceChoice &Device::face(const QString &name, quint8 charset, quint8 pitchAndFamily)
{
    const QString key = name + QChar(u'\n') + QString::number(charset) + QChar(u' ') +
                        QString::number(pitchAndFamily);
    auto it = faces_.find(key);
    if (it == faces_.end())
        it = faces_.insert(key, substituteFace(name, charset, pitchAndFamily));
    return *it;
}

Device::~Device()
{
    finish();
}

void Device::finish()
{
    flushLines();
    if (p_.isActive())
        p_.end();
}

// ---- Objects ----------------------------------------------------------------------------------

// Windows gives every new object of a WMF the lowest free slot of the table.
void Device::addObject(Object object)
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

void Device::setObject(quint32 index, Object object)
{
    if (index >= objectCapacity_)
        return;
    if (index >= objects_.size())
        objects_.resize(index + 1);
    objects_[index] = std::move(object);
}

Object *Device::objectAt(quint32 index)
{
    return index < objects_.size() ? &objects_[index] : nullptr;
}

static bool samePen(const PenObject &a, const PenObject &b)
{
    return a.style == b.style && a.width == b.width && a.color == b.color &&
           a.cosmetic == b.cosmetic && a.extended == b.extended && a.userDashes == b.userDashes;
}

void Device::selectObject(quint32 index)
{
    Object *o = objectAt(index);
    if (!o)
        return;
    if (auto *pen = std::get_if<PenObject>(o)) {
        // Lines waiting to be stroked go out only when another pen comes in.
        if (!samePen(*pen, s_.pen))
            flushLines();
        s_.pen = *pen;
        return;
    }
    flushLines();
    if (auto *brush = std::get_if<BrushObject>(o))
        s_.brush = *brush;
    else if (auto *font = std::get_if<FontObject>(o))
        s_.font = *font;
    else if (std::holds_alternative<RegionObject>(*o))
        selectClipRegion(index); // selecting a region makes it the clipping region
}

void Device::deleteObject(quint32 index)
{
    if (index >= objects_.size())
        return;
    objects_[index] = std::monostate{};
    firstFree_ = std::min<size_t>(firstFree_, index);
    if (s_.paletteIndex == int(index))
        s_.paletteIndex = -1;
}

void Device::selectPalette(quint32 index)
{
    Object *o = objectAt(index);
    if (auto *palette = o ? std::get_if<PaletteObject>(o) : nullptr) {
        s_.palette = palette->colors;
        s_.paletteIndex = int(index);
    }
}

void Device::setPaletteEntries(int start, const QList<QRgb> &colors)
{
    if (s_.paletteIndex < 0)
        return;
    Object *o = objectAt(quint32(s_.paletteIndex));
    auto *object = o ? std::get_if<PaletteObject>(o) : nullptr;
    if (!object)
        return;
    for (qsizetype i = 0; i < colors.size() && start + i < object->colors.size(); ++i)
        object->colors[start + i] = colors[i];
    s_.palette = object->colors;
}

QColor Device::color(const U_COLORREF &c) const
{
    if (c.Reserved == kPaletteIndexFlag) {
        const int index = c.Red | (c.Green << 8);
        return index < s_.palette.size() ? QColor(s_.palette[index]) : QColor(Qt::black);
    }
    return QColor(c.Red, c.Green, c.Blue);
}

QRegion Device::region(const RegionObject &r) const
{
    QList<QRegion> parts;
    parts.reserve(r.rects.size());
    for (const QRect &rc : r.rects)
        parts.append(logicalRegion(QRectF(rc.left(), rc.top(), rc.width(), rc.height())));
    return unite(std::move(parts));
}

// Pairwise, so that many rectangles cost n log n rather than n squared.
QRegion unite(QList<QRegion> parts)
{
    if (parts.isEmpty())
        return {};
    while (parts.size() > 1) {
        QList<QRegion> next;
        next.reserve(parts.size() / 2 + 1);
        for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
            next.append(parts[i].united(parts[i + 1]));
        if (parts.size() % 2)
            next.append(parts.last());
        parts = std::move(next);
    }
    return parts.first();
}

void Device::flushLines()
{
    if (pendingLines_.isEmpty())
        return;
    const QPainterPath lines = std::move(pendingLines_);
    pendingLines_ = QPainterPath();
    stroke(lines);
}

// ---- Paths ------------------------------------------------------------------------------------

void Device::beginPath()
{
    widened_ = false;
    inPath_ = true;
    figureOpen_ = false;
    path_ = QPainterPath();
    widened_ = false;
}

void Device::endPath()
{
    inPath_ = false;
}

void Device::abortPath()
{
    inPath_ = false;
    figureOpen_ = false;
    path_ = QPainterPath();
    widened_ = false;
}

void Device::closeFigure()
{
    if (inPath_ && figureOpen_) {
        path_.closeSubpath();
        figureOpen_ = false;
    }
}

Qt::FillRule Device::fillRule() const
{
    return s_.polyFillMode == U_WINDING ? Qt::WindingFill : Qt::OddEvenFill;
}

void Device::fillPath()
{
    if (inPath_)
        return;
    QPainterPath area = path_;
    area.setFillRule(widened_ ? Qt::WindingFill : fillRule());
    fill(area, s_.brush);
    path_ = QPainterPath();
    widened_ = false;
}

void Device::strokePath()
{
    if (inPath_)
        return;
    stroke(path_.translated(0.5, 0.5));
    path_ = QPainterPath();
    widened_ = false;
}

void Device::strokeAndFillPath()
{
    if (inPath_)
        return;
    QPainterPath area = path_;
    area.setFillRule(widened_ ? Qt::WindingFill : fillRule());
    fill(area, s_.brush);
    // Filling closes the figures; so does the outline drawn around the fill.
    QPainterPath outline;
    for (const QPolygonF &poly : path_.toSubpathPolygons()) {
        outline.addPolygon(poly);
        outline.closeSubpath();
    }
    stroke(outline.translated(0.5, 0.5));
    path_ = QPainterPath();
    widened_ = false;
}

// The path becomes the area the pen would cover; geometric pens only, as on Windows.
void Device::widenPath()
{
    if (inPath_ || path_.isEmpty())
        return;
    const std::optional<QPen> pen = currentPen();
    if (!pen)
        return;
    QPainterPathStroker stroker;
    stroker.setWidth(std::max(1.0, penPixels()));
    stroker.setCapStyle(pen->capStyle());
    stroker.setJoinStyle(pen->joinStyle());
    stroker.setMiterLimit(s_.miterLimit);
    // The outline overlaps itself where the line turns: it is filled by winding, whatever the
    // fill mode.
    path_ = stroker.createStroke(path_);
    widened_ = true;
}

void Device::flattenPath()
{
    if (inPath_)
        return;
    QPainterPath flat;
    for (const QPolygonF &poly : path_.toSubpathPolygons())
        flat.addPolygon(poly);
    path_ = flat;
}

void Device::selectClipPath(ClipMode mode)
{
    if (inPath_)
        return;
    QPainterPath area = path_;
    area.setFillRule(widened_ ? Qt::WindingFill : fillRule());
    QRegion r;
    for (const QPolygonF &poly : area.toFillPolygons())
        r = r.xored(QRegion(poly.toPolygon(), area.fillRule()));
    combineClip(r, mode);
    path_ = QPainterPath();
    widened_ = false;
}

// Adds an open figure in picture pixels to the path, or strokes it. A figure that continues from
// the current position joins the path's open figure.
void Device::line(const QPainterPath &pixels, bool continueFigure)
{
    if (!inPath_) {
        const std::optional<QPen> pen = currentPen();
        if (pen && pen->style() == Qt::SolidLine && s_.rop2 == U_R2_COPYPEN)
            pendingLines_.addPath(pixels.translated(0.5, 0.5));
        else
            stroke(pixels.translated(0.5, 0.5));
        return;
    }
    if (continueFigure && figureOpen_ && pixels.elementCount() > 0 &&
        path_.currentPosition() == QPointF(pixels.elementAt(0))) {
        // Skip the figure's first move: it starts where the path already is.
        path_.connectPath(pixels);
    } else {
        path_.addPath(pixels);
    }
    figureOpen_ = true;
}

void Device::shape(const QPainterPath &area, const QPainterPath &outline)
{
    if (inPath_) {
        path_.addPath(area);
        figureOpen_ = false;
        return;
    }
    fill(area, s_.brush);
    stroke(outline);
}

void Device::moveTo(QPointF p)
{
    s_.position = p;
    if (inPath_) {
        path_.moveTo(toPixels(p));
        figureOpen_ = true;
    }
}

void Device::lineTo(QPointF p)
{
    const quint32 style = s_.pen.style & U_PS_STYLE_MASK;
    if (!inPath_ && s_.rop2 == U_R2_COPYPEN && (style == U_PS_SOLID || style == U_PS_INSIDEFRAME)) {
        // The common case, many single lines, without a path of its own per line.
        pendingLines_.moveTo(toPixels(s_.position) + QPointF(0.5, 0.5));
        pendingLines_.lineTo(toPixels(p) + QPointF(0.5, 0.5));
        s_.position = p;
        return;
    }
    QPainterPath path;
    path.moveTo(toPixels(s_.position));
    path.lineTo(toPixels(p));
    line(path, true);
    s_.position = p;
}

void Device::polyline(const QPolygonF &points)
{
    if (points.size() < 2)
        return;
    QPainterPath path;
    path.moveTo(toPixels(points[0]));
    for (qsizetype i = 1; i < points.size(); ++i)
        path.lineTo(toPixels(points[i]));
    line(path, false);
}

void Device::polylineTo(const QPolygonF &points)
{
    if (points.isEmpty())
        return;
    QPainterPath path;
    path.moveTo(toPixels(s_.position));
    for (const QPointF &p : points)
        path.lineTo(toPixels(p));
    line(path, true);
    s_.position = points.last();
}

void Device::polyBezier(const QPolygonF &points, bool fromCurrent)
{
    const qsizetype first = fromCurrent ? 0 : 1;
    if (points.size() < first + 3)
        return;
    QPainterPath path;
    path.moveTo(toPixels(fromCurrent ? s_.position : points[0]));
    qsizetype i = first;
    for (; i + 2 < points.size(); i += 3)
        path.cubicTo(toPixels(points[i]), toPixels(points[i + 1]), toPixels(points[i + 2]));
    line(path, fromCurrent);
    if (fromCurrent)
        s_.position = points[i - 1];
}

void Device::polyDraw(const QPolygonF &points, const QByteArray &types)
{
    QPainterPath path;
    path.moveTo(toPixels(s_.position));
    QPointF start = s_.position;
    QPointF at = s_.position;
    for (qsizetype i = 0; i < points.size() && i < types.size(); ++i) {
        const int type = quint8(types[i]);
        switch (type & ~kPtCloseFigure) {
        case kPtMoveTo:
            path.moveTo(toPixels(points[i]));
            start = at = points[i];
            break;
        case kPtLineTo:
            path.lineTo(toPixels(points[i]));
            at = points[i];
            break;
        case kPtBezierTo:
            if (i + 2 >= points.size() || i + 2 >= types.size())
                return;
            path.cubicTo(toPixels(points[i]), toPixels(points[i + 1]), toPixels(points[i + 2]));
            i += 2;
            at = points[i];
            break;
        default:
            return; // Windows draws nothing of a list with a bad type
        }
        if (quint8(types[i]) & kPtCloseFigure) {
            path.closeSubpath();
            at = start;
        }
    }
    line(path, true);
    s_.position = at;
}

void Device::angleArc(QPointF centre, double radius, double startDegrees, double sweepDegrees)
{
    if (!std::isfinite(startDegrees) || !std::isfinite(sweepDegrees) || radius < 0)
        return;
    sweepDegrees = std::clamp(sweepDegrees, -3600.0, 3600.0);
    // A line from the current position to the arc's start, then the arc, counter-clockwise for a
    // positive sweep; GDI and Qt both put positive angles above the x axis of a y-down space.
    const QRectF circle(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    QPainterPath logical;
    logical.moveTo(s_.position);
    QPainterPath arcPath;
    arcPath.arcMoveTo(circle, startDegrees);
    logical.lineTo(arcPath.currentPosition());
    logical.arcTo(circle, startDegrees, sweepDegrees);
    const QPointF end = logical.currentPosition();
    QPainterPath pixels;
    for (const QPolygonF &poly : logical.toSubpathPolygons()) {
        pixels.moveTo(toPixels(poly.value(0)));
        for (qsizetype i = 1; i < poly.size(); ++i)
            pixels.lineTo(toPixels(poly[i]));
    }
    line(pixels, true);
    s_.position = end;
}

} // namespace picture::gdi
