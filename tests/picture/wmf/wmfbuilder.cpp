#include "wmfbuilder.h"

#include <QStringEncoder>
#include <QtEndian>

#include <cstdlib>

namespace {

constexpr quint32 kPlaceableKey = 0x9AC6CDD7;
constexpr quint16 kHeaderWords = 9;

void put16(QByteArray *out, quint16 v)
{
    char b[2];
    qToLittleEndian(v, b);
    out->append(b, 2);
}

void put32(QByteArray *out, quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    out->append(b, 4);
}

} // namespace

WmfBuilder WmfBuilder::placeable(int left, int top, int right, int bottom, int unitsPerInch)
{
    WmfBuilder b;
    b.placeable_ = true;
    b.left_ = left;
    b.top_ = top;
    b.right_ = right;
    b.bottom_ = bottom;
    b.unitsPerInch_ = unitsPerInch;
    return b;
}

WmfBuilder WmfBuilder::plain()
{
    return WmfBuilder();
}

WmfBuilder &WmfBuilder::add(char *record)
{
    const quint32 words = qFromLittleEndian<quint32>(record);
    records_.append(record, qsizetype(words) * 2);
    largestRecordWords_ = std::max(largestRecordWords_, words);
    free(record);
    return *this;
}

WmfBuilder &WmfBuilder::raw(quint16 function, const QByteArray &parameters)
{
    QByteArray p = parameters;
    if (p.size() % 2)
        p.append('\0');
    const quint32 words = quint32(3 + p.size() / 2);
    put32(&records_, words);
    put16(&records_, function);
    records_.append(p);
    largestRecordWords_ = std::max(largestRecordWords_, words);
    return *this;
}

WmfBuilder &WmfBuilder::extTextOut(int x, int y, quint16 options, const U_RECT16 &rect,
                                   const QByteArray &text, const QList<int> &dx)
{
    QByteArray p;
    put16(&p, quint16(y));
    put16(&p, quint16(x));
    put16(&p, quint16(text.size()));
    put16(&p, options);
    if (options & (U_ETO_OPAQUE | U_ETO_CLIPPED))
        for (int16_t v : {rect.left, rect.top, rect.right, rect.bottom})
            put16(&p, quint16(v));
    p.append(text);
    if (p.size() % 2)
        p.append('\0');
    for (int v : dx)
        put16(&p, quint16(v));
    return raw(0x0A32, p);
}

WmfBuilder &WmfBuilder::objects(quint16 count)
{
    objects_ = count;
    return *this;
}

QByteArray WmfBuilder::bytes(bool withEnd) const
{
    QByteArray out;
    if (placeable_) {
        QByteArray head;
        put32(&head, kPlaceableKey);
        put16(&head, 0);
        put16(&head, quint16(left_));
        put16(&head, quint16(top_));
        put16(&head, quint16(right_));
        put16(&head, quint16(bottom_));
        put16(&head, quint16(unitsPerInch_));
        put32(&head, 0);
        quint16 checksum = 0;
        for (int i = 0; i < 10; ++i)
            checksum ^= qFromLittleEndian<quint16>(head.constData() + i * 2);
        put16(&head, checksum);
        out.append(head);
    }
    const quint32 totalWords = kHeaderWords + quint32(records_.size() / 2) + (withEnd ? 3 : 0);
    put16(&out, 1);
    put16(&out, kHeaderWords);
    put16(&out, 0x0300);
    put32(&out, totalWords);
    put16(&out, objects_);
    put32(&out, largestRecordWords_);
    put16(&out, 0);
    out.append(records_);
    if (withEnd) {
        put32(&out, 3);
        put16(&out, 0);
    }
    return out;
}

