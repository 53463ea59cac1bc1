#pragma once

// The two door sounds, synthesised. Everything is computed from fixed constants and a fixed
// noise seed, so the same program always writes the same bytes.

#include <cstdint>
#include <vector>

namespace wavesynth {

inline constexpr int kSampleRate = 22050;
// 12,193 samples: about 0.55 s.
inline constexpr int kOpeningSamples = 12193;
// Exactly 2.0 s.
inline constexpr int kClosingSamples = 44100;

// 8-bit unsigned mono samples, 128 is silence.
std::vector<std::uint8_t> openingChime();
std::vector<std::uint8_t> closingBuzzerAndAir();

// A complete RIFF WAVE file: PCM, 1 channel, kSampleRate, 8 bits, with "fmt ", "fact" and
// "data" chunks; an odd data chunk gets its pad byte.
std::vector<std::uint8_t> waveFile(const std::vector<std::uint8_t> &samples);

} // namespace wavesynth
