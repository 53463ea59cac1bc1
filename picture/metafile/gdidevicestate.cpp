// The device context's state: the mapping from logical units to picture pixels, the world
// transform, the stack of saved states, and clipping.

#include <picture/metafile/gdidevice.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr size_t kMaxSavedStates = 256;
constexpr double kCoordinateLimit = 1.0e6; // pixels; keeps the rasteriser's numbers sane
constexpr int kMaxClipRects = 8192;        // beyond this, exclusions are no longer applied
constexpr double kMaxExtent = 1.0e9;
constexpr int kMwtIdentity = 1;
constexpr int kMwtLeftMultiply = 2;
constexpr int kMwtRightMultiply = 3;
constexpr int kMwtSet = 4;

bool usable(const QTransform &t)
{
    const double values[] = {t.m11(), t.m12(), t.m21(), t.m22(), t.dx(), t.dy()};
    return std::all_of(std::begin(values), std::end(values),
                       [](double v) { return std::isfinite(v) && std::abs(v) < kMaxExtent; }) &&
           t.determinant() != 0 && t.type() <= QTransform::TxShear;
}

// Whole pixels, right and bottom edges excluded.
QRegion pixelRegion(const QRectF &b)
{
    const QPoint tl(int(std::floor(b.left() + 0.5)), int(std::floor(b.top() + 0.5)));
    const QPoint br(int(std::floor(b.right() + 0.5)), int(std::floor(b.bottom() + 0.5)));
    return QRegion(QRect(tl, QSize(br.x() - tl.x(), br.y() - tl.y())));
}

} // namespace

