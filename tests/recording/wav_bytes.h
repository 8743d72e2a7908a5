#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "recording/wave_file.h"

// WAV files spelt out byte by byte, independent of the code under test.
namespace tazmel::test {

inline std::string Le16(std::uint16_t value) {
  return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
}

inline std::string Le32(std::uint32_t value) { return Le16(value & 0xFFFF) + Le16(value >> 16); }

// A chunk whose size field says `size`, whatever the body holds.
inline std::string ChunkSized(std::string_view id, std::uint32_t size, std::string_view body) {
  return std::string(id) + Le32(size) + std::string(body);
}

inline std::string Chunk(std::string_view id, std::string_view body) {
  return ChunkSized(id, static_cast<std::uint32_t>(body.size()), body);
}

inline std::string Riff(std::string_view form, std::string_view chunks) {
  return "RIFF" + Le32(static_cast<std::uint32_t>(4 + chunks.size())) + std::string(form) + std::string(chunks);
}

inline std::string FmtBody(const WaveFormat& f) {
  return Le16(f.format_tag) + Le16(f.channels) + Le32(f.samples_per_sec) + Le32(f.avg_bytes_per_sec) +
         Le16(f.block_align) + Le16(f.bits_per_sample) + Le16(f.extra_size);
}

// The 16-byte fmt chunk most writers use: the record without its extra size.
inline std::string PcmWav(const WaveFormat& format, std::string_view data) {
  return Riff("WAVE", Chunk("fmt ", FmtBody(format).substr(0, 16)) + Chunk("data", data));
}

// Bytes in which every slice differs from the slices at other offsets.
inline std::string Pattern(std::size_t size) {
  std::string out(size, '\0');
  std::uint32_t state = 12345;
  for (char& c : out) {
    state = state * 1103515245u + 12345u;
    c = static_cast<char>(state >> 16);
  }
  return out;
}

}  // namespace tazmel::test
