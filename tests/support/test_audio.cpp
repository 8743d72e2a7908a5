#include "support/test_audio.h"

#include <lame/lame.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

namespace tazmel::test {
namespace {

constexpr int kSampleRate = 44100;
constexpr int kChannels = 2;

struct LameDeleter {
  void operator()(lame_global_flags* flags) const { lame_close(flags); }
};
using LameHandle = std::unique_ptr<lame_global_flags, LameDeleter>;

// Interleaved stereo samples of the tone at half amplitude.
std::vector<std::int16_t> ToneSamples(double seconds, int frequency_hz) {
  const auto frames = static_cast<std::size_t>(std::max(0.0, seconds) * kSampleRate);
  std::vector<std::int16_t> samples(frames * kChannels);
  for (std::size_t i = 0; i < frames; ++i) {
    const double value = 0.5 * std::sin(2 * M_PI * frequency_hz * static_cast<double>(i) / kSampleRate);
    const auto sample = static_cast<std::int16_t>(std::lround(value * 32767));
    samples[i * 2] = sample;
    samples[i * 2 + 1] = sample;
  }
  return samples;
}

void AppendLittleEndian(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

std::string MakeToneMp3(double seconds, int frequency_hz, int bitrate_kbps) {
  LameHandle lame(lame_init());
  if (!lame) throw std::runtime_error("lame_init failed");
  lame_set_in_samplerate(lame.get(), kSampleRate);
  lame_set_out_samplerate(lame.get(), kSampleRate);
  lame_set_num_channels(lame.get(), kChannels);
  lame_set_mode(lame.get(), JOINT_STEREO);
  lame_set_brate(lame.get(), bitrate_kbps);
  lame_set_VBR(lame.get(), vbr_off);
  lame_set_quality(lame.get(), 7);  // fast; the tone does not need more
  lame_set_bWriteVbrTag(lame.get(), 0);
  if (lame_init_params(lame.get()) < 0) throw std::runtime_error("lame_init_params failed");

  const std::vector<std::int16_t> samples = ToneSamples(seconds, frequency_hz);
  const int frames = static_cast<int>(samples.size() / kChannels);
  // LAME's documented worst case: 1.25 times the samples plus 7200 bytes.
  std::vector<unsigned char> buffer(static_cast<std::size_t>(frames) * 5 / 4 + 7200);
  std::string mp3;
  const int encoded = lame_encode_buffer_interleaved(lame.get(), const_cast<short*>(samples.data()), frames,
                                                     buffer.data(), static_cast<int>(buffer.size()));
  if (encoded < 0) throw std::runtime_error("lame_encode_buffer_interleaved failed");
  mp3.append(reinterpret_cast<const char*>(buffer.data()), static_cast<std::size_t>(encoded));
  const int flushed = lame_encode_flush(lame.get(), buffer.data(), static_cast<int>(buffer.size()));
  if (flushed < 0) throw std::runtime_error("lame_encode_flush failed");
  mp3.append(reinterpret_cast<const char*>(buffer.data()), static_cast<std::size_t>(flushed));
  return mp3;
}

std::string MakeToneWav(double seconds, int frequency_hz) {
  const std::vector<std::int16_t> samples = ToneSamples(seconds, frequency_hz);
  const auto data_bytes = static_cast<std::uint32_t>(samples.size() * sizeof(std::int16_t));
  std::string wav = "RIFF";
  AppendLittleEndian(wav, 36 + data_bytes, 4);
  wav += "WAVEfmt ";
  AppendLittleEndian(wav, 16, 4);
  AppendLittleEndian(wav, 1, 2);  // PCM
  AppendLittleEndian(wav, kChannels, 2);
  AppendLittleEndian(wav, kSampleRate, 4);
  AppendLittleEndian(wav, kSampleRate * kChannels * 2, 4);
  AppendLittleEndian(wav, kChannels * 2, 2);
  AppendLittleEndian(wav, 16, 2);
  wav += "data";
  AppendLittleEndian(wav, data_bytes, 4);
  for (std::int16_t sample : samples) AppendLittleEndian(wav, static_cast<std::uint16_t>(sample), 2);
  return wav;
}

std::string WithId3Language(const std::string& mp3, const std::string& language) {
  // Frame: id, size (plain big-endian in 2.3), flags, then the text with
  // its encoding byte (0, ISO-8859-1) in front.
  const auto frame_size = static_cast<std::uint32_t>(1 + language.size());
  std::string frame = "TLAN";
  for (int shift = 24; shift >= 0; shift -= 8) frame += static_cast<char>((frame_size >> shift) & 0xFF);
  frame += std::string(2, '\0');
  frame += '\0';
  frame += language;
  // Header: version 2.3, no flags, the tag's size after the header in four
  // 7-bit bytes.
  const auto tag_size = static_cast<std::uint32_t>(frame.size());
  std::string tag = "ID3";
  tag += '\x03';
  tag += std::string(2, '\0');
  for (int shift = 21; shift >= 0; shift -= 7) tag += static_cast<char>((tag_size >> shift) & 0x7F);
  return tag + frame + mp3;
}

}  // namespace tazmel::test
