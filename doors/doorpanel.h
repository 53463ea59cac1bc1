#pragma once

// What the doors read on the control panel. The panel owns these controls; the doors only look
// at their values, afresh each time they need one.

#include <cstdint>

class DoorPanel {
public:
    virtual ~DoorPanel() = default;
    // Door switches: 0 is unchecked (close the door), any other value checked (open it).
    virtual int Check1Value() const = 0;
    virtual int Check2Value() const = 0;
    // Door speeds: the wait count between two steps of the front and of the centre door.
    virtual std::int16_t HScroll1Value() const = 0;
    virtual std::int16_t HScroll2Value() const = 0;
    // Whether leafOptions_(index) is selected: 0 both centre leaves, 1 the left, 2 the right.
    virtual bool Option1Value(int index) const = 0;
};
