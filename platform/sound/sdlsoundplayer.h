#pragma once

// SoundPlayer over SDL's audio subsystem (no video, no signal handlers of SDL's own): one
// queue-mode output device, opened on first use and again after it has been lost.

#include <platform/sound/soundplayer.h>

#include <cstdint>

class SdlSoundPlayer : public SoundPlayer {
public:
    SdlSoundPlayer();
    ~SdlSoundPlayer() override;
    SdlSoundPlayer(const SdlSoundPlayer &) = delete;
    SdlSoundPlayer &operator=(const SdlSoundPlayer &) = delete;

    void stop() override;
    void play(const QByteArray &waveImage, bool async) override;

    // Whether an output device is open now (false when the machine has none).
    bool hasDevice() const { return device_ != 0; }
    // Bytes still waiting in the device's queue, in the device's format.
    std::uint32_t queuedBytes() const;

private:
    bool ensureDevice();
    void waitUntilHeard(std::uint32_t queued);

    bool initTried_ = false;
    bool initialised_ = false;
    std::uint32_t device_ = 0;
    // The format the device was opened with; everything queued is converted to it.
    int rate_ = 0;
    std::uint16_t format_ = 0;
    int channels_ = 0;
    int bufferFrames_ = 0;
    int bytesPerFrame_ = 0;
};
