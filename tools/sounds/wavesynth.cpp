#include <tools/sounds/wavesynth.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;
// Peak level of the finished sound, as a fraction of the 8-bit range.
constexpr double kPeak = 0.85;

// Opening chime: two bell-like strikes a major third apart, E5 then C5.
constexpr double kChimeHigh = 659.26;
constexpr double kChimeLow = 523.25;
constexpr double kChimeSecondAt = 0.18;
constexpr double kChimeAttack = 0.006;
constexpr double kChimeFadeOut = 0.06;

struct Partial {
    double ratio;
    double amplitude;
    double decay; // time constant, seconds
};
// Harmonic partials that die faster the higher they are: a soft vibraphone-like tone.
constexpr Partial kChimePartials[] = {
    {1.0, 1.0, 0.30}, {2.0, 0.45, 0.12}, {3.0, 0.18, 0.07}, {4.0, 0.10, 0.04}};

// Closing: three pulses of a warm buzzer, a soft thud of the door, then the air release.
constexpr double kBuzzerPitch = 370.0;
constexpr double kBuzzerPulseStarts[] = {0.00, 0.40, 0.80};
constexpr double kBuzzerPulseLength = 0.30;
constexpr double kBuzzerEdge = 0.008;
constexpr double kBuzzerLevel = 0.55;
constexpr int kBuzzerHarmonics = 9;
constexpr double kThudAt = 1.20;
constexpr double kThudPitch = 90.0;
constexpr double kThudDecay = 0.05;
constexpr double kThudLevel = 0.45;
constexpr double kAirAt = 1.24;
constexpr double kAirAttack = 0.015;
constexpr double kAirDecay = 0.22;
constexpr double kAirLevel = 1.1;
constexpr double kAirLowCut = 500.0;
constexpr double kAirHighCut = 2600.0;
constexpr double kClosingFadeOut = 0.10;
constexpr std::uint32_t kNoiseSeed = 0x50B3A;

constexpr std::uint16_t kPcm = 1;
constexpr std::uint16_t kChannels = 1;
constexpr std::uint16_t kBitsPerSample = 8;

// Deterministic white noise in [-1, 1).
class Noise {
public:
    explicit Noise(std::uint32_t seed) : state_(seed) {}
    double next()
    {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<double>(state_ >> 8) / 8388608.0 - 1.0;
    }

private:
    std::uint32_t state_;
};

double seconds(int n)
{
    return static_cast<double>(n) / wavesynth::kSampleRate;
}

// Raised-cosine ramp from 0 to 1 over `length` seconds.
double ramp(double t, double length)
{
    if (t <= 0)
        return 0;
    if (t >= length)
        return 1;
    return 0.5 - 0.5 * std::cos(kPi * t / length);
}

double strike(double t, double pitch)
{
    if (t < 0)
        return 0;
    double v = 0;
    for (const Partial &p : kChimePartials)
        v += p.amplitude * std::exp(-t / p.decay) * std::sin(2 * kPi * pitch * p.ratio * t);
    return v * ramp(t, kChimeAttack);
}

double buzzer(double t)
{
    double gate = 0;
    for (double start : kBuzzerPulseStarts) {
        const double u = t - start;
        if (u >= 0 && u < kBuzzerPulseLength)
            gate = ramp(u, kBuzzerEdge) * ramp(kBuzzerPulseLength - u, kBuzzerEdge);
    }
    if (gate == 0)
        return 0;
    // Odd harmonics falling faster than a square wave's: a buzzer with the edge taken off.
    double v = 0;
    for (int n = 1; n <= kBuzzerHarmonics; n += 2)
        v += std::sin(2 * kPi * kBuzzerPitch * n * t) / std::pow(n, 1.6);
    return kBuzzerLevel * gate * v;
}

double onePoleCoefficient(double cutoff)
{
    return 1.0 - std::exp(-2 * kPi * cutoff / wavesynth::kSampleRate);
}

