#include "wmfbuilder.h"

#include <QStringEncoder>
#include <QtEndian>

#include <cstdlib>

namespace {

constexpr int kHeaderWords = 9;

// A 32-bit field as its two 16-bit words.
QList<int> split(quint32 v)
{
    return {int(v & 0xFFFF), int(v >> 16)};
}

} // namespace

QByteArray u16le(const QList<int> &values)
{
    QByteArray out;
    for (int v : values) {
        char b[2];
        qToLittleEndian(quint16(v), b);
        out.append(b, 2);
    }
    return out;
}

WmfBuilder WmfBuilder::placeable(int left, int top, int right, int bottom, int unitsPerInch)
{
    // Key, handle, box, units and reserved, then the XOR of those ten words.
    const QList<int> words =
        split(0x9AC6CDD7) + QList<int>{0, left, top, right, bottom, unitsPerInch, 0, 0};
    int checksum = 0;
    for (int w : words)
        checksum ^= quint16(w);
    WmfBuilder b;
    b.placeable_ = u16le(words + QList<int>{checksum});
    return b;
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
    records_ += u16le(split(words) + QList<int>{function}) + p;
    largestRecordWords_ = std::max(largestRecordWords_, words);
    return *this;
}

WmfBuilder &WmfBuilder::extTextOut(int x, int y, quint16 options, const U_RECT16 &rect,
                                   const QByteArray &text, const QList<int> &dx)
{
    QByteArray p = u16le({y, x, int(text.size()), options});
    if (options & (U_ETO_OPAQUE | U_ETO_CLIPPED))
        p += u16le({rect.left, rect.top, rect.right, rect.bottom});
    p += text;
    if (p.size() % 2)
        p.append('\0');
    return raw(0x0A32, p + u16le(dx));
}

QByteArray WmfBuilder::bytes() const
{
    // Type, header size, version, file size, object table size, largest record, no parameters;
    // the records; the end record.
    const quint32 words = kHeaderWords + quint32(records_.size() / 2) + 3;
    const QList<int> header = QList<int>{1, kHeaderWords, 0x0300} + split(words) + QList<int>{32} +
                              split(largestRecordWords_) + QList<int>{0};
    return placeable_ + u16le(header) + records_ + u16le({3, 0, 0});
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

char *font(int height, quint8 charset, const QByteArray &face)
{
    QByteArray name = face;
    U_FONT *f =
        U_FONT_set(int16_t(height), 0, 0, 0, 400, 0, 0, 0, charset, 0, 0, 0, 0, name.data());
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
    // The info header (uncompressed), then the colour table as blue, green, red and a zero.
    QByteArray out = u16le(split(40) + split(quint32(width)) + split(quint32(height)) +
                           QList<int>{1, bitCount} + split(0) + split(quint32(bits.size())) +
                           split(0) + split(0) + split(quint32(table.size())) + split(0));
    for (QRgb c : table)
        out += u16le({qBlue(c) | qGreen(c) << 8, qRed(c)});
    return out + bits;
}

} // namespace wmfrec

QByteArray sjis(const QString &text)
{
    QStringEncoder encoder("Shift_JIS");
    return encoder(text);
}

WmfBuilder blackInk(WmfBuilder b)
{
    b.add(wmfrec::pen(U_PS_NULL, 0, Qt::black))
        .add(wmfrec::brush(U_BS_SOLID, Qt::black))
        .add(wmfrec::select(0))
        .add(wmfrec::select(1));
    return b;
}

WmfBuilder textPicture(int width, int height, char *font)
{
    WmfBuilder b = WmfBuilder::placeable(0, 0, width, height, 96);
    b.add(U_WMRSETBKMODE_set(U_TRANSPARENT)).add(font).add(wmfrec::select(0));
    return b;
}

QByteArray packPixels(int bitCount, const QList<QRgb> &grid, QList<QRgb> *table)
{
    const auto index = [&](QRgb c) {
        if (!table->contains(c))
            table->append(c);
        return int(table->indexOf(c));
    };
    QByteArray bits;
    for (int row = 1; row >= 0; --row) { // bottom-up
        QByteArray line;
        const QRgb left = grid[row * 2];
        const QRgb right = grid[row * 2 + 1];
        if (bitCount == 1)
            line.append(char((index(left) << 7) | (index(right) << 6)));
        else if (bitCount == 4)
            line.append(char((index(left) << 4) | index(right)));
        else if (bitCount == 8)
            line += u16le({index(left) | index(right) << 8});
        for (QRgb c : {left, right}) {
            if (bitCount == 16)
                line += u16le({(qRed(c) >> 3) << 10 | (qGreen(c) >> 3) << 5 | qBlue(c) >> 3});
            else if (bitCount >= 24)
                line += u16le({qBlue(c) | qGreen(c) << 8}).append(char(qRed(c)));
            if (bitCount == 32)
                line.append('\0');
        }
        line.append(QByteArray((4 - line.size() % 4) % 4, '\0'));
        bits.append(line);
    }
    return bits;
}
