#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/wave_format.h"

namespace tazmel {

// A sound card's playing side as TWaveOut drives it: pieces of PCM played
// one after another in the order written.
class WaveOutDevice {
 public:
  // Reports that the device is finished with a piece. It may run on any
  // thread, so it must do no more than post work to the owner's thread.
  using PieceDone = std::function<void(std::uint64_t piece)>;

  virtual ~WaveOutDevice() = default;
  // Opens for playing in `format`; "" on success, else the device's error
  // text. `on_done` is called once for every piece the device finishes,
  // until Reset() or Close().
  virtual std::string Open(const WaveFormat& format, PieceDone on_done) = 0;
  // Queues whole sample frames behind the pieces written before; "" or the
  // device's error text.
  virtual std::string Write(std::uint64_t piece, std::vector<char> data) = 0;
  // Drops every queued piece and silences the output at once. No `on_done`
  // call for a piece written before starts after it returns.
  virtual void Reset() = 0;
  // Closes an open device, with the promise of Reset(); closing a closed
  // device does nothing.
  virtual void Close() = 0;
};

}  // namespace tazmel
