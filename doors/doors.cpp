#include <doors/doors.h>

#include <common/layout.h>
#include <common/windowless.h>
#include <doors/countingwait.h>

#include <cmath>

namespace {

constexpr auto kFrontClosedWidth = static_cast<std::int32_t>(layout::kFrontDoor.width);
constexpr auto kFrontOpenWidth = static_cast<std::int32_t>(layout::kFrontDoorOpenWidth);
constexpr auto kLeafClosedWidth = static_cast<std::int32_t>(layout::kCentreLeftLeaf.width);
constexpr auto kLeafOpenWidth = static_cast<std::int32_t>(layout::kCentreLeafOpenWidth);
constexpr auto kRightPost = static_cast<std::int32_t>(layout::kCentreRightPost);
constexpr std::int16_t kOpeningSound = 101;
constexpr std::int16_t kClosingSound = 102;
constexpr int kChoiceBoth = 0;
constexpr int kChoiceLeft = 1;

std::int32_t roundedWidth(const ImageControl &c)
{
    return static_cast<std::int32_t>(std::lround(c.widthTwips()));
}

} // namespace

Doors::Doors(ImageControl &frontDoor, ImageControl &leftLeaf, ImageControl &rightLeaf,
             WavePlayer &sounds)
    : front_(frontDoor), left_(leftLeaf), right_(rightLeaf), sounds_(sounds)
{
}

void Doors::switchFrontDoor(bool open)
{
    if (open) {
        for (std::int32_t w = roundedWidth(front_); w >= kFrontOpenWidth; --w) {
            front_.setWidthTwips(static_cast<float>(w));
            doors::countTo(frontDelay_);
        }
    } else {
        // Closing always starts from fully open, whatever the width now.
        for (std::int32_t w = kFrontOpenWidth; w <= kFrontClosedWidth; ++w) {
            front_.setWidthTwips(static_cast<float>(w));
            doors::countTo(frontDelay_);
        }
    }
}

void Doors::switchCentreDoor(bool open)
{
    if (open) {
        sounds_.playToEnd(kOpeningSound);
        const Leaves which = chosenLeaves();
        const std::int32_t w0 = roundedWidth(which == Leaves::Right ? right_ : left_);
        for (std::int32_t w = w0; w >= kLeafOpenWidth; --w) {
            setCentreWidth(which, w);
            doors::countTo(centreDelay_);
        }
    } else {
        // The event pass inside may run a whole other movement; the leaves are chosen after it.
        sounds_.playInBackground(kClosingSound);
        const Leaves which = chosenLeaves();
        for (std::int32_t w = kLeafOpenWidth; w <= kLeafClosedWidth; ++w) {
            setCentreWidth(which, w);
            doors::countTo(centreDelay_);
        }
    }
}

Doors::Leaves Doors::chosenLeaves() const
{
    if (leafChoice_ == kChoiceBoth)
        return Leaves::Both;
    if (leafChoice_ == kChoiceLeft)
        return Leaves::Left;
    return Leaves::Right;
}

void Doors::setCentreWidth(Leaves which, std::int32_t w)
{
    const auto width = static_cast<float>(w);
    if (which != Leaves::Right)
        left_.setWidthTwips(width);
    if (which != Leaves::Left) {
        right_.setWidthTwips(width);
        right_.setLeftTwips(static_cast<float>(kRightPost - w));
    }
}
