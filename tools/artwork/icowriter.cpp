#include <tools/artwork/icowriter.h>

#include <tools/artwork/bytewriter.h>

#include <stdexcept>

namespace artwork {

namespace {
constexpr int kDirectorySize = 6;
constexpr int kEntrySize = 16;
constexpr int kInfoHeaderSize = 40;
constexpr int kPaletteSize = 16 * 4;
} // namespace

QList<QRgb> standardPalette16()
{
    return {qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
            qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
            qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
            qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
}

QByteArray encodeIco16(const QImage &indexed)
{
    if (indexed.format() != QImage::Format_Indexed8 || indexed.isNull())
        throw std::invalid_argument("encodeIco16 needs an 8-bit indexed image");
    const int width = indexed.width();
    const int height = indexed.height();
    if (width > 255 || height > 255)
        throw std::invalid_argument("encodeIco16: icons are at most 255 pixels on a side");

    const int xorRow = ((width * 4 + 31) / 32) * 4;
    const int andRow = ((width + 31) / 32) * 4;
    const int imageSize = kInfoHeaderSize + kPaletteSize + (xorRow + andRow) * height;

    ByteWriter out;
    out.u16(0);
    out.u16(1); // icon
    out.u16(1); // one image

    out.u8(static_cast<quint8>(width));
    out.u8(static_cast<quint8>(height));
    out.u8(16); // colours
    out.u8(0);
    out.u16(1); // planes
    out.u16(4); // bits per pixel
    out.u32(static_cast<quint32>(imageSize));
    out.u32(kDirectorySize + kEntrySize);

    out.u32(kInfoHeaderSize);
    out.u32(static_cast<quint32>(width));
    out.u32(static_cast<quint32>(height * 2)); // colour rows and mask rows together
    out.u16(1);
    out.u16(4);
    out.u32(0); // BI_RGB
    out.u32(static_cast<quint32>((xorRow + andRow) * height));
    out.u32(0);
    out.u32(0);
    out.u32(0);
    out.u32(0);

    for (const QRgb c : standardPalette16()) {
        out.u8(static_cast<quint8>(qBlue(c)));
        out.u8(static_cast<quint8>(qGreen(c)));
        out.u8(static_cast<quint8>(qRed(c)));
        out.u8(0);
    }

    auto indexAt = [&](int x, int y) {
        const int i = indexed.constScanLine(y)[x];
        if (i > kIconTransparent)
            throw std::invalid_argument("encodeIco16: pixel index out of range");
        return i;
    };

    // Transparent pixels are black in the colour rows, so the mask alone decides what shows.
    for (int y = height - 1; y >= 0; --y) {
        QByteArray row(xorRow, '\0');
        for (int x = 0; x < width; ++x) {
            const int i = indexAt(x, y);
            const int nibble = i == kIconTransparent ? 0 : i;
            row[x / 2] = static_cast<char>(row[x / 2] | (x % 2 == 0 ? nibble << 4 : nibble));
        }
        out.bytes(row);
    }
    for (int y = height - 1; y >= 0; --y) {
        QByteArray row(andRow, '\0');
        for (int x = 0; x < width; ++x) {
            if (indexAt(x, y) == kIconTransparent)
                row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
        }
        out.bytes(row);
    }
    return out.data();
}

} // namespace artwork
