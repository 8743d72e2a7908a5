// Speed of WAV-to-MP3 conversion: TLameCoder against the lame program with
// the same settings (128 kbit/s CBR stereo, quality 5, CRC, not original,
// no information frame, no ReplayGain), on a 10-minute 44100 Hz 16-bit
// stereo WAV, in alternating turns within one run. Prints the best CPU time
// (user + system) of each, and the wall time, with their ratios; the goal
// is a CPU ratio of at most 1.1. CPU time is the fair measure on a loaded
// machine, where the wall time mostly shows the wait for a core.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/time.h>

#include "bench_support.h"
#include "recording/lame_coder.h"
#include "recording/wave_file.h"
#include "support/loop_dispatcher.h"

namespace {

using Clock = std::chrono::steady_clock;

// Two tones with a little noise, so that the encoder has real work.
bool WriteTestWav(const std::filesystem::path& file, int seconds) {
  auto opened = tazmel::TWaveFileStream::Create(file, tazmel::WaveFormat{}, tazmel::TWaveFileStream::Mode::kWrite);
  if (!opened.stream) return false;
  std::vector<std::int16_t> second(44100 * 2);
  std::uint32_t noise = 1;
  for (int s = 0; s < seconds; ++s) {
    for (int i = 0; i < 44100; ++i) {
      const double t = (s * 44100.0 + i) / 44100;
      noise = noise * 1103515245u + 12345u;
      const double n = static_cast<double>(static_cast<std::int32_t>(noise >> 16) - 32768) / 32768 * 0.05;
      second[2 * i] = static_cast<std::int16_t>(12000 * std::sin(2 * M_PI * 440 * t) + 3000 * n * 10);
      second[2 * i + 1] = static_cast<std::int16_t>(12000 * std::sin(2 * M_PI * 660 * t) + 3000 * n * 10);
    }
    if (!opened.stream->Append(second.data(), second.size() * 2)) return false;
  }
  return opened.stream->Close();
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double CpuSeconds(int who) {
  rusage usage{};
  ::getrusage(who, &usage);
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace

int main() {
  tazmel::bench::ScratchDir dir("tazmel-bench-recording");
  if (!dir.Ok()) return 1;
  const std::string lame = tazmel::test::FindProgram("lame", std::getenv("PATH") ? std::getenv("PATH") : "");
  if (lame.empty()) {
    std::fprintf(stderr, "bench_recording: the lame program is missing (scripts/setup.sh bench)\n");
    return 1;
  }
  const std::filesystem::path wav = dir.path() / "ten-minutes.wav";
  if (!WriteTestWav(wav, 600)) return 1;

  tazmel::test::LoopDispatcher dispatcher;
  double ours = 1e9, theirs = 1e9, our_cpu = 1e9, their_cpu = 1e9;
  std::uintmax_t our_size = 0, their_size = 0;
  for (int round = 0; round < 3; ++round) {
    tazmel::TLameCoder coder;
    coder.SetInputFiles({wav});
    coder.OutputFiles() = {dir.path() / "ours.mp3"};
    Clock::time_point start = Clock::now();
    double cpu = CpuSeconds(RUSAGE_SELF);
    if (!coder.ConvertFiles(dispatcher)) {
      std::fprintf(stderr, "bench_recording: %s\n", coder.LastError().c_str());
      return 1;
    }
    ours = std::min(ours, Seconds(Clock::now() - start));
    our_cpu = std::min(our_cpu, CpuSeconds(RUSAGE_SELF) - cpu);
    our_size = std::filesystem::file_size(dir.path() / "ours.mp3");

    start = Clock::now();
    cpu = CpuSeconds(RUSAGE_CHILDREN);
    tazmel::test::ChildProcess child({lame, "--quiet", "-b", "128", "-m", "s", "-q", "5", "-p", "-o", "-t",
                                      "--noreplaygain", wav.string(), (dir.path() / "theirs.mp3").string()},
                                     {});
    if (child.WaitExit(std::chrono::minutes(5)) != 0) {
      std::fprintf(stderr, "bench_recording: lame failed\n");
      return 1;
    }
    theirs = std::min(theirs, Seconds(Clock::now() - start));
    their_cpu = std::min(their_cpu, CpuSeconds(RUSAGE_CHILDREN) - cpu);
    their_size = std::filesystem::file_size(dir.path() / "theirs.mp3");
  }
  std::printf("10-minute WAV to MP3, best of 3:\n");
  std::printf("  TLameCoder  CPU %.2f s  wall %.2f s  (%ju bytes)\n", our_cpu, ours, our_size);
  std::printf("  lame        CPU %.2f s  wall %.2f s  (%ju bytes)\n", their_cpu, theirs, their_size);
  std::printf("  ratio       CPU %.3f (goal <= 1.1)  wall %.3f\n", our_cpu / their_cpu, ours / theirs);
  return 0;
}
