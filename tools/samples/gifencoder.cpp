#include <tools/samples/gifencoder.h>

#include <QHash>

namespace {

constexpr int kMaxCodeSize = 12;
constexpr int kMaxCodes = 1 << kMaxCodeSize;
constexpr int kSubBlock = 255;

class BitPacker {
public:
    void put(int code, int size)
    {
        bits_ |= quint32(code) << count_;
        count_ += size;
        while (count_ >= 8) {
            bytes_.append(char(bits_ & 0xFF));
            bits_ >>= 8;
            count_ -= 8;
        }
    }
    QByteArray finish()
    {
        if (count_ > 0)
            bytes_.append(char(bits_ & 0xFF));
        return bytes_;
    }

private:
    QByteArray bytes_;
    quint32 bits_ = 0;
    int count_ = 0;
};

void put16(QByteArray &out, int v)
{
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
}

QByteArray lzw(const QImage &image, int minCodeSize)
{
    const int clear = 1 << minCodeSize;
    const int end = clear + 1;
    QHash<quint32, int> table; // (prefix code << 8 | pixel) -> code
    int next = end + 1;
    int size = minCodeSize + 1;
    BitPacker out;
    out.put(clear, size);
    int prefix = -1;
    for (int y = 0; y < image.height(); ++y) {
        const uchar *line = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            const int pixel = line[x];
            if (prefix < 0) {
                prefix = pixel;
                continue;
            }
            const quint32 key = quint32(prefix) << 8 | quint32(pixel);
            if (const auto found = table.constFind(key); found != table.constEnd()) {
                prefix = *found;
                continue;
            }
            out.put(prefix, size);
            if (next < kMaxCodes) {
                // The decoder learns a code one step later, so widen once `next` needs it.
                table.insert(key, next++);
                if (next > (1 << size) && size < kMaxCodeSize)
                    ++size;
            } else {
                out.put(clear, size);
                table.clear();
                next = end + 1;
                size = minCodeSize + 1;
            }
            prefix = pixel;
        }
    }
    if (prefix >= 0)
        out.put(prefix, size);
    out.put(end, size);
    return out.finish();
}

} // namespace

namespace samples {

QByteArray encodeGif(const QImage &indexed)
{
    Q_ASSERT(indexed.format() == QImage::Format_Indexed8);
    const QList<QRgb> colours = indexed.colorTable();
    int tableBits = 1;
    while ((1 << tableBits) < colours.size())
        ++tableBits;
    const int minCodeSize = qMax(2, tableBits);

    QByteArray out("GIF89a");
    put16(out, indexed.width());
    put16(out, indexed.height());
    out.append(char(0x80 | 0x70 | (tableBits - 1))); // global table, 8-bit colour resolution
    out.append('\0');                                // background colour index
    out.append('\0');                                // square pixels
    for (int i = 0; i < (1 << tableBits); ++i) {
        const QRgb c = i < colours.size() ? colours[i] : qRgb(0, 0, 0);
        out.append(char(qRed(c)));
        out.append(char(qGreen(c)));
        out.append(char(qBlue(c)));
    }
    out.append(',');
    put16(out, 0);
    put16(out, 0);
    put16(out, indexed.width());
    put16(out, indexed.height());
    out.append('\0'); // no local table, not interlaced
    out.append(char(minCodeSize));
    const QByteArray data = lzw(indexed, minCodeSize);
    for (qsizetype at = 0; at < data.size(); at += kSubBlock) {
        const qsizetype n = qMin<qsizetype>(kSubBlock, data.size() - at);
        out.append(char(n));
        out.append(data.constData() + at, n);
    }
    out.append('\0');
    out.append(';');
    return out;
}

} // namespace samples
