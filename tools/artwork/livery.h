#pragma once

// Colours shared by the bus body and the door leaves, so that the doors match the body.

#include <QColor>

namespace artwork::livery {

inline const QColor kBody{248, 244, 232};
inline const QColor kBodyShade{222, 216, 198};
inline const QColor kBand{0, 122, 84};
inline const QColor kBandDark{0, 86, 60};
inline const QColor kPinstripe{246, 184, 0};
inline const QColor kSkirt{64, 70, 74};
inline const QColor kRubber{34, 35, 38};
inline const QColor kSeam{150, 146, 134};
inline const QColor kGlassTop{58, 78, 96};
inline const QColor kGlassBottom{24, 32, 42};

// Heights of the stripes, in pixels from the top of the bus picture. The doors continue them.
inline constexpr double kBeltTop = 99;
inline constexpr double kBeltBottom = 104;
inline constexpr double kBandTop = 149;
inline constexpr double kBandBottom = 165;
inline constexpr double kPinTop = 167;
inline constexpr double kPinBottom = 169.5;
inline constexpr double kSkirtTop = 176;
inline constexpr double kBodyBottom = 190;

} // namespace artwork::livery