namespace wmfrec {

U_COLORREF colorref(const QColor &c)
{
    return colorref3_set(quint8(c.red()), quint8(c.green()), quint8(c.blue()));
}

U_RECT16 rect(int left, int top, int right, int bottom)
{
    return U_RECT16{int16_t(left), int16_t(top), int16_t(right), int16_t(bottom)};
}

U_POINT16 point(int x, int y)
{
    return U_POINT16{int16_t(x), int16_t(y)};
}

char *pen(quint16 style, quint16 width, const QColor &color)
{
    return U_WMRCREATEPENINDIRECT_set(U_PEN_set(style, width, colorref(color)));
}

char *brush(quint16 style, const QColor &color, quint16 hatch)
{
    return U_WMRCREATEBRUSHINDIRECT_set(U_WLOGBRUSH_set(style, colorref(color), hatch));
}

char *font(int height, quint8 charset, const QByteArray &face, int width, int weight)
{
    QByteArray name = face;
    U_FONT *f = U_FONT_set(int16_t(height), int16_t(width), 0, 0, int16_t(weight), 0, 0, 0, charset,
                           0, 0, 0, 0, name.data());
    char *record = U_WMRCREATEFONTINDIRECT_set(f);
    free(f);
    return record;
}

char *select(quint16 index)
{
    return U_WMRSELECTOBJECT_set(index);
}

char *rectangle(int left, int top, int right, int bottom)
{
    return U_WMRRECTANGLE_set(rect(left, top, right, bottom));
}

QByteArray dib(int width, int height, int bitCount, const QList<QRgb> &table,
               const QByteArray &bits)
{
    QByteArray out;
    put32(&out, 40);
    put32(&out, quint32(width));
    put32(&out, quint32(height));
    put16(&out, 1);
    put16(&out, quint16(bitCount));
    put32(&out, 0); // uncompressed
    put32(&out, quint32(bits.size()));
    put32(&out, 0);
    put32(&out, 0);
    put32(&out, quint32(table.size()));
    put32(&out, 0);
    for (QRgb c : table) {
        out.append(char(qBlue(c)));
        out.append(char(qGreen(c)));
        out.append(char(qRed(c)));
        out.append('\0');
    }
    out.append(bits);
    return out;
}

} // namespace wmfrec

QByteArray sjis(const QString &text)
{
    QStringEncoder encoder("Shift_JIS");
    return encoder(text);
}

QByteArray u16le(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values) {
        char b[2];
        qToLittleEndian(quint16(v), b);
        out.append(b, 2);
    }
    return out;
}

WmfBuilder pixelPicture()
{
    WmfBuilder b = WmfBuilder::placeable(0, 0, 100, 60, 96);
    b.add(wmfrec::pen(kNoPen, 0, Qt::black))
        .add(wmfrec::brush(U_BS_SOLID, Qt::black))
        .add(wmfrec::select(0))
        .add(wmfrec::select(1));
    return b;
}

QByteArray packPixels(int bitCount, const QList<QRgb> &grid, QList<QRgb> *table)
{
    QByteArray bits;
    for (int row = 1; row >= 0; --row) { // bottom-up
        QByteArray line;
        const QRgb left = grid[row * 2];
        const QRgb right = grid[row * 2 + 1];
        const auto index = [&](QRgb c) {
            qsizetype i = table->indexOf(c);
            if (i < 0) {
                table->append(c);
                i = table->size() - 1;
            }
            return int(i);
        };
        switch (bitCount) {
        case 1:
            line.append(char((index(left) << 7) | (index(right) << 6)));
            break;
        case 4:
            line.append(char((index(left) << 4) | index(right)));
            break;
        case 8:
            line.append(char(index(left)));
            line.append(char(index(right)));
            break;
        case 16:
            for (QRgb c : {left, right}) {
                const int v = ((qRed(c) >> 3) << 10) | ((qGreen(c) >> 3) << 5) | (qBlue(c) >> 3);
                line.append(char(v & 0xFF));
                line.append(char(v >> 8));
            }
            break;
        case 24:
        case 32:
            for (QRgb c : {left, right}) {
                line.append(char(qBlue(c)));
                line.append(char(qGreen(c)));
                line.append(char(qRed(c)));
                if (bitCount == 32)
                    line.append('\0');
            }
            break;
        }
        while (line.size() % 4)
            line.append('\0');
        bits.append(line);
    }
    return bits;
}
