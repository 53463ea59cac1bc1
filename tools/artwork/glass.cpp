#include <tools/artwork/glass.h>

#include <tools/artwork/livery.h>

#include <QLinearGradient>
#include <QPainterPath>

namespace artwork {

void paintGlass(QPainter &p, const QRectF &pane, qreal radius)
{
    QLinearGradient tint(pane.topLeft(), pane.bottomLeft());
    tint.setColorAt(0, livery::kGlassTop);
    tint.setColorAt(0.55, livery::kGlassBottom.lighter(130));
    tint.setColorAt(1, livery::kGlassBottom);
    p.setPen(Qt::NoPen);
    p.setBrush(tint);
    p.drawRoundedRect(pane, radius, radius);
    paintReflection(p, pane, radius);
}

void paintReflection(QPainter &p, const QRectF &pane, qreal radius)
{
    p.save();
    QPainterPath clip;
    clip.addRoundedRect(pane, radius, radius);
    p.setClipPath(clip, Qt::IntersectClip);
    p.setPen(Qt::NoPen);
    // Two streaks leaning to the right, a wide faint one and a narrow brighter one.
    const qreal h = pane.height();
    const qreal x0 = pane.left() + pane.width() * 0.18;
    QPolygonF wide;
    wide << QPointF(x0 + h * 0.35, pane.top())
         << QPointF(x0 + h * 0.35 + pane.width() * 0.28, pane.top())
         << QPointF(x0 + pane.width() * 0.28 - h * 0.05, pane.bottom())
         << QPointF(x0 - h * 0.05, pane.bottom());
    p.setBrush(QColor(255, 255, 255, 26));
    p.drawPolygon(wide);
    const qreal x1 = x0 + pane.width() * 0.36;
    QPolygonF narrow;
    narrow << QPointF(x1 + h * 0.35, pane.top())
           << QPointF(x1 + h * 0.35 + pane.width() * 0.07, pane.top())
           << QPointF(x1 + pane.width() * 0.07 - h * 0.05, pane.bottom())
           << QPointF(x1 - h * 0.05, pane.bottom());
    p.setBrush(QColor(255, 255, 255, 34));
    p.drawPolygon(narrow);
    // The sky seen in the upper part of the pane.
    QLinearGradient sky(pane.topLeft(), QPointF(pane.left(), pane.top() + h * 0.45));
    sky.setColorAt(0, QColor(190, 215, 235, 70));
    sky.setColorAt(1, QColor(190, 215, 235, 0));
    p.setBrush(sky);
    p.drawRect(pane);
    p.restore();
}

} // namespace artwork
