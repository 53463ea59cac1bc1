#pragma once

#include <QByteArray>
#include <QImage>

namespace samples {

// A GIF89a file with a global colour table and one LZW-compressed frame. `indexed` must be
// Format_Indexed8 with 2 to 256 colours.
QByteArray encodeGif(const QImage &indexed);

} // namespace samples
