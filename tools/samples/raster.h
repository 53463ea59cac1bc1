#pragma once

#include <tools/samples/board.h>

#include <QImage>

namespace samples {

// The board painted at 96 dpi (15 twips a pixel), on an opaque RGB32 image.
QImage paint(const Board &board);

// The same picture with a palette of its own colours in a fixed order; at most 256 of them.
QImage toIndexed(const QImage &image);

} // namespace samples
