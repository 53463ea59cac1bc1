#include <picture/metafile/gdidib.h>

#include <picture/limits.h>
#include <picture/littleendian.h>

#include <array>
#include <bit>
#include <cstdlib>

namespace {

constexpr quint32 kCoreHeaderBytes = 12;
constexpr quint32 kInfoHeaderBytes = 40;
constexpr quint32 kMaskedHeaderBytes = 52; // version 2 and later headers carry the masks
constexpr quint32 kCompressionRgb = 0;
constexpr quint32 kCompressionBitfields = 3;
constexpr qint64 kMaxColors = 256;

struct Channel {
    quint32 mask = 0;
    int shift = 0;
    quint32 max = 0;

    explicit Channel(quint32 m = 0) : mask(m)
    {
        if (m) {
            shift = std::countr_zero(m);
            max = m >> shift;
        }
    }
    int value(quint32 pixel) const
    {
        return max ? int(quint64((pixel & mask) >> shift) * 255 / max) : 0;
    }
};

bool fitsLimits(qint64 width, qint64 height)
{
    return width > 0 && height > 0 && width <= picture::kMaxEdge && height <= picture::kMaxEdge &&
           width * height <= picture::kMaxPixels;
}

} // namespace

namespace picture::gdi {

QImage decodeDib(const char *data, qsizetype size, ColorUsage usage, const QList<QRgb> &palette,
                 int scanLines)
{
    if (!data || size < 4)
        return {};
    const LittleEndianReader dib(data, size);
    const quint32 headerBytes = dib.u32(0);
    qint64 width = 0;
    qint64 height = 0;
    int bitCount = 0;
    quint32 compression = kCompressionRgb;
    quint32 colorsUsed = 0;
    int tableEntryBytes = 4;
    if (headerBytes == kCoreHeaderBytes) {
        if (size < qsizetype(kCoreHeaderBytes))
            return {};
        width = dib.u16(4);
        height = dib.u16(6);
        bitCount = dib.u16(10);
        tableEntryBytes = 3;
    } else if (headerBytes >= kInfoHeaderBytes && headerBytes <= quint64(size)) {
        width = dib.s32(4);
        height = dib.s32(8);
        bitCount = dib.u16(14);
        compression = dib.u32(16);
        colorsUsed = dib.u32(32);
    } else {
        return {};
    }
    const bool topDown = height < 0;
    height = std::abs(height);
    if (scanLines > 0 && scanLines < height)
        height = scanLines;
    if (!fitsLimits(width, height))
        return {};

    // Channel masks: explicit ones for bit fields, the fixed layouts otherwise.
    qint64 offset = headerBytes;
    std::array<Channel, 3> channels;
    if (bitCount == 16 || bitCount == 32) {
        if (compression == kCompressionBitfields) {
            qint64 masks = headerBytes;
            if (headerBytes >= kMaskedHeaderBytes) {
                masks = kInfoHeaderBytes;
            } else {
                if (offset + 12 > size)
                    return {};
                offset += 12;
            }
            channels = {Channel(dib.u32(masks)), Channel(dib.u32(masks + 4)),
                        Channel(dib.u32(masks + 8))};
        } else if (compression == kCompressionRgb) {
            channels = bitCount == 16
                           ? std::array{Channel(0x7C00), Channel(0x03E0), Channel(0x001F)}
                           : std::array{Channel(0xFF0000), Channel(0xFF00), Channel(0xFF)};
        } else {
            return {};
        }
    } else if (compression != kCompressionRgb) {
        return {};
    }

    // Colour table: colours, or indices into the selected palette.
    QList<QRgb> colors;
    const bool indexed = bitCount == 1 || bitCount == 4 || bitCount == 8;
    if (!indexed && bitCount != 16 && bitCount != 24 && bitCount != 32)
        return {};
    const qint64 tableEntries = colorsUsed ? qint64(colorsUsed) : (indexed ? 1LL << bitCount : 0);
    if (indexed) {
        if (tableEntries > kMaxColors)
            return {};
        if (usage == ColorUsage::PaletteIndices) {
            colors = palette;
        } else {
            const int entryBytes = usage == ColorUsage::PaletteIndices16 ? 2 : tableEntryBytes;
            if (offset + tableEntries * entryBytes > size)
                return {};
            colors.reserve(tableEntries);
            for (qint64 i = 0; i < tableEntries; ++i) {
                const qint64 e = offset + i * entryBytes;
                if (usage == ColorUsage::PaletteIndices16) {
                    const quint16 index = dib.u16(e);
                    colors.append(index < palette.size() ? palette[index] : qRgb(0, 0, 0));
                } else {
                    colors.append(qRgb(dib.u8(e + 2), dib.u8(e + 1), dib.u8(e)));
                }
            }
            offset += tableEntries * entryBytes;
        }
    } else if (usage == ColorUsage::Rgb) {
        // A true-colour bitmap may still carry a table for palette devices; skip it.
        if (tableEntries > (size - offset) / tableEntryBytes)
            return {};
        offset += tableEntries * tableEntryBytes;
    }

    const qint64 stride = (width * bitCount + 31) / 32 * 4;
    if (offset > size || stride * height > size - offset)
        return {};

    QImage image(int(width), int(height), QImage::Format_RGB32);
    if (image.isNull())
        return {};
    for (qint64 row = 0; row < height; ++row) {
        const LittleEndianReader src = dib.from(offset + row * stride);
        auto *dst = reinterpret_cast<QRgb *>(image.scanLine(int(topDown ? row : height - 1 - row)));
        for (qint64 x = 0; x < width; ++x) {
            switch (bitCount) {
            case 1:
            case 4:
            case 8: {
                const qint64 bit = x * bitCount;
                const int shift = 8 - bitCount - int(bit % 8);
                const int index = (src.u8(bit / 8) >> shift) & ((1 << bitCount) - 1);
                dst[x] = index < colors.size() ? colors[index] : qRgb(0, 0, 0);
                break;
            }
            case 16: {
                const quint32 p = src.u16(x * 2);
                dst[x] = qRgb(channels[0].value(p), channels[1].value(p), channels[2].value(p));
                break;
            }
            case 24:
                dst[x] = qRgb(src.u8(x * 3 + 2), src.u8(x * 3 + 1), src.u8(x * 3));
                break;
            default: {
                const quint32 p = src.u32(x * 4);
                dst[x] = qRgb(channels[0].value(p), channels[1].value(p), channels[2].value(p));
                break;
            }
            }
        }
    }
    return image;
}

QImage decodeBitmap16(const Bitmap16Header &header, const char *bits, qsizetype size, QRgb zero,
                      QRgb one)
{
    const qint64 width = header.width;
    const qint64 height = header.height;
    const qint64 widthBytes = header.widthBytes;
    if (!bits || header.planes != 1 || header.bitsPixel != 1 || !fitsLimits(width, height) ||
        widthBytes < (width + 7) / 8 || widthBytes * height > size)
        return {};
    QImage image(int(width), int(height), QImage::Format_RGB32);
    if (image.isNull())
        return {};
    const LittleEndianReader in(bits, size);
    for (qint64 y = 0; y < height; ++y) {
        const LittleEndianReader src = in.from(y * widthBytes);
        auto *dst = reinterpret_cast<QRgb *>(image.scanLine(int(y)));
        for (qint64 x = 0; x < width; ++x)
            dst[x] = (src.u8(x / 8) >> (7 - x % 8)) & 1 ? one : zero;
    }
    return image;
}

} // namespace picture::gdi
