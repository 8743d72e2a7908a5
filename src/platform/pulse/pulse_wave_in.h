#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "platform/wave_device.h"

namespace tazmel {

// The wave-in device on a PulseAudio record stream, client name "Tazmel",
// on a threaded main loop. The server hands over fragments of about
// kFragment; they are gathered into the caller's buffers on the loop's
// thread, so the owner wakes once a buffer.
//
// The gain and mute are our stream's own: the source, its mute and the
// server's default source are never changed. A stream that follows our
// playback moves itself to the output of whichever sink our own playback
// stream plays into, as soon as that stream moves.
class PulseWaveIn : public WaveInDevice {
 public:
  // A record stream's fragment sets the latency of the sink whose output
  // it records: at 50 ms the player's own stream into that sink was woken
  // twenty times a second more, which cost more than the encoder. A
  // quarter of the one-second buffer keeps both quiet.
  static constexpr std::chrono::milliseconds kFragment{250};
  // How long Open() waits for the connection and for the stream.
  static constexpr std::chrono::seconds kConnectTimeout{5};

  // `server` in PULSE_SERVER syntax; empty for the usual server lookup.
  explicit PulseWaveIn(std::string server = {});
  ~PulseWaveIn() override;
  PulseWaveIn(const PulseWaveIn&) = delete;
  PulseWaveIn& operator=(const PulseWaveIn&) = delete;

  std::string Open(const WaveFormat& format, const WaveInSource& source, std::size_t buffer_bytes,
                   Events events) override;
  void SetVolume(double volume, bool mute) override;
  void Close() override;

  // The source recorded from now; "" while closed.
  std::string Source() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tazmel
