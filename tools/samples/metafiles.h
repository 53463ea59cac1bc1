#pragma once

#include <tools/samples/board.h>

#include <QByteArray>

namespace samples {

// Vector metafiles of the board with logical units of one twip, text as text in the given font.
// The enhanced metafile's frame is the board; its reference device has 96 dots per inch.
QByteArray writeEmf(const Board &board);
// A placeable Windows metafile (1440 units an inch), text in a Shift-JIS font.
QByteArray writeWmf(const Board &board);

} // namespace samples
