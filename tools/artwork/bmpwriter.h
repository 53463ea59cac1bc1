#pragma once

#include <QByteArray>
#include <QImage>

namespace artwork {

// A Windows bitmap with 24 bits per pixel: file header, BITMAPINFOHEADER, bottom-up rows padded
// to four bytes. Alpha is dropped.
QByteArray encodeBmp24(const QImage &image);

} // namespace artwork
