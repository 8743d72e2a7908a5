// tazmel-sounds FOLDER
//
// Writes the player's prompt sounds into FOLDER: "waiting.wav", a soft
// two-note chime that loops while a station connects, and "error.wav", a
// short falling two-tone for an address that failed. Both are 44100 Hz
// 16-bit mono and are synthesised, so every build makes the same bytes.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <string>
#include <system_error>
#include <vector>

#include "recording/wave_file.h"

namespace tazmel {
namespace {

constexpr int kRate = 44100;
constexpr double kPi = std::numbers::pi;

using Samples = std::vector<double>;

// Raised-cosine rise from 0 to 1 over `span` seconds: no corner, no click.
double Rise(double t, double span) {
  if (t <= 0) return 0;
  if (t >= span) return 1;
  return 0.5 - 0.5 * std::cos(kPi * t / span);
}

// A struck bell-like note: a soft mallet attack and partials that die away
// faster the higher they are.
void AddChimeNote(Samples& out, double start, double hz, double level) {
  struct Partial {
    double ratio, level, decay;
  };
  constexpr Partial kPartials[] = {{1.0, 1.0, 0.30}, {2.0, 0.22, 0.16}, {3.0, 0.06, 0.09}};
  for (std::size_t i = static_cast<std::size_t>(start * kRate); i < out.size(); ++i) {
    const double t = static_cast<double>(i) / kRate - start;
    double value = 0;
    for (const Partial& p : kPartials) value += p.level * std::exp(-t / p.decay) * std::sin(2 * kPi * hz * p.ratio * t);
    out[i] += level * Rise(t, 0.006) * value;
  }
}

// A steady tone with smooth edges and a slight droop, gentler than a beep.
void AddTone(Samples& out, double start, double length, double hz, double level) {
  const auto first = static_cast<std::size_t>(start * kRate);
  const auto end = std::min(out.size(), static_cast<std::size_t>((start + length) * kRate));
  for (std::size_t i = first; i < end; ++i) {
    const double t = static_cast<double>(i) / kRate - start;
    const double envelope = Rise(t, 0.012) * Rise(length - t, 0.045) * std::exp(-t / 0.6);
    out[i] += level * envelope * (std::sin(2 * kPi * hz * t) + 0.12 * std::sin(4 * kPi * hz * t));
  }
}

// The loop point sits in silence: the chime fades out well before the end,
// which is also longer than the bytes the player leaves off a looped file.
Samples Waiting() {
  Samples out(static_cast<std::size_t>(1.8 * kRate));
  AddChimeNote(out, 0.04, 523.25, 0.2);  // C5
  AddChimeNote(out, 0.52, 659.26, 0.2);  // E5
  const double fade_start = 1.38, fade_end = 1.76;
  for (std::size_t i = 0; i < out.size(); ++i) {
    const double t = static_cast<double>(i) / kRate;
    out[i] *= Rise(fade_end - t, fade_end - fade_start);
  }
  return out;
}

Samples Error() {
  Samples out(static_cast<std::size_t>(0.5 * kRate));
  AddTone(out, 0.02, 0.2, 880.0, 0.22);    // A5
  AddTone(out, 0.24, 0.22, 659.26, 0.22);  // E5
  return out;
}

// Writes to a temporary name first, so an interrupted build leaves no
// half-written sound behind.
bool WriteSound(const std::filesystem::path& file, const Samples& samples) {
  const std::filesystem::path part = file.string() + ".part";
  const WaveFormat format = MakeWaveFormat(TSamplesPerSec::sp44k, TBitsperSample::bs16Bit, TChannels::ctMono);
  WaveFileOpenResult opened = TWaveFileStream::Create(part, format, TWaveFileStream::Mode::kWrite);
  if (!opened.stream) {
    std::fprintf(stderr, "tazmel-sounds: %s: %s\n", part.c_str(), opened.error.c_str());
    return false;
  }
  std::vector<char> bytes;
  bytes.reserve(samples.size() * 2);
  for (double value : samples) {
    const auto sample = static_cast<std::int16_t>(std::lround(std::clamp(value, -1.0, 1.0) * 32767));
    const auto bits = static_cast<std::uint16_t>(sample);
    bytes.push_back(static_cast<char>(bits & 0xFF));
    bytes.push_back(static_cast<char>(bits >> 8));
  }
  const bool written = opened.stream->Append(bytes.data(), bytes.size()) && opened.stream->Close();
  std::error_code ec;
  if (written) std::filesystem::rename(part, file, ec);
  if (!written || ec) {
    std::fprintf(stderr, "tazmel-sounds: cannot write %s\n", file.c_str());
    std::filesystem::remove(part, ec);
    return false;
  }
  return true;
}

}  // namespace
}  // namespace tazmel

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tazmel-sounds FOLDER\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) {
    std::fprintf(stderr, "tazmel-sounds: %s: %s\n", folder.c_str(), ec.message().c_str());
    return 1;
  }
  const bool ok = tazmel::WriteSound(folder / "waiting.wav", tazmel::Waiting()) &&
                  tazmel::WriteSound(folder / "error.wav", tazmel::Error());
  return ok ? 0 : 1;
}
