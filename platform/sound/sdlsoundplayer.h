#pragma once

// SoundPlayer over SDL's audio subsystem (no video, no signal handlers of SDL's own): one
// queue-mode output device, opened and closed by a thread of its own. prepare() opens it ahead of
// the first sound. Once no sound has played for a while the device is closed, so that an idle
// program neither wakes nor holds a stream on the sound server; SDL stays loaded and its audio
// subsystem ready, so the next sound only opens a device again. Meant for one calling thread.

#include <platform/sound/soundplayer.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

class SdlSoundPlayer : public SoundPlayer {
public:
    SdlSoundPlayer();
    // `idleClose`: how long the device stays open after the last sound has ended.
    explicit SdlSoundPlayer(std::chrono::milliseconds idleClose);
    ~SdlSoundPlayer() override;
    SdlSoundPlayer(const SdlSoundPlayer &) = delete;
    SdlSoundPlayer &operator=(const SdlSoundPlayer &) = delete;

    void prepare() override;
    void stop() override;
    // A sound asked for while there is no device starts as soon as one is open, unless that takes
    // longer than the sound itself. A synchronous sound returns at the latest shortly after its own
    // length from the call, whatever the device does. A lost device makes this sound silent and
    // the next one open a new device.
    void play(const QByteArray &waveImage, bool async) override;

private:
    using Clock = std::chrono::steady_clock;

    // The device thread: opens, closes and loses devices. Everything below `mutex_` is guarded by
    // it. SDL is used by the device thread while there is no device (`device_` is 0 while one is
    // being opened or closed), and otherwise only under the lock.
    void run();
    std::uint32_t openDevice(bool fresh);
    void startSubsystem();
    void stopSubsystem();
    void wakeDeviceThread();
    bool queue(const QByteArray &waveImage);
    void waitUntilHeard(std::unique_lock<std::mutex> &lock, Clock::time_point deadline);

    const std::chrono::milliseconds idleClose_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable settled_;
    std::thread thread_;
    bool quit_ = false;
    bool wantDevice_ = false;
    // A device found lost, for the device thread to close; the subsystem then starts afresh.
    std::uint32_t lost_ = 0;
    bool fresh_ = false;
    std::uint32_t device_ = 0;
    // When the last sound ends: the idle time counts from here.
    Clock::time_point quietFrom_{};
    // A sound waiting for a device, and until when it is still worth starting. A copy: the
    // caller's bytes may be gone before the device is (a sound asked for as the program ends).
    QByteArray pending_;
    Clock::time_point pendingDue_{};
    // The format the device was opened with; everything queued is converted to it.
    int rate_ = 0;
    std::uint16_t format_ = 0;
    int channels_ = 0;
    int bufferFrames_ = 0;
    int bytesPerFrame_ = 0;
    // Owned by the device thread.
    bool initialised_ = false;
    bool pollsForDevices_ = false;
};
