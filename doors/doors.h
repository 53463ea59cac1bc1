#pragma once

// The front door and the centre-folding door of the bus. A door opens by narrowing its leaves
// one twip per step and closes by widening them again; between steps it waits by counting to
// the door's speed value. A movement runs to its end without handling events; each step is on
// screen before its wait because the leaves repaint synchronously.

#include <doors/doorpanel.h>
#include <doors/waveplayer.h>

class ImageControl;

class Doors {
public:
    Doors(ImageControl &frontDoor, ImageControl &leftLeaf, ImageControl &rightLeaf,
          const DoorPanel &panel, WavePlayer &sounds);

    // After the front door's switch was toggled: opens or closes Image1(2), silently.
    void switchFrontDoor();
    // After the centre door's switch was toggled: plays the opening sound to its end and then
    // opens, or starts the closing sound and closes, the leaves chosen on the panel.
    void switchCentreDoor();

private:
    enum class Leaves { Both, Left, Right };
    Leaves chosenLeaves() const;
    void setCentreWidth(Leaves which, std::int32_t w);
    void waitFront() const;
    void waitCentre() const;

    ImageControl &front_;
    ImageControl &left_;
    ImageControl &right_;
    const DoorPanel &panel_;
    WavePlayer &sounds_;
};
