#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>

namespace artwork {

// The sixteen colours of the standard Windows palette, in palette order.
QList<QRgb> standardPalette16();

// Index used in an icon's pixels for "transparent": the AND mask is set there.
inline constexpr int kIconTransparent = 16;

// A Windows icon file holding one 4-bit image with the standard palette and an AND mask. The
// image is Format_Indexed8, at most 255 pixels on a side, with indices 0 to 15 for the palette
// colours and kIconTransparent for see-through pixels.
QByteArray encodeIco16(const QImage &indexed);

} // namespace artwork
