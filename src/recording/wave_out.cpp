#include "recording/wave_out.h"

#include <algorithm>
#include <system_error>
#include <utility>

namespace tazmel {
namespace {

// "没有激活" in the data code page.
constexpr std::string_view kNotActiveText = "\xC3\xBB\xD3\xD0\xBC\xA4\xBB\xEE";
constexpr std::size_t kMaxErrorText = 128;

// Pieces are cut in whole frames of whole bytes, so a file that says
// otherwise (no channels, no block alignment) is not a WAV file we can play.
bool Playable(const WaveFormat& format) {
  return format.channels > 0 && format.samples_per_sec > 0 && format.bits_per_sample > 0 &&
         format.bits_per_sample % 8 == 0 && format.block_align == format.channels * (format.bits_per_sample / 8);
}

bool FileExists(const std::filesystem::path& file) {
  std::error_code ec;
  return !file.empty() && std::filesystem::exists(file, ec);
}

}  // namespace

void TWave::SetSamplesPerSec(TSamplesPerSec rate) {
  if (rate != SamplesPerSec()) ChangeFormat(rate, BitsperSample(), Channels());
}

void TWave::SetBitsperSample(TBitsperSample bits) {
  if (bits != BitsperSample()) ChangeFormat(SamplesPerSec(), bits, Channels());
}

void TWave::SetChannels(TChannels channels) {
  if (channels != Channels()) ChangeFormat(SamplesPerSec(), BitsperSample(), channels);
}

void TWave::ChangeFormat(TSamplesPerSec rate, TBitsperSample bits, TChannels channels) {
  const bool was_active = active_;
  SetActive(false);
  format_ = MakeWaveFormat(rate, bits, channels);
  if (was_active) SetActive(true);
}

void TWave::SetError(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  last_error_.assign(text.substr(0, kMaxErrorText));
}

TWaveOut::TWaveOut(Dispatcher& dispatcher, std::unique_ptr<WaveOutDevice> device)
    : dispatcher_(dispatcher), device_(std::move(device)) {}

TWaveOut::~TWaveOut() { Deactivate(); }

bool TWaveOut::SetActive(bool active) {
  if (active == active_) return true;
  if (active) return Activate();
  Deactivate();
  return true;
}

void TWaveOut::PlayOnce(const std::filesystem::path& file) { Play(file, false); }

void TWaveOut::PlayLooped(const std::filesystem::path& file) { Play(file, true); }

void TWaveOut::Play(const std::filesystem::path& file, bool repeated) {
  if (!FileExists(file)) return;
  SetActive(false);
  repeated_ = repeated;
  SetFileName(file);
  SetActive(true);
}

bool TWaveOut::Activate() {
  if (!FileExists(FileName())) return false;
  WaveFileOpenResult opened = TWaveFileStream::Create(FileName(), Format(), TWaveFileStream::Mode::kRead);
  if (!opened.stream) {
    SetError(opened.error);
    return false;
  }
  if (!Playable(opened.stream->Format())) {
    SetError(kInvalidWaveFileText);
    return false;
  }
  SetFormat(opened.stream->Format());

  // The device may call from its own thread: hand the call to ours, where
  // it runs only while this object still exists.
  Dispatcher* dispatcher = &dispatcher_;
  std::weak_ptr<char> alive = alive_;
  const std::string error = device_->Open(Format(), [this, dispatcher, alive](std::uint64_t piece) {
    dispatcher->Post([this, alive, piece] {
      if (alive.lock()) PieceDone(piece);
    });
  });
  if (!error.empty()) {
    device_->Close();
    SetError(error);
    return false;
  }
  device_open_ = true;
  stream_ = std::move(opened.stream);
  active_ = true;
  SetError({});
  for (int i = 0; i < 2; ++i) {
    if (!QueuePiece()) break;
  }
  return active_;
}

void TWaveOut::Deactivate() {
  stream_.reset();
  if (device_open_) {
    device_->Reset();
    device_->Close();
    device_open_ = false;
  }
  queued_.clear();
  active_ = false;
}

bool TWaveOut::QueuePiece() {
  if (!active_ || !stream_) {
    SetError(kNotActiveText);
    return false;
  }
  std::vector<char> piece = ReadPiece();
  // A looped file whose tail was too short for a piece has just started
  // over; without a piece now the loop would fall silent for good once no
  // other piece is left at the device.
  if (piece.empty() && repeated_) piece = ReadPiece();
  if (piece.empty()) return true;

  const std::uint64_t id = next_piece_++;
  queued_.insert(id);
  const std::string error = device_->Write(id, std::move(piece));
  if (!error.empty()) {
    SetError(error);
    Deactivate();
    return false;
  }
  return true;
}

std::vector<char> TWaveOut::ReadPiece() {
  if (stream_->EndOfData()) {
    if (!repeated_) return {};
    stream_->Rewind();
  }
  // Pieces hold whole frames: a looped last piece that ended inside a frame
  // would shift every repeat after it by a few bytes.
  const std::int64_t frame = Format().block_align;
  const std::int64_t full_piece = kPieceSize - kPieceSize % frame;
  const std::int64_t remaining = stream_->DataRemaining();
  std::int64_t length = remaining <= full_piece ? remaining - kTailDropped : full_piece;
  if (length > 0) length -= length % frame;

  std::vector<char> piece(static_cast<std::size_t>(std::max<std::int64_t>(length, 0)));
  const std::int64_t count = stream_->Read(piece.data(), length);
  if (repeated_ && count < full_piece) stream_->Rewind();
  piece.resize(static_cast<std::size_t>(std::max<std::int64_t>(count, 0)));
  return piece;
}

void TWaveOut::PieceDone(std::uint64_t piece) {
  // A piece released at a stop, or one of an earlier playing, is stale.
  if (queued_.erase(piece) == 0) return;
  if (active_) QueuePiece();
}

}  // namespace tazmel
