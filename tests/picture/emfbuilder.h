#pragma once

// Enhanced metafiles put together record by record with libuemf's record writers, in device
// pixels of a 96-dpi reference device.

#include <QByteArray>
#include <QColor>
#include <QRect>
#include <QString>

class EmfBuilder {
public:
    // `frame` in 0.01 mm, `bounds` in device pixels (inclusive, as the format has them).
    EmfBuilder(const QRect &frameHimetric, const QRect &bounds);

    void solidBrush(const QColor &colour);
    void nullBrush();
    void pen(int width, const QColor &colour);
    void nullPen();
    void rectangle(const QRect &r);
    void text(const QPoint &at, const QString &text, int pixelHeight, const QColor &colour,
              quint32 options = 0);
    // A bitmap of `columns` x 1 pixels (24-bit) stretched onto `destination`.
    void stretchedRow(const QRect &destination, const QList<QColor> &columns);

    // With the end record, and the header's byte and record counts filled in.
    QByteArray finish();

private:
    // A record made by a U_EMR*_set function; the builder frees it.
    void add(char *record);
    quint32 nextHandle_ = 1;
    quint32 records_ = 0;
    QByteArray bytes_;
};
