#pragma once

#include <QByteArray>
#include <QImage>

namespace artwork {

// A GIF89a file with one LZW-compressed frame and a global colour table. The image must be
// Format_Indexed8 with 1 to 256 colours; its pixels must index that table.
QByteArray encodeGif(const QImage &indexed);

} // namespace artwork
