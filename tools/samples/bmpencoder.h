#pragma once

#include <QByteArray>
#include <QImage>

namespace samples {

// An uncompressed bottom-up Windows bitmap with a 40-byte info header, from a Format_Indexed8
// image (8 bits a pixel with its palette) or a Format_RGB888 one (24 bits). Row padding is
// zero, so the same picture always gives the same bytes.
QByteArray encodeBmp(const QImage &image);

} // namespace samples
