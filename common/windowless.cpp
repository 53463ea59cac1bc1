#include <common/windowless.h>

#include <QPainter>
#include <QRegion>
#include <QWidget>
#include <algorithm>

namespace {
// At most a few spans a line, a band stays below the height Qt splits across threads.
constexpr int kStretchBandLines = 32;
} // namespace

WindowlessLayer::WindowlessLayer(QWidget *host) : QObject(host), host_(host)
{
    setObjectName(QStringLiteral("surface"));
}

void WindowlessLayer::paint(QPainter &painter, const QRect &exposed) const
{
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        const WindowlessControl *c = *it;
        if (c->isVisible() && c->pixelRect().intersects(exposed))
            c->paint(painter);
    }
}

WindowlessControl *WindowlessLayer::controlAt(QPoint px, bool mouseOnly) const
{
    for (WindowlessControl *c : controls_)
        if (c->isVisible() && (!mouseOnly || c->takesMouse()) && c->pixelRect().contains(px))
            return c;
    return nullptr;
}

WindowlessControl *WindowlessLayer::control(const QString &name) const
{
    for (WindowlessControl *c : controls_)
        if (c->name() == name)
            return c;
    return nullptr;
}

void WindowlessLayer::remove(WindowlessControl *c)
{
    controls_.erase(std::remove(controls_.begin(), controls_.end(), c), controls_.end());
}

void WindowlessLayer::changed(const QRect &before, const QRect &after)
{
    QRegion dirty;
    if (!before.isEmpty())
        dirty += before;
    if (!after.isEmpty())
        dirty += after;
    if (dirty.isEmpty() || !host_->isVisible())
        return;
    host_->repaint(dirty);
}

WindowlessControl::WindowlessControl(WindowlessLayer &layer, const twips::Rect &rect, bool visible)
    : layer_(layer), rect_(rect), visible_(visible)
{
    layer_.add(this);
}

WindowlessControl::~WindowlessControl()
{
    layer_.remove(this);
}

void WindowlessControl::setRect(const twips::Rect &r)
{
    const QRect before = pixelRect();
    rect_ = r;
    const QRect after = pixelRect();
    if (visible_ && before != after)
        layer_.changed(before, after);
}

void WindowlessControl::setLeftTwips(float v)
{
    setRect({v, rect_.top, rect_.width, rect_.height});
}
void WindowlessControl::setTopTwips(float v)
{
    setRect({rect_.left, v, rect_.width, rect_.height});
}
void WindowlessControl::setWidthTwips(float v)
{
    setRect({rect_.left, rect_.top, v, rect_.height});
}
void WindowlessControl::setHeightTwips(float v)
{
    setRect({rect_.left, rect_.top, rect_.width, v});
}
void WindowlessControl::moveTwips(float left, float top, float width, float height)
{
    setRect({left, top, width, height});
}

void WindowlessControl::setVisible(bool v)
{
    if (v == visible_)
        return;
    visible_ = v;
    layer_.changed(pixelRect(), QRect());
}

void WindowlessControl::repaintSelf()
{
    if (visible_)
        layer_.changed(pixelRect(), QRect());
}

ImageControl::ImageControl(WindowlessLayer &layer, const twips::Rect &rect, bool stretch,
                           bool visible)
    : WindowlessControl(layer, rect, visible), stretch_(stretch)
{
}

void ImageControl::setPicture(const QImage &picture)
{
    picture_ = picture;
    if (!stretch_ && !picture_.isNull()) {
        // An unstretched image control takes the natural size of its picture.
        const QSize s = picture_.deviceIndependentSize().toSize();
        const twips::Rect before = rect();
        const twips::Rect after{before.left, before.top, twips::fromPixels(s.width()),
                                twips::fromPixels(s.height())};
        if (!(before == after)) {
            const QRect oldPx = pixelRect();
            setRect(after);
            if (oldPx == pixelRect())
                repaintSelf();
            return;
        }
    }
    repaintSelf();
}

void ImageControl::paint(QPainter &painter) const
{
    if (picture_.isNull())
        return;
    const QRect target = pixelRect();
    if (!stretch_) {
        painter.drawImage(target.topLeft(), picture_);
        return;
    }
    // Qt hands a scaled drawing of more than about 96 spans to its thread pool. In bands the
    // same pixels are drawn on this thread, so a window's first paint starts no threads.
    for (int top = target.top(); top <= target.bottom(); top += kStretchBandLines) {
        painter.save();
        painter.setClipRect(QRect(target.left(), top, target.width(), kStretchBandLines),
                            Qt::IntersectClip);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.drawImage(target, picture_);
        painter.restore();
    }
}

ShapeControl::ShapeControl(WindowlessLayer &layer, const twips::Rect &rect, QColor fill,
                           QColor border)
    : WindowlessControl(layer, rect), fill_(fill), border_(border)
{
}

void ShapeControl::paint(QPainter &painter) const
{
    const QRect r = pixelRect();
    if (r.isEmpty())
        return;
    painter.fillRect(r, fill_);
    painter.setPen(border_);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(r.adjusted(0, 0, -1, -1));
}
