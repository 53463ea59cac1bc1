#pragma once

// Where the bus window's controls stand, in twips, for the program, the artwork generator and the
// tests alike. The bus picture is drawn around them: its doorways lie exactly under the door
// pictures, its sign opening around the sign window and the signboard sits on plain body panel.

#include <common/twips.h>

namespace layout {

inline constexpr twips::Rect kFrontDoor{480, 540, 1155, 2190};
inline constexpr twips::Rect kCentreLeftLeaf{4875, 540, 840, 2235};
inline constexpr twips::Rect kCentreRightLeaf{5700, 540, 840, 2235};
// The bus window's client area.
inline constexpr float kClientWidthTwips = 11085;
inline constexpr float kClientHeightTwips = 3105;

inline constexpr twips::Rect kSignWindow{6825, 435, 720, 450};
// The second sign window is never shown; its roll is set in from its left edge.
inline constexpr twips::Rect kSecondSignWindow{6690, 1650, 780, 540};
inline constexpr twips::Rect kRoll{0, 0, 720, 3750};
inline constexpr twips::Rect kSecondRoll{-30, 30, 735, 3750};
inline constexpr twips::Rect kSignboard{8910, 1605, 1410, 450};
inline constexpr twips::Rect kSignboardFrameLeft{8835, 1590, 75, 495};
inline constexpr twips::Rect kSignboardFrameRight{10320, 1590, 75, 495};
inline constexpr twips::Rect kSignboardFrameBottom{8835, 2055, 1560, 60};

// Fully open widths of the door leaves: the front door folds to its left post, the centre
// leaves to their outer posts.
inline constexpr float kFrontDoorOpenWidth = 70;
inline constexpr float kCentreLeafOpenWidth = 110;
// The right leaf folds against the doorway's right post, so its right edge stays there.
inline constexpr float kCentreRightPost = kCentreRightLeaf.left + kCentreRightLeaf.width;

// Pixel sizes of the pictures.
inline constexpr int kBusWidth = 740;
inline constexpr int kBusHeight = 207;
inline constexpr int kClientWidth = 739;
inline constexpr int kLeafWidth = 56;
inline constexpr int kLeafHeight = 147;
inline constexpr int kFrontDoorWidth = 77;
inline constexpr int kFrontDoorHeight = 144;

} // namespace layout
