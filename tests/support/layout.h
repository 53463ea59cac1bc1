#pragma once

// Where the main window places the controls that stand over the bus picture, in twips. Tests that
// need the layout without a main window read it here, so it is written down once.

#include <common/twips.h>

namespace layout {

inline constexpr twips::Rect kFrontDoor{480, 540, 1155, 2190};
inline constexpr twips::Rect kCentreLeftLeaf{4875, 540, 840, 2235};
inline constexpr twips::Rect kCentreRightLeaf{5700, 540, 840, 2235};
inline constexpr twips::Rect kSignWindow{6825, 435, 720, 450};
inline constexpr twips::Rect kSignboard{8910, 1605, 1410, 450};
inline constexpr twips::Rect kSignboardFrame{8835, 1590, 1560, 525};

} // namespace layout
