#include "ink.h"

#include <cstdlib>

namespace {

constexpr int kColourTolerance = 24;
constexpr int kEdgeTolerance = 1; // pixels

} // namespace

bool inked(const QImage &image, QPoint p)
{
    return image.rect().contains(p) && qAlpha(image.pixel(p)) > 0;
}

QRect inkBounds(const QImage &image, QRect area)
{
    if (area.isNull())
        area = image.rect();
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (inked(image, QPoint(x, y)))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

int inkedPercent(const QImage &image, const QRect &area)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += inked(image, QPoint(x, y));
    return n * 100 / (area.width() * area.height());
}

QString rectText(const QRect &r)
{
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

bool nearRect(const QRect &a, const QRect &b)
{
    return std::abs(a.left() - b.left()) <= kEdgeTolerance &&
           std::abs(a.top() - b.top()) <= kEdgeTolerance &&
           std::abs(a.right() - b.right()) <= kEdgeTolerance &&
           std::abs(a.bottom() - b.bottom()) <= kEdgeTolerance;
}

bool nearColour(const QColor &a, const QColor &b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

int countColour(const QImage &image, const QRect &area, const QColor &c)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            n += qAlpha(p) > 200 && nearColour(QColor(p), c, kColourTolerance);
        }
    return n;
}

QString inkMismatch(const QImage &image, const QList<QPoint> &withInk, const QList<QPoint> &clear)
{
    if (image.isNull())
        return QStringLiteral("no picture");
    const auto where = [](QPoint p) { return QStringLiteral("%1,%2").arg(p.x()).arg(p.y()); };
    for (const QPoint &p : withInk)
        if (!inked(image, p))
            return QStringLiteral("no ink at ") + where(p);
    for (const QPoint &p : clear)
        if (inked(image, p))
            return QStringLiteral("ink at ") + where(p);
    return {};
}
