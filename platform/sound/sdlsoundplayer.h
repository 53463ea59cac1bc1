#pragma once

// SoundPlayer over SDL's audio subsystem (no video, no signal handlers of SDL's own): one
// queue-mode output device. It is opened on a thread of its own, ahead of the first sound when
// prepare() is called, and opened again after it has been lost. Meant for one calling thread.

#include <platform/sound/soundplayer.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

class SdlSoundPlayer : public SoundPlayer {
public:
    SdlSoundPlayer();
    ~SdlSoundPlayer() override;
    SdlSoundPlayer(const SdlSoundPlayer &) = delete;
    SdlSoundPlayer &operator=(const SdlSoundPlayer &) = delete;

    void prepare() override;
    void stop() override;
    // A synchronous sound asked for while the device is still being opened waits for it at most
    // the sound's own length, an asynchronous one not at all; either goes unheard if the device
    // is not there by then. A lost device makes this sound silent and the next one open a new
    // device.
    void play(const QByteArray &waveImage, bool async) override;

    // Whether an output device is open now (false when the machine has none).
    bool hasDevice() const;
    // Bytes still waiting in the device's queue, in the device's format.
    std::uint32_t queuedBytes() const;

private:
    // Everything below `mutex_` is guarded by it. SDL itself is used by the opening thread
    // while `opening_` is set, and otherwise only under the lock.
    void startOpening();
    void open();
    void closeDevice();
    void waitUntilHeard(std::uint32_t queued);

    mutable std::mutex mutex_;
    std::condition_variable opened_;
    std::thread opener_;
    bool opening_ = false;
    bool initialised_ = false;
    std::uint32_t device_ = 0;
    // The format the device was opened with; everything queued is converted to it.
    int rate_ = 0;
    std::uint16_t format_ = 0;
    int channels_ = 0;
    int bufferFrames_ = 0;
    int bytesPerFrame_ = 0;
};
