#pragma once

// The program's settings: one model, owned by the bus window, that the windows show and the
// settings file keeps.

#include <QString>

// The count a door waits between two of its steps, for the front and the centre door.
struct DoorDelays {
    int front;
    int centre;
};

// What the control panel shows before any settings are applied.
inline constexpr DoorDelays kStartDoorDelays{6000, 10000};

// What replaces the panel's settings when the settings file is lost or cannot be read. The delays
// differ from the start values on purpose: a delay display shows a number only once its bar's
// value changes, so only these make the displays show them after a recovery.
inline constexpr DoorDelays kRecoveredDoorDelays{10000, 6000};
inline constexpr int kRecoveredRollStep = 1;
inline constexpr int kRecoveredLeafChoice = 0;

// Fields in file order. Positions are twips as the windows hold them; the delays, steps and the
// leaf choice (0 both centre leaves, 1 the left, 2 the right) are the control panel's values.
// Positions aside, which are the windows' own, a default Settings is what the windows show before
// any settings are applied.
struct Settings {
    float busWindowLeft = 0;
    float busWindowTop = 0;
    float panelLeft = 0;
    float panelTop = 0;
    QString rollPath0;
    QString rollPath1;
    int rollStep0 = 0;
    int rollStep1 = 0;
    QString signboardPath;
    float signboardLeft = 0;
    float signboardTop = 0;
    bool signboardShown = true;
    bool frameShown = true;
    int frontDoorDelay = kStartDoorDelays.front;
    int centreDoorDelay = kStartDoorDelays.centre;
    int leafChoice = 0;

    bool operator==(const Settings &) const = default;
};
