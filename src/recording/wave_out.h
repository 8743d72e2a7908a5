#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/dispatcher.h"
#include "platform/wave_device.h"
#include "recording/sound_output.h"
#include "recording/wave_file.h"

namespace tazmel {

// What the wave devices share: the format built from three choices, the
// active switch, the file and the last error.
class TWave {
 public:
  virtual ~TWave() = default;
  TWave(const TWave&) = delete;
  TWave& operator=(const TWave&) = delete;

  bool Active() const { return active_; }
  // Starts or stops the device; false when starting failed, with the reason
  // in LastError().
  virtual bool SetActive(bool active) = 0;

  // Setting the value the format already has does nothing; another value
  // rebuilds the format and restarts an active device with it.
  TSamplesPerSec SamplesPerSec() const { return SamplesPerSecOf(format_.samples_per_sec); }
  void SetSamplesPerSec(TSamplesPerSec rate);
  TBitsperSample BitsperSample() const { return BitsperSampleOf(format_.bits_per_sample); }
  void SetBitsperSample(TBitsperSample bits);
  TChannels Channels() const { return ChannelsOf(format_.channels); }
  void SetChannels(TChannels channels);
  const WaveFormat& Format() const { return format_; }

  const std::filesystem::path& FileName() const { return file_name_; }
  void SetFileName(const std::filesystem::path& file) { file_name_ = file; }

  // The error text of the last failure (at most 128 bytes); "" when none.
  const std::string& LastError() const { return last_error_; }

 protected:
  TWave() = default;

  void SetFormat(const WaveFormat& format) { format_ = format; }
  void SetError(std::string_view text);

  bool active_ = false;

 private:
  void ChangeFormat(TSamplesPerSec rate, TBitsperSample bits, TChannels channels);

  WaveFormat format_;
  std::filesystem::path file_name_;
  std::string last_error_;
};

// Plays a WAV file once or over and over through a WaveOutDevice, reading
// it in pieces of kPieceSize bytes. Two pieces are queued at the start and
// each one the device finishes queues the next; the file's last
// kTailDropped bytes are never played, and a looped file starts over from
// its first data byte after its shortened last piece. The device's
// notifications reach it through the dispatcher only. Everything else runs
// on the dispatcher's (the user-interface) thread.
class TWaveOut : public TWave, public SoundOutput {
 public:
  static constexpr std::int64_t kPieceSize = 102400;
  static constexpr std::int64_t kTailDropped = 200;

  TWaveOut(Dispatcher& dispatcher, std::unique_ptr<WaveOutDevice> device);
  ~TWaveOut() override;

  bool Repeated() const { return repeated_; }
  void SetRepeated(bool repeated) { repeated_ = repeated; }

  // Starting needs an existing FileName; the format becomes the file's.
  bool SetActive(bool active) override;

  // Stop what plays and play `file`, unless it does not exist.
  void PlayOnce(const std::filesystem::path& file) override;
  void PlayLooped(const std::filesystem::path& file) override;
  void StopSound() override { SetActive(false); }
  // Active with pieces still at the device: a sound that has played out is
  // no longer playing.
  bool SoundPlaying() const override { return active_ && !queued_.empty(); }

  // Pieces written to the device and not yet finished.
  std::size_t QueuedPieces() const { return queued_.size(); }

 private:
  void Play(const std::filesystem::path& file, bool repeated);
  bool Activate();
  void Deactivate();
  // Reads and writes the next piece, if any; false after a device error.
  bool QueuePiece();
  // The next piece of the file; empty when there is none.
  std::vector<char> ReadPiece();
  void PieceDone(std::uint64_t piece);

  Dispatcher& dispatcher_;
  std::unique_ptr<WaveOutDevice> device_;
  std::unique_ptr<TWaveFileStream> stream_;
  // The pieces the device holds; a notification for any other is stale.
  std::set<std::uint64_t> queued_;
  std::uint64_t next_piece_ = 1;
  bool repeated_ = false;
  bool device_open_ = false;
  // Posted notifications check it, so none runs after destruction.
  std::shared_ptr<char> alive_ = std::make_shared<char>();
};

}  // namespace tazmel
