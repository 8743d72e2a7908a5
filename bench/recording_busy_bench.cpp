// No buffer lost while the user-interface thread is busy: a WAV recording
// of the tone on a private PulseAudio server through TRecorder and
// PulseWaveIn, while a timer on the same thread keeps it busy 90 % of the
// time (45 ms of work every 50 ms, the rest for the buffers). At the stop
// the file must hold 58 + seconds x bytes per second, within one buffer,
// and be exactly the header and the buffers delivered.
//
//   TAZMEL_BENCH_RECORD_SECONDS=S  length of the recording (default 600)
//   TAZMEL_BENCH_BUSY_PERCENT=P    how busy the thread is kept (default 90)
//
// Exits 1 when a buffer went missing or the measurement could not be taken.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "bench_support.h"
#include "platform/pulse/pulse_wave_in.h"
#include "recording/lame_coder.h"
#include "recording/recorder.h"
#include "support/loop_dispatcher.h"

namespace {

using namespace std::chrono;
namespace fs = std::filesystem;
using tazmel::bench::EnvNumber;

// Busy for `span` without sleeping: what a long paint or a slow handler
// does to the thread.
void Spin(microseconds span) {
  const auto end = steady_clock::now() + span;
  volatile unsigned sink = 0;
  while (steady_clock::now() < end) sink = sink + 1;
}

}  // namespace

int main() {
  const int seconds_wanted = std::max(1, EnvNumber("TAZMEL_BENCH_RECORD_SECONDS", 600));
  const int busy_percent = std::min(95, EnvNumber("TAZMEL_BENCH_BUSY_PERCENT", 90));
  const tazmel::bench::ScratchDir scratch("tazmel-recbusy");
  if (!scratch.Ok()) {
    std::fprintf(stderr, "bench_recording_busy: no temporary folder\n");
    return 1;
  }
  const tazmel::bench::PrivatePulse pulse(scratch.path() / "pulse");
  if (!pulse.Started()) {
    std::fprintf(stderr, "bench_recording_busy: the private PulseAudio daemon did not start\n");
    return 1;
  }
  for (const auto& [name, value] : pulse.Env()) setenv(name.c_str(), value.c_str(), 1);

  tazmel::test::LoopDispatcher dispatcher;
  tazmel::TRecorder recorder(dispatcher, std::make_unique<tazmel::PulseWaveIn>(), nullptr, scratch.path());
  recorder.SetSaveFolder(scratch.path() / "rec");
  recorder.SetSource({"tazmel_twin_a.monitor"});
  long long buffers = 0;
  std::string error;
  steady_clock::time_point started, first, last;
  recorder.on_progress = [&] {
    last = steady_clock::now();
    if (buffers++ == 0) first = last;
  };
  recorder.on_error = [&](const std::string& e) { error = e; };

  long long busy_ticks = 0;
  auto busy = dispatcher.CreateTimer([&] {
    ++busy_ticks;
    Spin(microseconds(500 * busy_percent));
  });
  busy->Start(milliseconds(50));

  std::printf("recording %d s of 44100 Hz 16-bit stereo WAV with the user-interface thread %d %% busy; load %s\n",
              seconds_wanted, busy_percent, tazmel::bench::LoadAverage().c_str());
  std::fflush(stdout);
  if (!recorder.Start("", "busy")) {
    std::fprintf(stderr, "bench_recording_busy: the recording did not start: %s\n", error.c_str());
    return 1;
  }
  started = steady_clock::now();
  dispatcher.RunUntil([&] { return !error.empty() || steady_clock::now() - started >= seconds(seconds_wanted); },
                      seconds(seconds_wanted + 60));
  const double elapsed = duration<double>(steady_clock::now() - started).count();
  recorder.Stop();
  busy->Stop();
  if (!error.empty()) {
    std::fprintf(stderr, "bench_recording_busy: the recording broke off: %s\n", error.c_str());
    return 1;
  }

  const fs::path file = recorder.File();
  std::error_code ec;
  const auto size = static_cast<long long>(fs::file_size(file, ec));
  const long long per_second = 176400;
  // The server hands over the first sample some time after the start (the
  // null sink's monitor lags by its latency): the first buffer is full one
  // second after that. The seconds counted run from there to the stop.
  const double lag = std::max(0.0, duration<double>(first - started).count() - 1.0);
  const double recorded = elapsed - lag;
  const double expected = 58 + recorded * per_second;
  const double off_buffers = (static_cast<double>(size) - expected) / per_second;
  const bool whole = size == 58 + buffers * per_second;
  const bool within = buffers > 0 && std::fabs(off_buffers) <= 1.0;
  std::printf("  %.1f s from start to stop, %lld busy ticks (%.0f %% of the time spinning)\n", elapsed, busy_ticks,
              static_cast<double>(busy_ticks) * busy_percent * 0.0005 / elapsed * 100);
  std::printf("  first buffer at %.2f s, last at %.2f s: the server's first sample came %.2f s after the start\n",
              duration<double>(first - started).count(), duration<double>(last - started).count(), lag);
  std::printf("  file %lld bytes; 58 + %.2f s x %lld bytes/s = %.0f; off by %+.2f buffers (goal within 1)\n", size,
              recorded, per_second, expected, off_buffers);
  std::printf("  buffers delivered %lld, file = header + buffers: %s\n", buffers, whole ? "yes" : "NO");
  std::printf("  %s\n", whole && within ? "no buffer lost" : "BUFFERS LOST");
  return whole && within ? 0 : 1;
}
