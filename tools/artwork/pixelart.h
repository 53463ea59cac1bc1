#pragma once

#include <QImage>

namespace artwork {

// The program icon, 32 x 32: a bus seen from the front. Format_Indexed8 over the standard
// sixteen colours and a seventeenth, transparent, entry for see-through pixels.
QImage iconPixels();

// The pointing-hand cursor, 32 x 32, white with a black outline on a transparent ground; the
// tip of the index finger is at the hot spot (12, 1).
QImage handCursor();

} // namespace artwork
