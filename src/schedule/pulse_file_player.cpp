#include "schedule/pulse_file_player.h"

#include <pulse/error.h>
#include <pulse/simple.h>

#include <memory>

#include "core/file_utils.h"

namespace tazmel {

namespace {

// A spoken word is well below this.
constexpr std::uintmax_t kMaxSoundBytes = 16u << 20;

std::uint32_t Le32(std::string_view b, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}
std::uint16_t Le16(std::string_view b, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8);
}

struct SimpleFree {
  void operator()(pa_simple* s) const { pa_simple_free(s); }
};

}  // namespace

std::optional<PcmSound> ParsePcmWave(std::string_view bytes) {
  if (bytes.size() < 12 || bytes.substr(0, 4) != "RIFF" || bytes.substr(8, 4) != "WAVE") return std::nullopt;
  PcmSound sound;
  bool have_format = false;
  std::size_t at = 12;
  while (at + 8 <= bytes.size()) {
    const std::string_view id = bytes.substr(at, 4);
    const std::uint32_t size = Le32(bytes, at + 4);
    const std::size_t body = at + 8;
    const std::size_t available = bytes.size() - body;
    if (id == "fmt ") {
      if (size < 16 || available < 16) return std::nullopt;
      if (Le16(bytes, body) != 1) return std::nullopt;  // PCM only
      sound.channels = Le16(bytes, body + 2);
      sound.rate = static_cast<int>(Le32(bytes, body + 4));
      sound.bits = Le16(bytes, body + 14);
      have_format = true;
    } else if (id == "data") {
      if (!have_format) return std::nullopt;
      // A writer that did not finish leaves the size too large: take what
      // is there.
      sound.data = std::string(bytes.substr(body, std::min<std::size_t>(size, available)));
      if (sound.channels < 1 || sound.channels > 2 || sound.rate < 1000 || sound.rate > 192000 ||
          (sound.bits != 8 && sound.bits != 16)) {
        return std::nullopt;
      }
      return sound;
    }
    if (size > available) return std::nullopt;
    at = body + size + (size & 1);
  }
  return std::nullopt;
}

bool PulseFilePlayer::PlayToEnd(const std::filesystem::path& file, const std::atomic<bool>& stop) {
  const std::optional<std::string> bytes = ReadWholeFile(file, kMaxSoundBytes);
  if (!bytes) return false;
  const std::optional<PcmSound> sound = ParsePcmWave(*bytes);
  if (!sound) return false;
  pa_sample_spec sample_format{};
  sample_format.format = sound->bits == 8 ? PA_SAMPLE_U8 : PA_SAMPLE_S16LE;
  sample_format.rate = static_cast<std::uint32_t>(sound->rate);
  sample_format.channels = static_cast<std::uint8_t>(sound->channels);
  // Pieces of about 50 ms and a server buffer of two, so that writing
  // keeps pace with playing and a stop is heard at once.
  const std::size_t frame = static_cast<std::size_t>(sound->channels * sound->bits / 8);
  const std::size_t piece = std::max<std::size_t>(frame, static_cast<std::size_t>(sound->rate) / 20 * frame);
  pa_buffer_attr attr{};
  attr.maxlength = static_cast<std::uint32_t>(-1);
  attr.tlength = static_cast<std::uint32_t>(2 * piece);
  attr.prebuf = static_cast<std::uint32_t>(-1);
  attr.minreq = static_cast<std::uint32_t>(-1);
  attr.fragsize = static_cast<std::uint32_t>(-1);
  int error = 0;
  std::unique_ptr<pa_simple, SimpleFree> stream(pa_simple_new(nullptr, "Tazmel", PA_STREAM_PLAYBACK, nullptr,
                                                              "talking clock", &sample_format, nullptr, &attr, &error));
  if (!stream) return false;
  for (std::size_t at = 0; at < sound->data.size(); at += piece) {
    if (stop) {
      pa_simple_flush(stream.get(), &error);
      return false;
    }
    const std::size_t count = std::min(piece, sound->data.size() - at);
    if (pa_simple_write(stream.get(), sound->data.data() + at, count, &error) < 0) return false;
  }
  return pa_simple_drain(stream.get(), &error) == 0;
}

}  // namespace tazmel
