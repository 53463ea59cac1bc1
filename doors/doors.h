#pragma once

// The front door and the centre-folding door of the bus. A door opens by narrowing its leaves
// one twip per step and closes by widening them again; between steps it waits by counting to
// the door's delay. A movement runs to its end without handling events, except the one event
// pass inside the closing sound; each step is on screen before its wait because the leaves
// repaint synchronously.

#include <doors/waveplayer.h>

#include <cstdint>

class ImageControl;

class Doors {
public:
    Doors(ImageControl &frontDoor, ImageControl &leftLeaf, ImageControl &rightLeaf,
          WavePlayer &sounds);

    // The control panel's values. A movement uses each from its next step, and the leaf choice
    // from its start, as given during the closing sound's event pass too.
    void setFrontDoorDelay(int delay) { frontDelay_ = delay; }
    void setCentreDoorDelay(int delay) { centreDelay_ = delay; }
    // 0 both centre leaves, 1 the left, 2 the right.
    void setLeafChoice(int choice) { leafChoice_ = choice; }

    // Opens or closes the front door, silently.
    void switchFrontDoor(bool open);
    // Plays the opening sound to its end and then opens, or starts the closing sound and closes,
    // the chosen leaves of the centre door.
    void switchCentreDoor(bool open);

private:
    enum class Leaves { Both, Left, Right };
    Leaves chosenLeaves() const;
    void setCentreWidth(Leaves which, std::int32_t w);

    ImageControl &front_;
    ImageControl &left_;
    ImageControl &right_;
    WavePlayer &sounds_;
    int frontDelay_ = 0;
    int centreDelay_ = 0;
    int leafChoice_ = 0;
};
