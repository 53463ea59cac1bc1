#pragma once

// Plays the program's WAVE resources (":/WAVE/<id>") through a SoundPlayer. The resource last
// requested is kept here, and the player reads it while it plays.

#include <QByteArray>
#include <cstdint>

class SoundPlayer;

class WavePlayer {
public:
    explicit WavePlayer(SoundPlayer &player) : player_(player) {}

    // Plays the resource to its end, then returns. Handles no events meanwhile.
    void playToEnd(std::int16_t ResId);
    // Starts the resource, handles the pending events once and returns while it plays on.
    void playInBackground(std::int16_t ResId);

private:
    void play(std::int16_t ResId, bool async);

    SoundPlayer &player_;
    // Only replaced after the sound playing from it has been stopped.
    QByteArray buffer_;
};