// Scales to kPeak, fades the last `fadeOut` seconds and quantises to 8 bits with triangular
// dither where there is sound, so silence stays exactly 128.
std::vector<std::uint8_t> quantise(std::vector<double> x, double fadeOut)
{
    double peak = 0;
    for (double v : x)
        peak = std::max(peak, std::abs(v));
    const double gain = peak > 0 ? kPeak / peak : 0;
    Noise dither(kNoiseSeed ^ 0xD1u);
    std::vector<std::uint8_t> out(x.size());
    const int n = static_cast<int>(x.size());
    for (int i = 0; i < n; ++i) {
        const double v = x[i] * gain * ramp(seconds(n - 1 - i), fadeOut) * 127.0;
        const double d = std::abs(v) >= 0.5 ? 0.5 * (dither.next() + dither.next()) : 0.0;
        const long q = std::lround(128.0 + v + d);
        out[i] = static_cast<std::uint8_t>(std::clamp(q, 0L, 255L));
    }
    return out;
}

void put16(std::vector<std::uint8_t> &out, std::uint16_t v)
{
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(std::vector<std::uint8_t> &out, std::uint32_t v)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>((v >> shift) & 0xFF));
}

void putTag(std::vector<std::uint8_t> &out, const char (&tag)[5])
{
    // Byte by byte: GCC 12 at -O3 mistakes a four-byte insert here for an overflow.
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(tag[i]));
}

} // namespace

namespace wavesynth {

std::vector<std::uint8_t> openingChime()
{
    std::vector<double> x(kOpeningSamples);
    for (int i = 0; i < kOpeningSamples; ++i) {
        const double t = seconds(i);
        x[i] = strike(t, kChimeHigh) + strike(t - kChimeSecondAt, kChimeLow);
    }
    return quantise(std::move(x), kChimeFadeOut);
}

std::vector<std::uint8_t> closingBuzzerAndAir()
{
    std::vector<double> x(kClosingSamples);
    Noise noise(kNoiseSeed);
    const double low = onePoleCoefficient(kAirLowCut);
    const double high = onePoleCoefficient(kAirHighCut);
    double lowState = 0;
    double highState = 0;
    double highState2 = 0;
    for (int i = 0; i < kClosingSamples; ++i) {
        const double t = seconds(i);
        double v = buzzer(t);
        if (t >= kThudAt)
            v += kThudLevel * std::exp(-(t - kThudAt) / kThudDecay) *
                 std::sin(2 * kPi * kThudPitch * (t - kThudAt));
        // Band-passed noise: the hiss of air, without the harsh top or the rumble. Two poles at
        // the top keep it soft.
        const double white = noise.next();
        highState += high * (white - highState);
        highState2 += high * (highState - highState2);
        lowState += low * (highState2 - lowState);
        if (t >= kAirAt) {
            const double u = t - kAirAt;
            v += kAirLevel * ramp(u, kAirAttack) * std::exp(-u / kAirDecay) *
                 (highState2 - lowState);
        }
        x[i] = v;
    }
    return quantise(std::move(x), kClosingFadeOut);
}

std::vector<std::uint8_t> waveFile(const std::vector<std::uint8_t> &samples)
{
    const auto dataSize = static_cast<std::uint32_t>(samples.size());
    const std::uint32_t padded = dataSize + (dataSize & 1u);
    constexpr std::uint32_t kFmtSize = 16;
    constexpr std::uint32_t kFactSize = 4;
    const std::uint32_t riffSize = 4 + (8 + kFmtSize) + (8 + kFactSize) + (8 + padded);

    std::vector<std::uint8_t> out;
    out.reserve(riffSize + 8);
    putTag(out, "RIFF");
    put32(out, riffSize);
    putTag(out, "WAVE");

    putTag(out, "fmt ");
    put32(out, kFmtSize);
    put16(out, kPcm);
    put16(out, kChannels);
    put32(out, kSampleRate);
    put32(out, kSampleRate * kChannels * kBitsPerSample / 8);
    put16(out, kChannels * kBitsPerSample / 8);
    put16(out, kBitsPerSample);

    putTag(out, "fact");
    put32(out, kFactSize);
    put32(out, dataSize / kChannels);

    putTag(out, "data");
    put32(out, dataSize);
    out.insert(out.end(), samples.begin(), samples.end());
    if (padded != dataSize)
        out.push_back(0);
    return out;
}

} // namespace wavesynth
