#include <platform/sound/sdlsoundplayer.h>

#define SDL_MAIN_HANDLED
#include <SDL.h>

#include <QtEndian>
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
// A synchronous play gives up this long after the sound should have ended, whatever the device
// says: a stuck device must not hang the program.
constexpr auto kDrainGrace = std::chrono::seconds(1);

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

SdlSoundPlayer::SdlSoundPlayer() = default;

SdlSoundPlayer::~SdlSoundPlayer()
{
    if (opener_.joinable())
        opener_.join();
    std::lock_guard lock(mutex_);
    closeDevice();
}

bool SdlSoundPlayer::hasDevice() const
{
    std::lock_guard lock(mutex_);
    return device_ != 0;
}

std::uint32_t SdlSoundPlayer::queuedBytes() const
{
    std::lock_guard lock(mutex_);
    return device_ != 0 ? sdl()->SDL_GetQueuedAudioSize(device_) : 0;
}

void SdlSoundPlayer::stop()
{
    std::lock_guard lock(mutex_);
    if (device_ != 0)
        sdl()->SDL_ClearQueuedAudio(device_);
}

void SdlSoundPlayer::prepare()
{
    std::lock_guard lock(mutex_);
    if (device_ == 0 && !opening_)
        startOpening();
}

void SdlSoundPlayer::startOpening()
{
    // The thread before has published its result and is ending.
    if (opener_.joinable())
        opener_.join();
    opening_ = true;
    opener_ = std::thread([this] { open(); });
}

// Runs on the opening thread. Loading SDL (and through it the sound server's libraries) and
// opening a device on a server take long enough to hold up a door, so it is done here.
void SdlSoundPlayer::open()
{
    bool initialised = initialised_;
    if (!initialised && sdl() != nullptr) {
        sdl()->SDL_SetMainReady();
        // The program handles Ctrl-C and SIGTERM itself.
        sdl()->SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        sdl()->SDL_SetHint(SDL_HINT_APP_NAME, kAppName);
        sdl()->SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, kStreamName);
        initialised = sdl()->SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
        if (initialised)
            silenceAlsa();
    }
    SDL_AudioSpec have{};
    SDL_AudioDeviceID id = 0;
    if (initialised) {
        SDL_AudioSpec want{};
        want.freq = kRate;
        want.format = kFormat;
        want.channels = kChannels;
        want.samples = kBufferFrames;
        id = sdl()->SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (id != 0)
            sdl()->SDL_PauseAudioDevice(id, 0);
    }

    std::lock_guard lock(mutex_);
    initialised_ = initialised;
    device_ = id;
    rate_ = have.freq;
    format_ = have.format;
    channels_ = have.channels;
    bufferFrames_ = have.samples;
    bytesPerFrame_ = static_cast<int>(SDL_AUDIO_BITSIZE(have.format) / 8) * have.channels;
    opening_ = false;
    opened_.notify_all();
}

void SdlSoundPlayer::closeDevice()
{
    if (device_ != 0)
        sdl()->SDL_CloseAudioDevice(device_);
    device_ = 0;
    // Start the audio subsystem afresh as well, so that the next attempt looks for a sound
    // server as at start and finds one that has come (back) since.
    if (initialised_)
        sdl()->SDL_QuitSubSystem(SDL_INIT_AUDIO);
    initialised_ = false;
}

void SdlSoundPlayer::play(const QByteArray &waveImage, bool async)
{
    std::unique_lock lock(mutex_);
    if (device_ != 0)
        sdl()->SDL_ClearQueuedAudio(device_);
    std::chrono::duration<double> length{};
    if (waveImage.size() > INT_MAX || !chunksFit(waveImage, &length))
        return;

    // A device that was unplugged or whose server went away reports itself stopped. This sound
    // goes unheard rather than wait for a new device; the next one gets it.
    if (device_ != 0 && sdl()->SDL_GetAudioDeviceStatus(device_) == SDL_AUDIO_STOPPED) {
        std::fputs("The sound device was lost; the doors go on silently until it is back.\n",
                   stderr);
        closeDevice();
        startOpening();
        return;
    }
    // A device not open yet is waited for as long as the door waits for a synchronous sound
    // anyway; a sound that plays along with a moving door does not hold it.
    if (device_ == 0) {
        if (!opening_)
            startOpening();
        if (async || !opened_.wait_for(lock, length, [this] { return !opening_; }) || device_ == 0)
            return;
    }

    SDL_RWops *rw =
        sdl()->SDL_RWFromConstMem(waveImage.constData(), static_cast<int>(waveImage.size()));
    if (rw == nullptr)
        return;
    SDL_AudioSpec spec{};
    Uint8 *samples = nullptr;
    Uint32 bytes = 0;
    if (sdl()->SDL_LoadWAV_RW(rw, 1, &spec, &samples, &bytes) == nullptr)
        return;

    SDL_AudioCVT cvt{};
    const int needed = sdl()->SDL_BuildAudioCVT(&cvt, spec.format, spec.channels, spec.freq,
                                                static_cast<SDL_AudioFormat>(format_),
                                                static_cast<Uint8>(channels_), rate_);
    Uint32 queued = 0;
    if (needed == 0) {
        if (sdl()->SDL_QueueAudio(device_, samples, bytes) == 0)
            queued = bytes;
    } else if (needed > 0) {
        std::vector<Uint8> work(static_cast<std::size_t>(bytes) * cvt.len_mult);
        std::memcpy(work.data(), samples, bytes);
        cvt.buf = work.data();
        cvt.len = static_cast<int>(bytes);
        if (sdl()->SDL_ConvertAudio(&cvt) == 0 &&
            sdl()->SDL_QueueAudio(device_, work.data(), static_cast<Uint32>(cvt.len_cvt)) == 0)
            queued = static_cast<Uint32>(cvt.len_cvt);
    }
    sdl()->SDL_FreeWAV(samples);

    if (!async && queued > 0)
        waitUntilHeard(queued);
}

void SdlSoundPlayer::waitUntilHeard(std::uint32_t queued)
{
    using Clock = std::chrono::steady_clock;
    const auto bytesPerSecond = static_cast<double>(rate_) * bytesPerFrame_;
    const auto length = std::chrono::duration<double>(queued / bytesPerSecond);
    const auto deadline =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(length) + kDrainGrace;
    while (sdl()->SDL_GetQueuedAudioSize(device_) > 0) {
        if (sdl()->SDL_GetAudioDeviceStatus(device_) != SDL_AUDIO_PLAYING ||
            Clock::now() >= deadline)
            return;
        std::this_thread::sleep_for(kPollInterval);
    }
    // The queue is empty once the last buffer has gone to the device; let that buffer be heard.
    std::this_thread::sleep_for(std::chrono::duration<double>(static_cast<double>(bufferFrames_) /
                                                              static_cast<double>(rate_)));
}