namespace picture::gdi {

// ---- Mapping ----------------------------------------------------------------------------------

void Device::updateMapping()
{
    flushLines();
    double sx = 1;
    double sy = 1;
    double unitsPerInch = 0;
    switch (s_.mapMode) {
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
    case U_MM_ISOTROPIC:
    case U_MM_ANISOTROPIC:
        sx = s_.viewportExt.x() / s_.windowExt.x();
        sy = s_.viewportExt.y() / s_.windowExt.y();
        if (s_.mapMode == U_MM_ISOTROPIC) {
            const double m = std::min(std::abs(sx), std::abs(sy));
            sx = std::copysign(m, sx);
            sy = std::copysign(m, sy);
        }
        break;
    default:
        break;
    }
    if (unitsPerInch > 0) {
        // The fixed scales measure y upwards.
        sx = devicePerInch_.width() / unitsPerInch;
        sy = -devicePerInch_.height() / unitsPerInch;
    }
    const QTransform page(sx, 0, 0, sy, s_.viewportOrg.x() - s_.windowOrg.x() * sx,
                          s_.viewportOrg.y() - s_.windowOrg.y() * sy);
    full_ = s_.world * page * deviceToPicture_;
    scaleX_ = std::hypot(full_.m11(), full_.m12());
    scaleY_ = std::hypot(full_.m21(), full_.m22());
    rotated_ = std::abs(full_.m12()) > 1e-12 || std::abs(full_.m21()) > 1e-12;
}

void Device::setMapMode(int mode)
{
    if (mode < U_MM_MIN || mode > U_MM_MAX)
        return;
    s_.mapMode = mode;
    updateMapping();
}

void Device::setWindowOrg(QPointF p)
{
    s_.windowOrg = p;
    updateMapping();
}

// A zero extent is refused, as Windows does.
void Device::setWindowExt(QPointF e)
{
    if (e.x() == 0 || e.y() == 0)
        return;
    s_.windowExt = e;
    updateMapping();
}

void Device::setViewportOrg(QPointF p)
{
    s_.viewportOrg = p;
    updateMapping();
}

void Device::setViewportExt(QPointF e)
{
    if (e.x() == 0 || e.y() == 0)
        return;
    s_.viewportExt = e;
    updateMapping();
}

void Device::scaleWindowExt(double xNum, double xDenom, double yNum, double yDenom)
{
    if (xDenom == 0 || yDenom == 0)
        return;
    const QPointF e(s_.windowExt.x() * xNum / xDenom, s_.windowExt.y() * yNum / yDenom);
    if (std::abs(e.x()) <= kMaxExtent && std::abs(e.y()) <= kMaxExtent)
        setWindowExt(e);
}

void Device::scaleViewportExt(double xNum, double xDenom, double yNum, double yDenom)
{
    if (xDenom == 0 || yDenom == 0)
        return;
    const QPointF e(s_.viewportExt.x() * xNum / xDenom, s_.viewportExt.y() * yNum / yDenom);
    if (std::abs(e.x()) <= kMaxExtent && std::abs(e.y()) <= kMaxExtent)
        setViewportExt(e);
}

void Device::setWorldTransform(const QTransform &t)
{
    if (!usable(t))
        return;
    s_.world = t;
    updateMapping();
}

// QTransform multiplies row vectors, so GDI's "left" product (the new transform applied first)
// is t * world.
void Device::modifyWorldTransform(const QTransform &t, int mode)
{
    switch (mode) {
    case kMwtIdentity:
        s_.world = QTransform();
        break;
    case kMwtLeftMultiply:
        if (usable(t * s_.world))
            s_.world = t * s_.world;
        break;
    case kMwtRightMultiply:
        if (usable(s_.world * t))
            s_.world = s_.world * t;
        break;
    case kMwtSet:
        if (usable(t))
            s_.world = t;
        break;
    default:
        return;
    }
    updateMapping();
}

double Device::snap(double v) const
{
    if (!std::isfinite(v))
        v = 0;
    v = std::clamp(v, -kCoordinateLimit, kCoordinateLimit);
    return std::round(v * dpr_) / dpr_;
}

QPointF Device::toPixels(QPointF p) const
{
    const QPointF m = full_.map(p);
    return {snap(m.x()), snap(m.y())};
}

QRectF Device::box(const QRectF &logical) const
{
    return QRectF(toPixels(logical.topLeft()), toPixels(logical.bottomRight())).normalized();
}

QPainterPath Device::mapped(const QPainterPath &logical) const
{
    return full_.map(logical);
}

QRect Device::deviceRect(const QRectF &r) const
{
    return pixelRegion(deviceToPicture_.mapRect(r.normalized())).boundingRect();
}

// ---- Device context stack and clipping --------------------------------------------------------

void Device::saveDc()
{
    if (saved_.size() >= kMaxSavedStates) {
        ++droppedSaves_;
        return;
    }
    saved_.push_back(s_);
}

// Negative: that many levels back; positive: the absolute level (the first save is level 1).
void Device::restoreDc(int which)
{
    flushLines();
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

QRegion Device::logicalRegion(const QRectF &logical) const
{
    if (!rotated_)
        return pixelRegion(box(logical));
    return QRegion(full_.map(QPolygonF(logical.normalized())).toPolygon());
}

void Device::intersectClip(const QRectF &logical)
{
    combineClip(logicalRegion(logical), ClipMode::And);
}

void Device::excludeClip(const QRectF &logical)
{
    combineClip(logicalRegion(logical), ClipMode::Diff);
}

void Device::offsetClip(QPointF logical)
{
    if (!s_.clipped)
        return;
    const QPointF d = full_.map(logical) - full_.map(QPointF());
    s_.clip.translate(int(std::lround(snap(d.x()))), int(std::lround(snap(d.y()))));
    applyClip();
}

void Device::combineClip(const std::optional<QRegion> &pixels, ClipMode mode)
{
    if (!pixels) {
        if (mode == ClipMode::Copy) {
            s_.clipped = false;
            s_.clip = QRegion();
            applyClip();
        }
        return;
    }
    const QRegion whole(QRect(QPoint(), picture_.toSize() + QSize(1, 1)));
    const QRegion current = s_.clipped ? s_.clip : whole;
    if (current.rectCount() > kMaxClipRects && mode != ClipMode::Copy)
        return;
    switch (mode) {
    case ClipMode::And:
        s_.clip = current.intersected(*pixels);
        break;
    case ClipMode::Or:
        s_.clip = s_.clipped ? current.united(*pixels) : whole;
        break;
    case ClipMode::Xor:
        s_.clip = current.xored(*pixels);
        break;
    case ClipMode::Diff:
        s_.clip = current.subtracted(*pixels);
        break;
    case ClipMode::Copy:
        s_.clip = *pixels;
        break;
    }
    s_.clipped = true;
    applyClip();
}

void Device::selectClipRegion(quint32 index)
{
    // Index 0 stands for no region: clipping is removed.
    Object *o = index ? objectAt(index) : nullptr;
    auto *r = o ? std::get_if<RegionObject>(o) : nullptr;
    if (index && !r)
        return;
    combineClip(r ? std::optional<QRegion>(region(*r)) : std::nullopt, ClipMode::Copy);
}

// The meta region is what the clip was; the clip itself starts over inside it.
void Device::setMetaRegion()
{
    if (s_.clipped) {
        s_.metaClip = s_.metaClipped ? s_.metaClip.intersected(s_.clip) : s_.clip;
        s_.metaClipped = true;
    }
    s_.clipped = false;
    s_.clip = QRegion();
    applyClip();
}

void Device::applyClip()
{
    flushLines();
    if (s_.clipped && s_.metaClipped)
        p_.setClipRegion(s_.clip.intersected(s_.metaClip));
    else if (s_.clipped)
        p_.setClipRegion(s_.clip);
    else if (s_.metaClipped)
        p_.setClipRegion(s_.metaClip);
    else
        p_.setClipping(false);
}

} // namespace picture::gdi
