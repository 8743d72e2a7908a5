#include "recording/wave_in.h"

#include <cerrno>
#include <cstring>
#include <utility>

namespace tazmel {

TWaveIn::TWaveIn(Dispatcher& dispatcher, std::unique_ptr<WaveInDevice> device)
    : dispatcher_(dispatcher), device_(std::move(device)) {}

TWaveIn::~TWaveIn() { Deactivate(); }

bool TWaveIn::SetActive(bool active) {
  if (active == active_) return true;
  if (active) return Activate();
  Deactivate();
  return true;
}

void TWaveIn::SetVolume(double volume, bool mute) {
  source_.volume = volume;
  source_.mute = mute;
  if (active_) device_->SetVolume(volume, mute);
}

bool TWaveIn::OpenFile(const std::filesystem::path& file) {
  WaveFileOpenResult opened = TWaveFileStream::Create(file, Format(), TWaveFileStream::Mode::kWrite);
  if (!opened.stream) {
    SetError(opened.error);
    return false;
  }
  stream_ = std::move(opened.stream);
  current_file_ = file;
  return true;
}

bool TWaveIn::Activate() {
  stream_.reset();
  current_file_.clear();
  if (auto_save_ && !OpenFile(FileName())) return false;

  const std::uint64_t run = ++run_;
  Dispatcher* dispatcher = &dispatcher_;
  std::weak_ptr<char> alive = alive_;
  // The device calls from its own thread: each call is handed to ours and
  // runs only while this object and this run last.
  const auto post = [this, dispatcher, alive, run](std::function<void(TWaveIn*)> call) {
    dispatcher->Post([this, alive, run, call = std::move(call)] {
      if (alive.lock() && run == run_ && active_) call(this);
    });
  };
  WaveInDevice::Events events;
  events.on_data = [post](std::vector<char> data) {
    post([data = std::move(data)](TWaveIn* self) mutable { self->Buffer(std::move(data)); });
  };
  events.on_failed = [post](std::string error) {
    post([error = std::move(error)](TWaveIn* self) { self->Failed(error); });
  };
  events.on_moved = [post](std::string source) {
    post([source = std::move(source)](TWaveIn* self) {
      self->current_source_ = source;
      if (self->on_moved_) self->on_moved_(source);
    });
  };
  const std::string error = device_->Open(Format(), source_, BufferLength(), std::move(events));
  if (!error.empty()) {
    device_->Close();
    stream_.reset();
    SetError(error);
    return false;
  }
  current_source_ = source_.name;
  SetError({});
  active_ = true;
  return true;
}

void TWaveIn::Deactivate() {
  ++run_;
  device_->Close();
  // Closing the stream completes the header.
  stream_.reset();
  active_ = false;
}

void TWaveIn::Buffer(std::vector<char> data) {
  if (on_data_) on_data_(data.data(), data.size());
  if (!active_ || !auto_save_ || !stream_) return;
  if (stream_->WritePosition() + static_cast<std::int64_t>(data.size()) > max_file_size_) {
    const std::filesystem::path next = FreeFileName(FileName());
    stream_.reset();
    if (!OpenFile(next)) {
      Failed(LastError());
      return;
    }
    if (on_file_) on_file_(next.string());
  }
  if (!stream_->Append(data.data(), data.size())) Failed(std::strerror(errno));
}

void TWaveIn::Failed(const std::string& error) {
  Deactivate();
  SetError(error);
  if (on_error_) on_error_(LastError());
}

}  // namespace tazmel
