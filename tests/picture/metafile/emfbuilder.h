#pragma once

// Enhanced metafiles put together record by record with libuemf's record writers, in device
// pixels of a 96-dpi reference device.

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <uemf.h>

class EmfBuilder {
public:
    // `frame` in 0.01 mm, `bounds` in device pixels (inclusive, as the format has them).
    EmfBuilder(const QRect &frameHimetric, const QRect &bounds);
    // A picture of `size` pixels, its frame and bounds just that.
    static EmfBuilder pixels(QSize size);

    void solidBrush(const QColor &colour);
    void nullBrush();
    // CREATEPEN, selected; its handle.
    quint32 pen(quint32 style, int width, const QColor &colour = Qt::black);
    // EXTCREATEPEN with a solid brush, selected.
    void extPen(quint32 style, int width, const QColor &colour = Qt::black);
    void nullPen();
    void rectangle(const QRect &r);
    // Corners as the record has them.
    void rectangle(int left, int top, int right, int bottom);
    // A bitmap of `columns` x 1 pixels (24-bit) stretched onto `destination` with raster
    // operation `rop`.
    void stretchedRow(const QRect &destination, const QList<QColor> &columns,
                      quint32 rop = U_SRCCOPY);
    // The mapping mode and the window and viewport extents; the window's origin too, if given.
    void mapping(int mode, QSize window, QSize viewport, QPoint windowOrigin = {});

    // With the end record, and the header's byte and record counts filled in.
    QByteArray finish();

    // A record made by a U_EMR*_set function; the builder frees it.
    void add(char *record);
    // A record by hand: its type, then its fields as 32-bit little-endian words, then `tail`.
    void record(quint32 type, const QList<qint64> &fields, const QByteArray &tail = {});
    // The next free object handle.
    quint32 handle() { return nextHandle_++; }
    void select(quint32 handle);

    // Fonts and text with every knob the tests turn; `dx` in logical units, pairs with ETO_PDY.
    struct Font {
        int height = -20;
        int width = 0; // average character width; 0 for the face's own
        bool underline = false;
        int escapement = 0;
        quint8 charset = 0; // ANSI
        QString face = QStringLiteral("Noto Sans CJK JP");
    };
    void font(const Font &font);
    void textOut(const QPoint &at, const QString &text, const QList<int> &dx = {},
                 quint32 options = 0);

    // Bitmaps, given as images (sent as 32-bit bottom-up DIBs); a source rectangle's size may
    // be negative. `image` null: the record carries no bitmap.
    void bitBlt(const QRect &dest, const QPoint &source, const QImage &image, quint32 rop);
    void stretchDiBits(const QRect &dest, const QRect &source, const QImage &image, quint32 rop);
    void alphaBlend(const QRect &dest, const QImage &image, int constantAlpha, bool sourceAlpha);
    void transparentBlt(const QRect &dest, const QImage &image, const QColor &key);
    void setDiBitsToDevice(const QPoint &dest, const QImage &image);
    // The header and bits the bitmap records carry, for records built by hand.
    static QByteArray dib(const QImage &image);
    // A region of rectangles (right and bottom exclusive) selected as clip with `mode`; none:
    // a record without region data.
    void clipRegion(quint32 mode, const QList<QRect> &rects);

private:
    quint32 nextHandle_ = 1;
    quint32 records_ = 0;
    QByteArray bytes_;
};
