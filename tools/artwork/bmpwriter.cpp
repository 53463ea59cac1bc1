#include <tools/artwork/bmpwriter.h>

#include <tools/artwork/bytewriter.h>

namespace artwork {

namespace {
constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;
// 96 dots per inch.
constexpr quint32 kPixelsPerMetre = 3780;
} // namespace

QByteArray encodeBmp24(const QImage &image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    const int width = rgb.width();
    const int height = rgb.height();
    const quint32 rowSize = (static_cast<quint32>(width) * 3 + 3) & ~3u;
    const quint32 dataSize = rowSize * static_cast<quint32>(height);
    const quint32 offset = kFileHeaderSize + kInfoHeaderSize;

    ByteWriter out;
    out.bytes("BM");
    out.u32(offset + dataSize);
    out.u16(0);
    out.u16(0);
    out.u32(offset);

    out.u32(kInfoHeaderSize);
    out.u32(static_cast<quint32>(width));
    out.u32(static_cast<quint32>(height)); // positive: bottom-up
    out.u16(1);
    out.u16(24);
    out.u32(0); // BI_RGB
    out.u32(dataSize);
    out.u32(kPixelsPerMetre);
    out.u32(kPixelsPerMetre);
    out.u32(0);
    out.u32(0);

    for (int y = height - 1; y >= 0; --y) {
        const auto *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            out.u8(static_cast<quint8>(qBlue(line[x])));
            out.u8(static_cast<quint8>(qGreen(line[x])));
            out.u8(static_cast<quint8>(qRed(line[x])));
        }
        for (quint32 pad = static_cast<quint32>(width) * 3; pad < rowSize; ++pad)
            out.u8(0);
    }
    return out.data();
}

} // namespace artwork
