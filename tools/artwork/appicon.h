#pragma once

#include <QImage>

#include <array>

namespace artwork {

// Sizes of the desktop icon, in pixels, as the icon theme's folders hold them.
inline constexpr std::array<int, 7> kAppIconSizes{16, 24, 32, 48, 64, 128, 256};

// The launcher's icon: the bus seen from the front, on a transparent ground, size x size.
// Drawn afresh for each size on the pixel grid, with fewer details the smaller it gets, so
// that it stays a bus at 16 px.
QImage paintAppIcon(int size);

} // namespace artwork
