#include <platform/sound/sdlsoundplayer.h>

#define SDL_MAIN_HANDLED
#include <SDL.h>

#include <QtEndian>
#include <chrono>
#include <climits>
#include <cstring>
#include <dlfcn.h>
#include <thread>
#include <vector>

namespace {

// SDL is loaded at the first sound rather than linked: it brings some thirty libraries of sound
// servers and codecs with it, which would otherwise load (and take memory) at every start.
constexpr char kSdlLibrary[] = "libSDL2-2.0.so.0";

#define SOLBENA_SDL_FUNCTIONS(X)                                                                  \
    X(SDL_SetMainReady)                                                                           \
    X(SDL_SetHint)                                                                                \
    X(SDL_InitSubSystem)                                                                          \
    X(SDL_QuitSubSystem)                                                                          \
    X(SDL_GetCurrentAudioDriver)                                                                  \
    X(SDL_OpenAudioDevice)                                                                        \
    X(SDL_CloseAudioDevice)                                                                       \
    X(SDL_PauseAudioDevice)                                                                       \
    X(SDL_GetAudioDeviceStatus)                                                                   \
    X(SDL_GetQueuedAudioSize)                                                                     \
    X(SDL_ClearQueuedAudio)                                                                       \
    X(SDL_QueueAudio)                                                                             \
    X(SDL_RWFromConstMem)                                                                         \
    X(SDL_LoadWAV_RW)                                                                             \
    X(SDL_FreeWAV)                                                                                \
    X(SDL_BuildAudioCVT)                                                                          \
    X(SDL_ConvertAudio)

struct SdlApi {
#define SOLBENA_SDL_POINTER(name) decltype(&::name) name = nullptr;
    SOLBENA_SDL_FUNCTIONS(SOLBENA_SDL_POINTER)
#undef SOLBENA_SDL_POINTER
};

// The loaded library's functions, or nullptr when SDL cannot be loaded (then there is no sound).
const SdlApi *sdl()
{
    static const SdlApi *api = [] () -> const SdlApi * {
        void *library = dlopen(kSdlLibrary, RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr)
            return nullptr;
        static SdlApi loaded;
#define SOLBENA_SDL_RESOLVE(name)                                                                 \
    loaded.name = reinterpret_cast<decltype(&::name)>(dlsym(library, #name));                     \
    if (loaded.name == nullptr)                                                                   \
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
constexpr int kBufferFrames = 512;
// How often a synchronous play looks at the queue.
constexpr auto kPollInterval = std::chrono::milliseconds(2);
// A synchronous play gives up this long after the sound should have ended, whatever the device
// says: a stuck device must not hang the program.
constexpr auto kDrainGrace = std::chrono::seconds(1);

// Whether every chunk of a RIFF WAVE image lies inside it. SDL allocates whatever size a chunk
// header claims before it finds the bytes missing, so a damaged header is turned away here.
bool chunksFit(const QByteArray &wave)
{
    if (wave.size() < 12 || !wave.startsWith("RIFF") || wave.mid(8, 4) != "WAVE")
        return false;
    qsizetype at = 12;
    while (wave.size() - at >= 8) {
        const auto length = qFromLittleEndian<quint32>(wave.constData() + at + 4);
        if (length > static_cast<quint64>(wave.size() - at - 8))
            return false;
        at += 8 + static_cast<qsizetype>(length) + (length & 1);
    }
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
    if (device_ != 0)
        sdl()->SDL_CloseAudioDevice(device_);
    if (initialised_)
        sdl()->SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

std::uint32_t SdlSoundPlayer::queuedBytes() const
{
    return device_ != 0 ? sdl()->SDL_GetQueuedAudioSize(device_) : 0;
}

void SdlSoundPlayer::stop()
{
    if (device_ != 0)
        sdl()->SDL_ClearQueuedAudio(device_);
}

bool SdlSoundPlayer::ensureDevice()
{
    // The audio system is brought up at the first sound, not at start-up: it loads the sound
    // server's libraries and probes devices, which a start without doors need not wait for.
    if (!initTried_) {
        initTried_ = true;
        if (sdl() == nullptr)
            return false;
        sdl()->SDL_SetMainReady();
        // The program handles Ctrl-C and SIGTERM itself.
        sdl()->SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        initialised_ = sdl()->SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
        if (initialised_)
            silenceAlsa();
    }
    if (!initialised_)
        return false;
    // A device that was unplugged or whose server went away reports itself stopped; open a
    // fresh one rather than queueing into a dead one.
    if (device_ != 0 && sdl()->SDL_GetAudioDeviceStatus(device_) == SDL_AUDIO_STOPPED) {
        sdl()->SDL_CloseAudioDevice(device_);
        device_ = 0;
    }
    if (device_ != 0)
        return true;

    SDL_AudioSpec want{};
    want.freq = kRate;
    want.format = kFormat;
    want.channels = kChannels;
    want.samples = kBufferFrames;
    SDL_AudioSpec have{};
    const SDL_AudioDeviceID id = sdl()->SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (id == 0)
        return false;
    device_ = id;
    rate_ = have.freq;
    format_ = have.format;
    channels_ = have.channels;
    bufferFrames_ = have.samples;
    bytesPerFrame_ = static_cast<int>(SDL_AUDIO_BITSIZE(have.format) / 8) * have.channels;
    sdl()->SDL_PauseAudioDevice(device_, 0);
    return true;
}

void SdlSoundPlayer::play(const QByteArray &waveImage, bool async)
{
    stop();
    if (waveImage.size() > INT_MAX || !chunksFit(waveImage) || !ensureDevice())
        return;

    SDL_RWops *rw = sdl()->SDL_RWFromConstMem(waveImage.constData(), static_cast<int>(waveImage.size()));
    if (rw == nullptr)
        return;
    SDL_AudioSpec spec{};
    Uint8 *samples = nullptr;
    Uint32 length = 0;
    if (sdl()->SDL_LoadWAV_RW(rw, 1, &spec, &samples, &length) == nullptr)
        return;

    SDL_AudioCVT cvt{};
    const int needed = sdl()->SDL_BuildAudioCVT(&cvt, spec.format, spec.channels, spec.freq,
                                         static_cast<SDL_AudioFormat>(format_),
                                         static_cast<Uint8>(channels_), rate_);
    Uint32 queued = 0;
    if (needed == 0) {
        if (sdl()->SDL_QueueAudio(device_, samples, length) == 0)
            queued = length;
    } else if (needed > 0) {
        std::vector<Uint8> work(static_cast<std::size_t>(length) * cvt.len_mult);
        std::memcpy(work.data(), samples, length);
        cvt.buf = work.data();
        cvt.len = static_cast<int>(length);
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
        if (sdl()->SDL_GetAudioDeviceStatus(device_) != SDL_AUDIO_PLAYING || Clock::now() >= deadline)
            return;
        std::this_thread::sleep_for(kPollInterval);
    }
    // The queue is empty once the last buffer has gone to the device; let that buffer be heard.
    std::this_thread::sleep_for(std::chrono::duration<double>(static_cast<double>(bufferFrames_) /
                                                              static_cast<double>(rate_)));
}
