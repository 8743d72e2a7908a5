#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "core/dispatcher.h"
#include "platform/wave_device.h"
#include "recording/wave_out.h"

namespace tazmel {

// Captures PCM from a WaveInDevice in buffers of one second (the format's
// average bytes per second) and hands each full one to its owner and,
// with AutoSaveFile, to the WAV file named by FileName. Buffers arrive
// through the dispatcher, on the user-interface thread; one that was under
// way when capture stopped is dropped, and so is the part of a buffer not
// yet full. A file about to pass kMaxWaveFileSize is closed and the
// recording goes on in the next free "name (2).wav".
class TWaveIn : public TWave {
 public:
  using DataEvent = std::function<void(const char* data, std::size_t count)>;
  // Capture broke off (the device failed or the file could not be
  // written); it has stopped when this runs.
  using ErrorEvent = std::function<void(const std::string& error)>;
  using NameEvent = std::function<void(const std::string& text)>;

  TWaveIn(Dispatcher& dispatcher, std::unique_ptr<WaveInDevice> device);
  ~TWaveIn() override;

  void SetOnData(DataEvent on_data) { on_data_ = std::move(on_data); }
  void SetOnError(ErrorEvent on_error) { on_error_ = std::move(on_error); }
  // The source recorded from changed, following our playback.
  void SetOnSourceMoved(NameEvent on_moved) { on_moved_ = std::move(on_moved); }
  // The recording went on in a new file (its path).
  void SetOnFileChanged(NameEvent on_file) { on_file_ = std::move(on_file); }

  bool AutoSaveFile() const { return auto_save_; }
  void SetAutoSaveFile(bool on) { auto_save_ = on; }
  // The source and gain; applies from the next start.
  const WaveInSource& Source() const { return source_; }
  void SetSource(WaveInSource source) { source_ = std::move(source); }
  // Changes our stream's gain, at once when capturing.
  void SetVolume(double volume, bool mute);
  // The source recorded from now (after following the playback).
  const std::string& CurrentSource() const { return current_source_; }
  // The bytes of one buffer.
  std::size_t BufferLength() const { return Format().avg_bytes_per_sec; }

  // The file written now; it changes at a roll-over.
  const std::filesystem::path& CurrentFile() const { return current_file_; }
  // Files are kept below this size (tests set a smaller one).
  void SetMaxFileSize(std::int64_t bytes) { max_file_size_ = bytes; }

  bool SetActive(bool active) override;

 private:
  bool Activate();
  void Deactivate();
  void Buffer(std::vector<char> data);
  void Failed(const std::string& error);
  bool OpenFile(const std::filesystem::path& file);

  Dispatcher& dispatcher_;
  std::unique_ptr<WaveInDevice> device_;
  std::unique_ptr<TWaveFileStream> stream_;
  DataEvent on_data_;
  ErrorEvent on_error_;
  NameEvent on_moved_;
  NameEvent on_file_;
  bool auto_save_ = false;
  WaveInSource source_;
  std::string current_source_;
  std::filesystem::path current_file_;
  std::int64_t max_file_size_ = kMaxWaveFileSize;
  // Every start counts up; what the device posted for an earlier one is
  // stale.
  std::uint64_t run_ = 0;
  std::shared_ptr<char> alive_ = std::make_shared<char>();
};

}  // namespace tazmel
