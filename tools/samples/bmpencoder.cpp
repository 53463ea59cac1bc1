#include <tools/samples/bmpencoder.h>

#include <QtEndian>

#include <stdexcept>

namespace {

constexpr int kFileHeader = 14;
constexpr int kInfoHeader = 40;
constexpr int kPixelsPerMetre = 3780; // 96 dpi

void put16(QByteArray &out, quint16 v)
{
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

void put32(QByteArray &out, quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

} // namespace

namespace samples {

QByteArray encodeBmp(const QImage &image)
{
    const bool indexed = image.format() == QImage::Format_Indexed8;
    if (!indexed && image.format() != QImage::Format_RGB888)
        throw std::invalid_argument("bitmaps are written from 8-bit indexed or 24-bit images");
    const int bits = indexed ? 8 : 24;
    const int rowBytes = image.width() * bits / 8;
    const int stride = (rowBytes + 3) & ~3;
    const int colours = indexed ? int(image.colorCount()) : 0;
    const quint32 offset = kFileHeader + kInfoHeader + 4 * colours;

    QByteArray out;
    out.append("BM");
    put32(out, offset + quint32(stride) * quint32(image.height()));
    put32(out, 0);
    put32(out, offset);
    put32(out, kInfoHeader);
    put32(out, quint32(image.width()));
    put32(out, quint32(image.height()));
    put16(out, 1);
    put16(out, quint16(bits));
    put32(out, 0); // BI_RGB
    put32(out, quint32(stride) * quint32(image.height()));
    put32(out, kPixelsPerMetre);
    put32(out, kPixelsPerMetre);
    put32(out, quint32(colours));
    put32(out, 0);
    for (int i = 0; i < colours; ++i) {
        const QRgb c = image.color(i);
        out.append(char(qBlue(c)));
        out.append(char(qGreen(c)));
        out.append(char(qRed(c)));
        out.append('\0');
    }
    for (int y = image.height() - 1; y >= 0; --y) {
        const uchar *line = image.constScanLine(y);
        QByteArray row(stride, '\0');
        for (int x = 0; x < image.width(); ++x) {
            if (indexed) {
                row[x] = char(line[x]);
            } else { // RGB888 is stored red first, bitmaps blue first
                row[3 * x] = char(line[3 * x + 2]);
                row[3 * x + 1] = char(line[3 * x + 1]);
                row[3 * x + 2] = char(line[3 * x]);
            }
        }
        out.append(row);
    }
    return out;
}

} // namespace samples
