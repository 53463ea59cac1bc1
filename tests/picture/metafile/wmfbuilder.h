#pragma once

// Metafiles put together in memory for the tests, mostly from libuemf's record writers.

#include <uwmf.h>

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QString>

// Character sets of font records.
inline constexpr quint8 kShiftJis = 128;
inline constexpr quint8 kAnsi = 0;

class WmfBuilder {
public:
    // No placeable header: the metafile is sized by its window extent.
    WmfBuilder() = default;
    // A placeable header with bounding box (left, top)-(right, bottom) in `unitsPerInch`.
    static WmfBuilder placeable(int left, int top, int right, int bottom, int unitsPerInch);

    // A record made by a U_WMR*_set function; the builder frees it.
    WmfBuilder &add(char *record);
    // A record made by hand: function and parameter bytes (padded to whole words).
    WmfBuilder &raw(quint16 function, const QByteArray &parameters);
    // EXTTEXTOUT as Windows lays it out (libuemf's writer puts the rectangle's corners in reverse
    // order). The rectangle is written when `options` asks for one; `dx` as given, if any.
    WmfBuilder &extTextOut(int x, int y, quint16 options, const U_RECT16 &rect,
                           const QByteArray &text, const QList<int> &dx = {});

    // The whole file, with its end record.
    QByteArray bytes() const;

private:
    QByteArray placeable_;
    quint32 largestRecordWords_ = 3;
    QByteArray records_;
};

// Shorthands for records the tests use often.
namespace wmfrec {
U_COLORREF colorref(const QColor &c);
U_RECT16 rect(int left, int top, int right, int bottom);
U_POINT16 point(int x, int y);
char *pen(quint16 style, quint16 width, const QColor &color);
char *brush(quint16 style, const QColor &color, quint16 hatch = 0);
// `face` is in the bytes of the charset's code page; `escapement` in tenths of a degree.
char *font(int height, quint8 charset, const QByteArray &face);
char *select(quint16 index);
char *rectangle(int left, int top, int right, int bottom);
// A bitmap info header and colour table followed by its pixels, for the DIB records.
QByteArray dib(int width, int height, int bitCount, const QList<QRgb> &table,
               const QByteArray &bits);
} // namespace wmfrec

// The text in the Shift-JIS code page.
QByteArray sjis(const QString &text);
// 16-bit little-endian words.
QByteArray u16le(const QList<int> &values);
// `b` with a black brush and no pen selected (objects 0 and 1); by default a 100 x 60 pixel
// picture whose logical units are pixels.
WmfBuilder blackInk(WmfBuilder b = WmfBuilder::placeable(0, 0, 100, 60, 96));
// A picture of `width` x `height` pixels with a transparent background and `font` selected.
WmfBuilder textPicture(int width, int height, char *font);
// Pixels packed as a DIB's rows for a 2 x 2 bitmap given top row first; fills `table` for the
// indexed depths.
QByteArray packPixels(int bitCount, const QList<QRgb> &grid, QList<QRgb> *table);
