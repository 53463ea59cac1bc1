#include "emfink.h"

#include <picture/picture.h>

#include <cstdlib>

namespace {

constexpr int kColourTolerance = 24;

} // namespace

EmfBuilder emfPicture()
{
    EmfBuilder b(QRect(0, 0, 2646, 2646), QRect(0, 0, 100, 100));
    b.nullPen();
    b.solidBrush(Qt::black);
    return b;
}

QImage drawEmf(EmfBuilder &b, qreal dpr)
{
    const picture::Result r = picture::decode(b.finish(), QStringLiteral("test.emf"), dpr);
    if (!r.ok())
        qWarning("not drawn: %s", qPrintable(r.error));
    return r.image;
}

bool emfInked(const QImage &image, QPoint p)
{
    return image.rect().contains(p) && qAlpha(image.pixel(p)) > 0;
}

QRect emfInkBounds(const QImage &image, QRect area)
{
    if (area.isNull())
        area = image.rect();
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (emfInked(image, QPoint(x, y)))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

bool nearRect(const QRect &a, const QRect &b, int tolerance)
{
    return std::abs(a.left() - b.left()) <= tolerance && std::abs(a.top() - b.top()) <= tolerance &&
           std::abs(a.right() - b.right()) <= tolerance &&
           std::abs(a.bottom() - b.bottom()) <= tolerance;
}

int countColour(const QImage &image, const QRect &area, const QColor &c)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            n += qAlpha(p) > 200 && std::abs(qRed(p) - c.red()) <= kColourTolerance &&
                 std::abs(qGreen(p) - c.green()) <= kColourTolerance &&
                 std::abs(qBlue(p) - c.blue()) <= kColourTolerance;
        }
    return n;
}

QString emfInkMismatch(const QImage &image, const QList<QPoint> &inked, const QList<QPoint> &clear)
{
    if (image.isNull())
        return QStringLiteral("no picture");
    const auto where = [](QPoint p) { return QStringLiteral("%1,%2").arg(p.x()).arg(p.y()); };
    for (const QPoint &p : inked)
        if (!emfInked(image, p))
            return QStringLiteral("no ink at ") + where(p);
    for (const QPoint &p : clear)
        if (emfInked(image, p))
            return QStringLiteral("ink at ") + where(p);
    return {};
}
