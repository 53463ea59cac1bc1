#pragma once

// Plays one WAVE image (a whole RIFF WAVE file held in memory) at a time.

#include <QByteArray>

class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    // Gets the output ready ahead of the first sound, without blocking the caller.
    virtual void prepare() = 0;
    // Stops whatever is playing. Afterwards the player reads no earlier wave image any more, so
    // its bytes may be released.
    virtual void stop() = 0;
    // Stops any earlier sound, then plays `waveImage`. Asynchronous: returns at once, and the
    // bytes must stay valid until stop() or the next play() has returned. Synchronous: returns
    // when the sound has been heard to its end. A sound that cannot be played (no device, bad
    // data) is silently skipped and a synchronous call then returns at once.
    virtual void play(const QByteArray &waveImage, bool async) = 0;
};
