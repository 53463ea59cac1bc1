#include <tools/artwork/gifwriter.h>

#include <tools/artwork/bytewriter.h>

#include <stdexcept>
#include <vector>

namespace artwork {

namespace {

constexpr int kMaxCodeBits = 12;
constexpr int kTableSize = 1 << kMaxCodeBits;
constexpr int kMaxSubBlock = 255;

// Packs variable-width codes least significant bit first into 255-byte sub-blocks.
class CodeStream {
public:
    void put(int code, int width)
    {
        m_bits |= static_cast<quint32>(code) << m_count;
        m_count += width;
        while (m_count >= 8) {
            m_bytes.append(static_cast<char>(m_bits & 0xff));
            m_bits >>= 8;
            m_count -= 8;
        }
    }
    QByteArray finish()
    {
        if (m_count > 0)
            m_bytes.append(static_cast<char>(m_bits & 0xff));
        QByteArray blocks;
        for (qsizetype i = 0; i < m_bytes.size(); i += kMaxSubBlock) {
            const QByteArray chunk = m_bytes.mid(i, kMaxSubBlock);
            blocks.append(static_cast<char>(chunk.size()));
            blocks.append(chunk);
        }
        blocks.append('\0');
        return blocks;
    }

private:
    QByteArray m_bytes;
    quint32 m_bits = 0;
    int m_count = 0;
};

int bitsFor(int colours)
{
    int bits = 1;
    while ((1 << bits) < colours)
        ++bits;
    return bits;
}

QByteArray compress(const QImage &image, int minCodeSize)
{
    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    // child[code * 256 + pixel]: the code of the string "code followed by pixel", 0 if none
    // (0 is never a child: children are numbered from endCode + 1).
    std::vector<quint16> child(static_cast<size_t>(kTableSize) * 256, 0);
    int nextCode = endCode + 1;
    int width = minCodeSize + 1;

    CodeStream out;
    out.put(clearCode, width);

    int current = -1;
    for (int y = 0; y < image.height(); ++y) {
        const uchar *line = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            const int pixel = line[x];
            if (current < 0) {
                current = pixel;
                continue;
            }
            const size_t slot = static_cast<size_t>(current) * 256 + static_cast<size_t>(pixel);
            if (child[slot] != 0) {
                current = child[slot];
                continue;
            }
            out.put(current, width);
            const int assigned = nextCode++;
            child[slot] = static_cast<quint16>(assigned);
            // The decoder learns each entry one code later, so the width grows once an assigned
            // code no longer fits the current width.
            if (assigned >= (1 << width) && width < kMaxCodeBits)
                ++width;
            if (assigned == kTableSize - 1) {
                out.put(clearCode, width);
                std::fill(child.begin(), child.end(), 0);
                nextCode = endCode + 1;
                width = minCodeSize + 1;
            }
            current = pixel;
        }
    }
    if (current >= 0) {
        out.put(current, width);
        // The decoder adds one more entry on reading that last code before it reads the end.
        if (nextCode >= (1 << width) && width < kMaxCodeBits)
            ++width;
    }
    out.put(endCode, width);
    return out.finish();
}

} // namespace

QByteArray encodeGif(const QImage &indexed)
{
    if (indexed.format() != QImage::Format_Indexed8)
        throw std::invalid_argument("encodeGif needs an 8-bit indexed image");
    const QList<QRgb> colours = indexed.colorTable();
    if (colours.isEmpty() || colours.size() > 256)
        throw std::invalid_argument("encodeGif needs 1 to 256 colours");
    if (indexed.width() > 0xffff || indexed.height() > 0xffff || indexed.isNull())
        throw std::invalid_argument("encodeGif: bad image size");
    for (int y = 0; y < indexed.height(); ++y) {
        const uchar *line = indexed.constScanLine(y);
        for (int x = 0; x < indexed.width(); ++x) {
            if (line[x] >= colours.size())
                throw std::invalid_argument("encodeGif: pixel outside the colour table");
        }
    }

    const int tableBits = bitsFor(static_cast<int>(colours.size()));
    const int minCodeSize = std::max(2, tableBits);

    ByteWriter out;
    out.bytes("GIF89a");
    out.u16(static_cast<quint16>(indexed.width()));
    out.u16(static_cast<quint16>(indexed.height()));
    // Global colour table present, 8 bits of colour resolution, table size 2^(tableBits).
    out.u8(static_cast<quint8>(0x80 | 0x70 | (tableBits - 1)));
    out.u8(0); // background colour index
    out.u8(0); // no aspect ratio
    for (int i = 0; i < (1 << tableBits); ++i) {
        const QRgb c = i < colours.size() ? colours[i] : qRgb(0, 0, 0);
        out.u8(static_cast<quint8>(qRed(c)));
        out.u8(static_cast<quint8>(qGreen(c)));
        out.u8(static_cast<quint8>(qBlue(c)));
    }

    out.u8(0x2c); // image descriptor
    out.u16(0);
    out.u16(0);
    out.u16(static_cast<quint16>(indexed.width()));
    out.u16(static_cast<quint16>(indexed.height()));
    out.u8(0); // no local table, not interlaced
    out.u8(static_cast<quint8>(minCodeSize));
    out.bytes(compress(indexed, minCodeSize));
    out.u8(0x3b); // trailer
    return out.data();
}

} // namespace artwork
