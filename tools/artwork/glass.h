#pragma once

#include <QPainter>
#include <QRectF>

namespace artwork {

// A tinted pane with a soft sky reflection; the bus windows and the door glass share it.
void paintGlass(QPainter &p, const QRectF &pane, qreal radius);

// Diagonal light streaks across a pane, clipped to it.
void paintReflection(QPainter &p, const QRectF &pane, qreal radius);

} // namespace artwork
