#include "emfbuilder.h"

#include <QtEndian>

#include <uemf.h>

#include <cstdlib>

namespace {

constexpr U_SIZEL kDevice{1920, 1440}; // a 96-dpi reference device
constexpr U_SIZEL kDeviceMm{508, 381};

// QRect::right() is inclusive, like the format's rectangles.
U_RECTL rectL(const QRect &r)
{
    return U_RECTL{r.left(), r.top(), r.right(), r.bottom()};
}

U_COLORREF colorRef(const QColor &c)
{
    return U_RGB(quint8(c.red()), quint8(c.green()), quint8(c.blue()));
}

qint64 colourWord(const QColor &c)
{
    return c.red() | c.green() << 8 | c.blue() << 16;
}

// 32-bit little-endian words.
QByteArray words(const QList<qint64> &values)
{
    QByteArray out;
    for (qint64 v : values) {
        char word[4];
        qToLittleEndian<quint32>(quint32(v), word);
        out.append(word, 4);
    }
    return out;
}

} // namespace

EmfBuilder::EmfBuilder(const QRect &frameHimetric, const QRect &bounds)
{
    add(U_EMRHEADER_set(rectL(bounds), rectL(frameHimetric), nullptr, 0, nullptr, kDevice,
                        kDeviceMm, 0));
    add(U_EMRSETBKMODE_set(U_TRANSPARENT));
}

EmfBuilder EmfBuilder::pixels(QSize size)
{
    // At 96 dpi, in 0.01 mm.
    const QSize frame(size.width() * 2540 / 96, size.height() * 2540 / 96);
    return EmfBuilder(QRect(QPoint(0, 0), frame), QRect(QPoint(0, 0), size));
}

void EmfBuilder::add(char *record)
{
    bytes_.append(record, qFromLittleEndian<quint32>(record + 4));
    ++records_;
    free(record);
}

void EmfBuilder::solidBrush(const QColor &colour)
{
    add(U_EMRCREATEBRUSHINDIRECT_set(nextHandle_, logbrush_set(U_BS_SOLID, colorRef(colour), 0)));
    add(U_EMRSELECTOBJECT_set(nextHandle_++));
}

void EmfBuilder::nullBrush()
{
    add(U_EMRSELECTOBJECT_set(U_NULL_BRUSH | U_STOCK_OBJECT));
}

quint32 EmfBuilder::pen(quint32 style, int width, const QColor &colour)
{
    const quint32 h = handle();
    record(U_EMR_CREATEPEN, {h, style, width, 0, colourWord(colour)});
    select(h);
    return h;
}

void EmfBuilder::extPen(quint32 style, int width, const QColor &colour)
{
    const quint32 h = handle();
    record(U_EMR_EXTCREATEPEN, {h, 0, 0, 0, 0, style, width, U_BS_SOLID, colourWord(colour), 0, 0});
    select(h);
}

void EmfBuilder::nullPen()
{
    add(U_EMRSELECTOBJECT_set(U_NULL_PEN | U_STOCK_OBJECT));
}

