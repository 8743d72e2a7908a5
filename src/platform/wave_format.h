#pragma once

#include <cstdint>

namespace tazmel {

inline constexpr std::uint16_t kWaveFormatPcm = 1;

// The 18-byte PCM format record of a WAV file (WAVEFORMATEX), as the wave
// devices take it; little-endian on disk.
struct WaveFormat {
  std::uint16_t format_tag = kWaveFormatPcm;
  std::uint16_t channels = 2;
  std::uint32_t samples_per_sec = 44100;
  std::uint32_t avg_bytes_per_sec = 176400;
  std::uint16_t block_align = 4;
  std::uint16_t bits_per_sample = 16;
  std::uint16_t extra_size = 0;

  friend bool operator==(const WaveFormat&, const WaveFormat&) = default;
};

}  // namespace tazmel
