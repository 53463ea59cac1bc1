#pragma once

// Bitmaps carried inside metafile records. Every length is checked against the bytes at hand;
// a bitmap that claims more than it has, or more than the picture limits allow, gives a null
// image.

#include <QImage>
#include <QList>

namespace picture::gdi {

enum class ColorUsage { Rgb = 0, PaletteIndices16 = 1, PaletteIndices = 2 };

// A device-independent bitmap (header, colour table, pixels) at `data`, with `size` bytes
// available. `palette` resolves colour usage other than Rgb. `scanLines` > 0 limits the bitmap
// to that many scan lines (a partial bitmap sent to the device). The result has no alpha.
QImage decodeDib(const char *data, qsizetype size, ColorUsage usage, const QList<QRgb> &palette,
                 int scanLines = 0);

// The header of an old device-dependent bitmap.
struct Bitmap16Header {
    int width = 0;
    int height = 0;
    int widthBytes = 0;
    int planes = 0;
    int bitsPixel = 0;
};

// The bits of such a bitmap, `size` bytes available. Only monochrome bitmaps have a meaning
// without their device; 0 bits become `zero`, 1 bits `one`.
QImage decodeBitmap16(const Bitmap16Header &header, const char *bits, qsizetype size, QRgb zero,
                      QRgb one);

} // namespace picture::gdi
