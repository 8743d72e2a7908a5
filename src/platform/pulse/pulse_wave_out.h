#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/wave_device.h"

namespace tazmel {

// The wave-out device on a PulseAudio playback stream of the default sink,
// client name "Tazmel". A threaded main loop keeps one connection to the
// server, feeds the server from the queued pieces as it asks for data and
// reports a piece done once the server has taken all of it; errors carry
// PulseAudio's own texts.
//
// Nothing here ever waits on the server. The connection is made in the
// background from construction on; Open() while it is not (yet) up fails
// at once with the reason, so a sound is skipped rather than the caller
// held up by a server that hangs. A connection that is lost or refused is
// tried again in the background. Open() sets up a stream and returns; the
// stream starts playing once the server has it ready. When the stream or
// the connection is lost while pieces are queued, each is reported done
// and the next Write() returns the error, so the player stops instead of
// waiting for ever.
class PulseWaveOut : public WaveOutDevice {
 public:
  enum class Link {
    kConnecting,  // an attempt is under way, or starts at once
    kConnected,
    kDown,  // the last attempt failed; the next one follows kRetryDelay later
  };

  // `server` in PULSE_SERVER syntax; empty for the usual server lookup. A
  // server is never spawned.
  explicit PulseWaveOut(std::string server = {});
  ~PulseWaveOut() override;
  PulseWaveOut(const PulseWaveOut&) = delete;
  PulseWaveOut& operator=(const PulseWaveOut&) = delete;

  // How long an attempt to connect, or a new stream, may take before it
  // counts as failed; and the pause before the next attempt.
  static constexpr std::chrono::seconds kConnectTimeout{5};
  static constexpr std::chrono::seconds kRetryDelay{3};

  Link State() const;

  std::string Open(const WaveFormat& format, PieceDone on_done) override;
  std::string Write(std::uint64_t piece, std::vector<char> data) override;
  void Reset() override;
  void Close() override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tazmel
