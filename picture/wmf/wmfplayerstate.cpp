// The device context's state: the mapping from logical units to picture pixels, the stack of
// saved states, and clipping.

#include <picture/wmf/wmfplayerimpl.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr size_t kMaxSavedStates = 256;
constexpr double kCoordinateLimit = 1.0e6; // pixels; keeps the rasteriser's numbers sane
constexpr int kMaxClipRects = 8192;        // beyond this, exclusions are no longer applied
constexpr double kPixelsPerInch = 96.0;

} // namespace

namespace picture::wmf {

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

void Player::applyClip()
{
    if (s_.clipped)
        p_.setClipRegion(s_.clip);
    else
        p_.setClipping(false);
}

} // namespace picture::wmf
