#pragma once

// Plays the program's WAVE resources (":/WAVE/<id>") through a SoundPlayer. The resource last
// requested is kept in Common::soundBuffer, which is what the player reads.

#include <cstdint>

class SoundPlayer;

class WavePlayer {
public:
    explicit WavePlayer(SoundPlayer &player) : player_(player) {}

    // Plays the resource to its end, then returns. Handles no events meanwhile.
    void PlayWaveSync(std::int16_t ResId);
    // Starts the resource, handles the pending events once and returns while it plays on.
    void PlayWaveAsync(std::int16_t ResId);

private:
    void play(std::int16_t ResId, bool async);

    SoundPlayer &player_;
};