void EmfBuilder::rectangle(const QRect &r)
{
    rectangle(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
}

void EmfBuilder::rectangle(int left, int top, int right, int bottom)
{
    record(U_EMR_RECTANGLE, {left, top, right, bottom});
}

void EmfBuilder::stretchedRow(const QRect &destination, const QList<QColor> &columns, quint32 rop)
{
    QByteArray bits;
    for (const QColor &c : columns) {
        const char bgr[] = {char(c.blue()), char(c.green()), char(c.red())};
        bits.append(bgr, 3);
    }
    bits.append(QByteArray((4 - bits.size() % 4) % 4, '\0'));
    const int width = int(columns.size());
    PU_BITMAPINFO bmi = bitmapinfo_set(
        bitmapinfoheader_set(width, 1, 1, 24, U_BI_RGB, uint32_t(bits.size()), 0, 0, 0, 0),
        nullptr);
    add(U_EMRSTRETCHDIBITS_set(rectL(destination), U_POINTL{destination.x(), destination.y()},
                               U_POINTL{destination.width(), destination.height()}, U_POINTL{0, 0},
                               U_POINTL{width, 1}, U_DIB_RGB_COLORS, rop, bmi,
                               uint32_t(bits.size()), bits.data()));
    free(bmi);
}

void EmfBuilder::mapping(int mode, QSize window, QSize viewport, QPoint windowOrigin)
{
    record(U_EMR_SETMAPMODE, {mode});
    record(U_EMR_SETWINDOWEXTEX, {window.width(), window.height()});
    record(U_EMR_SETVIEWPORTEXTEX, {viewport.width(), viewport.height()});
    if (!windowOrigin.isNull())
        record(U_EMR_SETWINDOWORGEX, {windowOrigin.x(), windowOrigin.y()});
}

void EmfBuilder::record(quint32 type, const QList<qint64> &fields, const QByteArray &tail)
{
    QByteArray r = QByteArray(8, '\0') + words(fields) + tail;
    r.append(QByteArray((4 - r.size() % 4) % 4, '\0'));
    qToLittleEndian<quint32>(type, r.data());
    qToLittleEndian<quint32>(quint32(r.size()), r.data() + 4);
    bytes_.append(r);
    ++records_;
}

void EmfBuilder::select(quint32 handle)
{
    add(U_EMRSELECTOBJECT_set(handle));
}

void EmfBuilder::font(const Font &f)
{
    QByteArray face(64, '\0');
    for (int i = 0; i < f.face.size() && i < 31; ++i)
        qToLittleEndian<quint16>(f.face.at(i).unicode(), face.data() + i * 2);
    const quint32 flags = (f.underline ? 0x100u : 0u) | quint32(f.charset) << 24;
    const quint32 h = handle();
    record(U_EMR_EXTCREATEFONTINDIRECTW,
           {h, f.height, f.width, f.escapement, f.escapement, 400, flags, 0}, face);
    select(h);
}

void EmfBuilder::textOut(const QPoint &at, const QString &text, const QList<int> &dx,
                         quint32 options)
{
    const qsizetype chars = text.size();
    const qint64 stringAt = 76;
    const qint64 dxAt = stringAt + (chars * 2 + 3) / 4 * 4;
    QByteArray tail(int(dxAt - stringAt), '\0');
    for (qsizetype i = 0; i < chars; ++i)
        qToLittleEndian<quint16>(text.at(i).unicode(), tail.data() + i * 2);
    tail += words(QList<qint64>(dx.begin(), dx.end()));
    record(U_EMR_EXTTEXTOUTW,
           {0, 0, -1, -1, U_GM_COMPATIBLE, 0, 0, at.x(), at.y(), chars, stringAt, options, 0, 0, 0,
            0, dx.isEmpty() ? 0 : dxAt},
           tail);
}

namespace {

// A 32-bit bottom-up DIB, its alpha bytes as given: its header, and its bits.
QPair<QByteArray, QByteArray> dibOf(const QImage &image)
{
    if (image.isNull())
        return {};
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    QList<qint64> pixels; // a QRgb's little-endian bytes are blue, green, red, alpha
    for (int y = argb.height() - 1; y >= 0; --y)
        for (int x = 0; x < argb.width(); ++x)
            pixels << argb.pixel(x, y);
    return {words({40, argb.width(), argb.height(), 1 | 32 << 16, 0, 0, 0, 0, 0, 0}),
            words(pixels)};
}

// BITBLT, ALPHABLEND and TRANSPARENTBLT share their layout up to the bitmap's offsets.
QList<qint64> bltFields(const QRect &dest, quint32 rop, const QPoint &source,
                        const QPair<QByteArray, QByteArray> &dib, qint64 bmiAt)
{
    const auto &[bmi, bits] = dib;
    constexpr qint64 kOne = 0x3F800000; // 1.0f
    const qint64 at = bmi.isEmpty() ? 0 : bmiAt;
    // Destination, operation, source; the source's transform, background colour and usage;
    // where the bitmap is.
    return QList<qint64>{0,        0,          -1,           -1,
                         dest.x(), dest.y(),   dest.width(), dest.height(),
                         rop,      source.x(), source.y()} +
           QList<qint64>{kOne, 0, 0, kOne, 0, 0, 0xFFFFFF, 0} +
           QList<qint64>{at, bmi.size(), bmi.isEmpty() ? 0 : at + bmi.size(), bits.size()};
}

} // namespace

QByteArray EmfBuilder::dib(const QImage &image)
{
    const auto [bmi, bits] = dibOf(image);
    return bmi + bits;
}

void EmfBuilder::bitBlt(const QRect &dest, const QPoint &source, const QImage &image, quint32 rop)
{
    const auto dib = dibOf(image);
    record(U_EMR_BITBLT, bltFields(dest, rop, source, dib, 100), dib.first + dib.second);
}

void EmfBuilder::alphaBlend(const QRect &dest, const QImage &image, int constantAlpha,
                            bool sourceAlpha)
{
    const auto dib = dibOf(image);
    QList<qint64> f = bltFields(dest, 0, QPoint(), dib, 108);
    f[8] = (constantAlpha << 16) | (sourceAlpha ? 1 << 24 : 0); // BLENDFUNCTION
    record(U_EMR_ALPHABLEND, f << image.width() << image.height(), dib.first + dib.second);
}

void EmfBuilder::transparentBlt(const QRect &dest, const QImage &image, const QColor &key)
{
    const auto dib = dibOf(image);
    QList<qint64> f = bltFields(dest, quint32(colourWord(key)), QPoint(), dib, 108);
    record(U_EMR_TRANSPARENTBLT, f << image.width() << image.height(), dib.first + dib.second);
}

void EmfBuilder::stretchDiBits(const QRect &dest, const QRect &source, const QImage &image,
                               quint32 rop)
{
    const auto [bmi, bits] = dibOf(image);
    record(U_EMR_STRETCHDIBITS,
           {0, 0, -1, -1, dest.x(), dest.y(), source.x(), source.y(), source.width(),
            source.height(), 80, bmi.size(), 80 + bmi.size(), bits.size(), U_DIB_RGB_COLORS, rop,
            dest.width(), dest.height()},
           bmi + bits);
}

void EmfBuilder::setDiBitsToDevice(const QPoint &dest, const QImage &image)
{
    const auto [bmi, bits] = dibOf(image);
    record(U_EMR_SETDIBITSTODEVICE,
           {0, 0, -1, -1, dest.x(), dest.y(), 0, 0, image.width(), image.height(), 76, bmi.size(),
            76 + bmi.size(), bits.size(), U_DIB_RGB_COLORS, 0, image.height()},
           bmi + bits);
}

void EmfBuilder::clipRegion(quint32 mode, const QList<QRect> &rects)
{
    QByteArray data;
    if (!rects.isEmpty()) {
        QList<qint64> header{32, 1, rects.size(), rects.size() * 16, 0, 0, 0, 0};
        for (const QRect &r : rects)
            header << r.left() << r.top() << r.left() + r.width() << r.top() + r.height();
        data = words(header);
    }
    record(U_EMR_EXTSELECTCLIPRGN, {data.size(), mode}, data);
}

QByteArray EmfBuilder::finish()
{
    // The end record, without a palette, by hand: libuemf's wants its own file tracker.
    const quint32 eof[] = {U_EMR_EOF, 20, 0, 16, 20};
    bytes_.append(reinterpret_cast<const char *>(eof), sizeof eof);
    ++records_;
    QByteArray out = bytes_;
    qToLittleEndian<quint32>(quint32(out.size()), out.data() + 48);
    qToLittleEndian<quint32>(records_, out.data() + 52);
    qToLittleEndian<quint16>(quint16(nextHandle_), out.data() + 56);
    return out;
}
