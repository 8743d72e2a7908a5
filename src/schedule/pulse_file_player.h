#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "schedule/announcer.h"

namespace tazmel {

// The PCM content of a WAV file: 8-bit unsigned or 16-bit little-endian.
struct PcmSound {
  int channels = 0;
  int rate = 0;
  int bits = 0;
  std::string data;
};
// nullopt for anything but a PCM WAV with those sample sizes.
std::optional<PcmSound> ParsePcmWave(std::string_view bytes);

// Plays WAV files synchronously through the default PulseAudio sink, one
// stream per file; the talking clock's words are short, so a stream each
// costs nothing noticeable.
class PulseFilePlayer : public SoundFilePlayer {
 public:
  bool PlayToEnd(const std::filesystem::path& file, const std::atomic<bool>& stop) override;
};

}  // namespace tazmel
