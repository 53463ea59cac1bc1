#pragma once

// Names of the pictures, cursor and sounds carried inside the program.

namespace res {
inline constexpr char kBus[] = ":/pictures/bus.bmp";
inline constexpr char kCentreLeftLeaf[] = ":/pictures/centreleafleft.bmp";
inline constexpr char kCentreRightLeaf[] = ":/pictures/centreleafright.bmp";
inline constexpr char kFrontDoor[] = ":/pictures/frontdoor.bmp";
inline constexpr char kIcon[] = ":/pictures/icon.png";
inline constexpr char kFrontDoorSwitchFace[] = ":/pictures/frontdoorswitch.gif";
inline constexpr char kCentreDoorSwitchFace[] = ":/pictures/centredoorswitch.gif";
inline constexpr char kHandCursor[] = ":/pictures/hand.png";
// The hand cursor's hot spot: the fingertip.
inline constexpr int kHandHotX = 12;
inline constexpr int kHandHotY = 1;
// WAVE resources are read by id under this prefix (":/WAVE/101").
inline constexpr char kWavePrefix[] = ":/WAVE/";
} // namespace res
