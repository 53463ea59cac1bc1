#include <platform/sound/sdlsoundplayer.h>

#define SDL_MAIN_HANDLED
#include <SDL.h>

#include <QtEndian>
#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <thread>
#include <vector>

namespace {

// SDL is loaded at the first sound rather than linked: it brings some thirty libraries of sound
// servers and codecs with it, which would otherwise load (and take memory) at every start.
constexpr char kSdlLibrary[] = "libSDL2-2.0.so.0";

#define SOLBENA_SDL_FUNCTIONS(X)                                                                   \
    X(SDL_SetMainReady)                                                                            \
    X(SDL_SetHint)                                                                                 \
    X(SDL_InitSubSystem)                                                                           \
    X(SDL_QuitSubSystem)                                                                           \
    X(SDL_GetCurrentAudioDriver)                                                                   \
    X(SDL_OpenAudioDevice)                                                                         \
    X(SDL_CloseAudioDevice)                                                                        \
    X(SDL_PauseAudioDevice)                                                                        \
    X(SDL_GetAudioDeviceStatus)                                                                    \
    X(SDL_GetQueuedAudioSize)                                                                      \
    X(SDL_ClearQueuedAudio)                                                                        \
    X(SDL_QueueAudio)                                                                              \
    X(SDL_RWFromConstMem)                                                                          \
    X(SDL_LoadWAV_RW)                                                                              \
    X(SDL_FreeWAV)                                                                                 \
    X(SDL_BuildAudioCVT)                                                                           \
    X(SDL_ConvertAudio)

struct SdlApi {
#define SOLBENA_SDL_POINTER(name) decltype(&::name) name = nullptr;
    SOLBENA_SDL_FUNCTIONS(SOLBENA_SDL_POINTER)
#undef SOLBENA_SDL_POINTER
};

// The loaded library's functions, or nullptr when SDL cannot be loaded (then there is no sound).
const SdlApi *sdl()
{
    static const SdlApi *api = []() -> const SdlApi * {
        void *library = dlopen(kSdlLibrary, RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr)
            return nullptr;
        static SdlApi loaded;
#define SOLBENA_SDL_RESOLVE(name)                                                                  \
    loaded.name = reinterpret_cast<decltype(&::name)>(dlsym(library, #name));                      \
    if (loaded.name == nullptr)                                                                    \
        return nullptr;
        SOLBENA_SDL_FUNCTIONS(SOLBENA_SDL_RESOLVE)
#undef SOLBENA_SDL_RESOLVE
        return &loaded;
    }();
    return api;
}

// The door sounds are 22,050 Hz, 8-bit mono: open the device so, and let SDL adapt the hardware.
constexpr int kRate = 22050;
constexpr SDL_AudioFormat kFormat = AUDIO_U8;
constexpr int kChannels = 1;
// Small enough that a sound reaches a sound server well within 50 ms of its request.
constexpr int kBufferFrames = 256;
// What the desktop's mixer shows for the stream.
constexpr char kAppName[] = "ソルベナ";
constexpr char kStreamName[] = "中扉";
// How often a synchronous play looks at the queue.
constexpr auto kPollInterval = std::chrono::milliseconds(2);
// A synchronous play returns at the latest this long after its sound would have ended had it
// started at the call. The door waits for the chime, and a server may start a new stream late:
// an idle null sink renders up to two seconds ahead and cannot take that back for a stream that
// asks for little latency, so the first sound on it waits behind that much silence.
constexpr auto kHeardGrace = std::chrono::milliseconds(50);
// How long the device stays open after the last sound: long enough for a door's two sounds, short
// enough that an idle program soon holds no stream and no thread of SDL's.
constexpr auto kIdleClose = std::chrono::seconds(3);

// Whether every chunk of a RIFF WAVE image lies inside it. SDL allocates whatever size a chunk
// header claims before it finds the bytes missing, so a damaged header is turned away here.
// Also tells how long the sound lasts, from "fmt "'s byte rate and "data"'s size.
bool chunksFit(const QByteArray &wave, std::chrono::duration<double> *length)
{
    if (wave.size() < 12 || !wave.startsWith("RIFF") || wave.mid(8, 4) != "WAVE")
        return false;
    quint32 byteRate = 0;
    quint32 dataBytes = 0;
    qsizetype at = 12;
    while (wave.size() - at >= 8) {
        const auto size = qFromLittleEndian<quint32>(wave.constData() + at + 4);
        if (size > static_cast<quint64>(wave.size() - at - 8))
            return false;
        constexpr qsizetype kByteRateAt = 8 + 8;
        if (wave.mid(at, 4) == "fmt " && size >= 12)
            byteRate = qFromLittleEndian<quint32>(wave.constData() + at + kByteRateAt);
        else if (wave.mid(at, 4) == "data")
            dataBytes = size;
        at += 8 + static_cast<qsizetype>(size) + (size & 1);
    }
    *length = std::chrono::duration<double>(byteRate > 0 ? double(dataBytes) / byteRate : 0.0);
    return true;
}

void ignoreAlsaError(const char *, int, const char *, int, const char *, ...) {}

// Without a sound card ALSA writes a dozen lines to stderr each time a device is tried. Sound
// that cannot be played is not worth a word, so when SDL has loaded ALSA, its messages go.
void silenceAlsa()
{
    const char *driver = sdl()->SDL_GetCurrentAudioDriver();
    if (driver == nullptr || std::strcmp(driver, "alsa") != 0)
        return;
    void *alsa = dlopen("libasound.so.2", RTLD_LAZY | RTLD_NOLOAD);
    if (alsa == nullptr)
        return;
    using Handler = void (*)(const char *, int, const char *, int, const char *, ...);
    if (auto set = reinterpret_cast<int (*)(Handler)>(dlsym(alsa, "snd_lib_error_set_handler")))
        set(&ignoreAlsaError);
    dlclose(alsa);
}

} // namespace

SdlSoundPlayer::SdlSoundPlayer()
    : SdlSoundPlayer(std::chrono::duration_cast<std::chrono::milliseconds>(kIdleClose))
{
}

SdlSoundPlayer::SdlSoundPlayer(std::chrono::milliseconds idleClose) : idleClose_(idleClose) {}

SdlSoundPlayer::~SdlSoundPlayer()
{
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
        pending_.clear();
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void SdlSoundPlayer::stop()
{
    std::lock_guard lock(mutex_);
    pending_.clear();
    if (device_ != 0)
        sdl()->SDL_ClearQueuedAudio(device_);
}

void SdlSoundPlayer::prepare()
{
    std::lock_guard lock(mutex_);
    if (device_ == 0) {
        wantDevice_ = true;
        wakeDeviceThread();
    }
}

// Under the lock.
void SdlSoundPlayer::wakeDeviceThread()
{
    if (!thread_.joinable())
        thread_ = std::thread([this] { run(); });
    wake_.notify_all();
}

void SdlSoundPlayer::run()
{
    std::unique_lock lock(mutex_);
    while (true) {
        if (lost_ != 0) {
            const std::uint32_t id = lost_;
            lost_ = 0;
            lock.unlock();
            sdl()->SDL_CloseAudioDevice(id);
            lock.lock();
            // Start the audio subsystem afresh as well, so that the next attempt looks for a
            // sound server as at start and finds one that has come (back) since.
            fresh_ = true;
            settled_.notify_all();
            continue;
        }
        if (quit_)
            break;
        if (wantDevice_ && device_ == 0) {
            const bool fresh = fresh_;
            fresh_ = false;
            lock.unlock();
            const std::uint32_t id = openDevice(fresh);
            lock.lock();
            wantDevice_ = false;
            device_ = id;
            if (!pending_.isEmpty() && id != 0 && Clock::now() < pendingDue_)
                queue(pending_);
            pending_.clear();
            quietFrom_ = std::max(quietFrom_, Clock::now());
            settled_.notify_all();
            continue;
        }
        if (device_ == 0) {
            wake_.wait(lock);
            continue;
        }
        const auto closeAt = quietFrom_ + idleClose_;
        if (Clock::now() < closeAt) {
            wake_.wait_until(lock, closeAt);
            continue;
        }
        // A sound the server has not taken yet (it may start streams late) is let finish.
        if (sdl()->SDL_GetQueuedAudioSize(device_) > 0) {
            quietFrom_ = Clock::now();
            continue;
        }
        const std::uint32_t id = device_;
        device_ = 0;
        lock.unlock();
        sdl()->SDL_CloseAudioDevice(id);
        if (pollsForDevices_)
            stopSubsystem();
        lock.lock();
        settled_.notify_all();
    }
    if (device_ != 0)
        sdl()->SDL_CloseAudioDevice(device_);
    device_ = 0;
    stopSubsystem();
}

// On the device thread, without the lock. Opening a device on a server takes long enough to hold
// up a door, and the first one also loads SDL and through it the sound server's libraries.
std::uint32_t SdlSoundPlayer::openDevice(bool fresh)
{
    if (fresh)
        stopSubsystem();
    // A server that went away while the device was closed leaves the subsystem unable to open
    // one, and one that came since is only found by starting it afresh: try once more so.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const bool wasReady = initialised_;
        if (!initialised_)
            startSubsystem();
        if (!initialised_)
            return 0;
        SDL_AudioSpec want{};
        want.freq = kRate;
        want.format = kFormat;
        want.channels = kChannels;
        want.samples = kBufferFrames;
        SDL_AudioSpec have{};
        const SDL_AudioDeviceID id = sdl()->SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (id != 0) {
            sdl()->SDL_PauseAudioDevice(id, 0);
            std::lock_guard lock(mutex_);
            rate_ = have.freq;
            format_ = have.format;
            channels_ = have.channels;
            bufferFrames_ = have.samples;
            bytesPerFrame_ = static_cast<int>(SDL_AUDIO_BITSIZE(have.format) / 8) * have.channels;
            return id;
        }
        // Nothing is kept running for a device that is not there.
        stopSubsystem();
        if (!wasReady)
            break;
    }
    return 0;
}

void SdlSoundPlayer::startSubsystem()
{
    if (sdl() == nullptr)
        return;
    sdl()->SDL_SetMainReady();
    // The program handles Ctrl-C and SIGTERM itself.
    sdl()->SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    sdl()->SDL_SetHint(SDL_HINT_APP_NAME, kAppName);
    sdl()->SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, kStreamName);
    initialised_ = sdl()->SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    if (!initialised_)
        return;
    silenceAlsa();
    // SDL's ALSA driver looks for new cards several times a second for as long as it runs; the
    // sound servers' drivers only wait for the server's word.
    const char *driver = sdl()->SDL_GetCurrentAudioDriver();
    pollsForDevices_ = driver != nullptr && std::strcmp(driver, "alsa") == 0;
}

void SdlSoundPlayer::stopSubsystem()
{
    if (initialised_)
        sdl()->SDL_QuitSubSystem(SDL_INIT_AUDIO);
    initialised_ = false;
    pollsForDevices_ = false;
}

// Under the lock, with a device. Stops whatever plays and queues `waveImage` in the device's
// format; false when nothing could be queued.
bool SdlSoundPlayer::queue(const QByteArray &waveImage)
{
    sdl()->SDL_ClearQueuedAudio(device_);
    SDL_RWops *rw =
        sdl()->SDL_RWFromConstMem(waveImage.constData(), static_cast<int>(waveImage.size()));
    if (rw == nullptr)
        return false;
    SDL_AudioSpec spec{};
    Uint8 *samples = nullptr;
    Uint32 bytes = 0;
    if (sdl()->SDL_LoadWAV_RW(rw, 1, &spec, &samples, &bytes) == nullptr)
        return false;

    SDL_AudioCVT cvt{};
    const int needed = sdl()->SDL_BuildAudioCVT(&cvt, spec.format, spec.channels, spec.freq,
                                                static_cast<SDL_AudioFormat>(format_),
                                                static_cast<Uint8>(channels_), rate_);
    bool queued = false;
    if (needed == 0) {
        queued = sdl()->SDL_QueueAudio(device_, samples, bytes) == 0;
    } else if (needed > 0) {
        std::vector<Uint8> work(static_cast<std::size_t>(bytes) * cvt.len_mult);
        std::memcpy(work.data(), samples, bytes);
        cvt.buf = work.data();
        cvt.len = static_cast<int>(bytes);
        queued = sdl()->SDL_ConvertAudio(&cvt) == 0 &&
                 sdl()->SDL_QueueAudio(device_, work.data(), static_cast<Uint32>(cvt.len_cvt)) == 0;
    }
    sdl()->SDL_FreeWAV(samples);
    return queued;
}

void SdlSoundPlayer::play(const QByteArray &waveImage, bool async)
{
    const auto requested = Clock::now();
    std::unique_lock lock(mutex_);
    pending_.clear();
    if (device_ != 0)
        sdl()->SDL_ClearQueuedAudio(device_);
    std::chrono::duration<double> seconds{};
    if (waveImage.size() > INT_MAX || !chunksFit(waveImage, &seconds))
        return;
    const auto length = std::chrono::duration_cast<Clock::duration>(seconds);
    quietFrom_ = std::max(quietFrom_, requested + length);

    // A device that was unplugged or whose server went away reports itself stopped. This sound
    // goes unheard rather than wait for a new device; the next one gets it.
    if (device_ != 0 && sdl()->SDL_GetAudioDeviceStatus(device_) == SDL_AUDIO_STOPPED) {
        std::fputs("The sound device was lost; the doors go on silently until it is back.\n",
                   stderr);
        lost_ = device_;
        device_ = 0;
        wantDevice_ = true;
        wakeDeviceThread();
        return;
    }
    if (device_ != 0) {
        if (!queue(waveImage) || async)
            return;
    } else {
        // The device thread starts the sound once it has a device. A synchronous sound waits
        // for that no longer than the sound would have lasted.
        pending_ = waveImage;
        pendingDue_ = requested + length;
        wantDevice_ = true;
        wakeDeviceThread();
        if (async ||
            !settled_.wait_until(lock, pendingDue_, [this] { return pending_.isEmpty(); }) ||
            device_ == 0)
            return;
    }
    waitUntilHeard(lock, requested + length + kHeardGrace);
}

void SdlSoundPlayer::waitUntilHeard(std::unique_lock<std::mutex> &lock, Clock::time_point deadline)
{
    while (device_ != 0 && sdl()->SDL_GetQueuedAudioSize(device_) > 0) {
        if (sdl()->SDL_GetAudioDeviceStatus(device_) != SDL_AUDIO_PLAYING ||
            Clock::now() >= deadline)
            return;
        lock.unlock();
        std::this_thread::sleep_for(kPollInterval);
        lock.lock();
    }
    if (device_ == 0)
        return;
    // The queue is empty once the last buffer has gone to the device; let that buffer be heard.
    const auto lastBuffer =
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
            static_cast<double>(bufferFrames_) / static_cast<double>(rate_)));
    lock.unlock();
    std::this_thread::sleep_until(std::min(Clock::now() + lastBuffer, deadline));
    lock.lock();
}
