#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "recording/wave_out.h"

namespace tazmel {

// The wave-out device on a PulseAudio playback stream of the default sink,
// client name "Tazmel". A threaded main loop feeds the server from the
// queued pieces as it asks for data and reports a piece done once the
// server has taken all of it; errors carry PulseAudio's own texts.
//
// Nothing here waits on the server after Open(): Reset() and Close() only
// drop what is queued and tear the connection down, so they return at once
// even when the server hangs or has gone. When the connection is lost while
// pieces are queued, each is reported done and the next Write() returns the
// error, so the player stops instead of waiting for ever.
class PulseWaveOut : public WaveOutDevice {
 public:
  // `server` in PULSE_SERVER syntax; empty for the usual server lookup. A
  // server is never spawned.
  explicit PulseWaveOut(std::string server = {});
  ~PulseWaveOut() override;
  PulseWaveOut(const PulseWaveOut&) = delete;
  PulseWaveOut& operator=(const PulseWaveOut&) = delete;

  // How long Open() waits for a server that accepts the connection but does
  // not answer.
  static constexpr std::chrono::seconds kConnectTimeout{5};

  std::string Open(const WaveFormat& format, PieceDone on_done) override;
  std::string Write(std::uint64_t piece, std::vector<char> data) override;
  void Reset() override;
  void Close() override;

 private:
  struct Connection;

  std::string server_;
  std::unique_ptr<Connection> connection_;
};

}  // namespace tazmel
