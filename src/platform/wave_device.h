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

// A source the capture side can record from, as the sound system lists it.
struct SoundSource {
  std::string name;         // what WaveInDevice::Open takes
  std::string description;  // for people
  // The card it belongs to, "" for none; a card's sources share one mixer.
  std::string card;
  std::string card_description;
  // The sink whose output it carries; "" for an input.
  std::string monitor_of;
  // An input that is neither a line nor a digital port.
  bool microphone = false;
  std::uint16_t channels = 2;
};

struct SoundSources {
  std::vector<SoundSource> sources;  // in the system's order
  std::string default_sink;
  // The sink this program's own playback plays into; "" while it plays
  // nothing.
  std::string own_sink;
};

// What to record and how loud; nothing here changes the source itself.
struct WaveInSource {
  std::string name;
  // Record the output of whichever sink this program's own playback moves
  // to, starting from `name`.
  bool follow_own_output = false;
  double volume = 1.0;  // linear gain of our stream, 0..1
  bool mute = false;
};

// A sound card's recording side as TWaveIn drives it. The callbacks may run
// on any thread, so they must do no more than post work to the owner's.
class WaveInDevice {
 public:
  // A full buffer of `buffer_bytes`, whole frames.
  using DataReady = std::function<void(std::vector<char> data)>;
  // Recording broke off (stream or connection lost); no data follows.
  using Failed = std::function<void(std::string error)>;
  // The source recorded from now, after following the playback elsewhere.
  using SourceMoved = std::function<void(std::string source)>;
  struct Events {
    DataReady on_data;
    Failed on_failed;
    SourceMoved on_moved;
  };

  virtual ~WaveInDevice() = default;
  // Starts recording `format` from `source`, handing over buffers of
  // `buffer_bytes` (a multiple of the frame); "" on success, else the
  // device's error text.
  virtual std::string Open(const WaveFormat& format, const WaveInSource& source, std::size_t buffer_bytes,
                           Events events) = 0;
  // Our stream's gain while recording.
  virtual void SetVolume(double volume, bool mute) = 0;
  // Stops; the part of a buffer not yet full is dropped, and no callback
  // starts after it returns. Closing a closed device does nothing.
  virtual void Close() = 0;
};

}  // namespace tazmel
