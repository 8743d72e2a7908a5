#include "recording/recorder.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

#include "core/file_utils.h"
#include "core/messages.h"
#include "core/time_utils.h"

namespace tazmel {
namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool IsRecording(const std::filesystem::path& file) {
  const std::string extension = Lower(file.extension().string());
  return extension == ".wav" || extension == ".mp3";
}

}  // namespace

WaveFormat AttributeFormat(int k) {
  k = std::clamp(k, 0, kAttributeCount - 1);
  return MakeWaveFormat(static_cast<TSamplesPerSec>(k / 4), static_cast<TBitsperSample>(k / 2 % 2),
                        static_cast<TChannels>(k % 2));
}

std::string AttributeText(int k) {
  const WaveFormat f = AttributeFormat(k);
  std::string text = std::to_string(f.samples_per_sec) + " Hz, " + std::to_string(f.bits_per_sample) + Msg(106) + ", " +
                     Msg(f.channels == 2 ? 108 : 107);
  if (k == 4) text += " (" + Msg(109) + ")";
  if (k == 16) text += " (" + Msg(110) + ")";
  if (k == kDefaultAttributes) text += " (" + Msg(111) + ")";
  return text;
}

std::string RecordingName(std::string_view text, std::string_view stamp, bool mp3) {
  std::string name = CleanFileName(text);
  if (const std::size_t dot = name.rfind('.'); dot != std::string::npos) name.erase(dot);
  name += (name.empty() ? "" : " ") + std::string(stamp) + (mp3 ? ".mp3" : ".wav");
  return name;
}

TRecorder::TRecorder(Dispatcher& dispatcher, std::unique_ptr<WaveInDevice> device, std::unique_ptr<TLameCoder> coder,
                     std::filesystem::path program_folder)
    : dispatcher_(dispatcher),
      capture_(dispatcher, std::move(device)),
      coder_(std::move(coder)),
      program_folder_(std::move(program_folder)),
      wall_clock_([] { return std::chrono::system_clock::now(); }) {
  SetAttributes(kDefaultAttributes);
  capture_.SetOnData([this](const char* data, std::size_t count) { Buffer(data, count); });
  capture_.SetOnError([this](const std::string& error) { Failed(error); });
}

TRecorder::~TRecorder() {
  on_stopped = nullptr;
  Stop();
}

void TRecorder::SetFileFormat(Format format) {
  if (format == Format::kMp3 && !coder_) format = Format::kWave;
  if (format == Format::kMp3) SetAttributes(kDefaultAttributes);
  format_ = format;
}

void TRecorder::SetAttributes(int k) {
  if (k < 0 || k >= kAttributeCount || recording_) return;
  attributes_ = k;
  const WaveFormat f = AttributeFormat(k);
  capture_.SetSamplesPerSec(SamplesPerSecOf(f.samples_per_sec));
  capture_.SetBitsperSample(BitsperSampleOf(f.bits_per_sample));
  capture_.SetChannels(ChannelsOf(f.channels));
}

void TRecorder::SetSource(WaveInSource source) { capture_.SetSource(std::move(source)); }

std::filesystem::path TRecorder::Folder() const {
  return save_folder_.empty() ? program_folder_ / "Record" : save_folder_;
}

bool TRecorder::Start(const std::string& file_text, const std::string& playing) {
  if (recording_) return false;
  if (save_folder_.empty()) save_folder_ = Folder();
  const std::time_t now = std::chrono::system_clock::to_time_t(wall_clock_());
  std::tm local{};
  localtime_r(&now, &local);
  const std::string stamp = TimeStampText(local);
  const bool mp3_format = format_ == Format::kMp3;

  std::error_code ec;
  std::filesystem::path name;
  if (file_text.empty() || std::filesystem::exists(file_text, ec)) {
    name = save_folder_ / RecordingName(playing, stamp, mp3_format);
  } else if (file_text.find('/') == std::string::npos) {
    name = save_folder_ / RecordingName(file_text, stamp, mp3_format);
  } else {
    name = file_text;
  }
  name = FreeFileName(name);
  std::filesystem::create_directories(name.parent_path(), ec);
  mp3_ = Lower(name.extension().string()) == ".mp3";
  file_ = name;

  // The name is a fresh one, so whatever a failed start left under it goes.
  const auto fail = [this](const std::string& why) {
    if (mp3_fd_ >= 0) ::close(mp3_fd_);
    mp3_fd_ = -1;
    std::error_code ignored;
    std::filesystem::remove(file_, ignored);
    if (coder_) coder_->CloseStream();
    recording_ = false;
    if (on_error) on_error(why);
    return false;
  };
  if (mp3_) {
    if (!coder_) return fail("No MP3 encoder");
    const WaveFormat f = capture_.Format();
    coder_->SampleRate = f.samples_per_sec;
    coder_->Mode = f.channels == 2 ? TLameMode::STEREO : TLameMode::MONO;
    if (const int result = coder_->OpenStream(); result != 0) {
      return fail("LAME refused the stream (" + std::to_string(result) + ")");
    }
    mp3_fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (mp3_fd_ < 0) return fail(name.string() + ": " + std::strerror(errno));
    chunk_.clear();
    chunk_.reserve(coder_->SamplesPerChunk());
    bytes_ = 0;
    capture_.SetAutoSaveFile(false);
  } else {
    bytes_ = kWaveHeaderSize;
    capture_.SetAutoSaveFile(true);
    capture_.SetFileName(name);
  }
  if (!capture_.SetActive(true)) return fail(capture_.LastError());
  recording_ = true;
  started_ = dispatcher_.Now();
  if (on_started) on_started();
  return true;
}

void TRecorder::Buffer(const char* data, std::size_t count) {
  if (!recording_) return;
  if (!mp3_) {
    bytes_ += static_cast<std::int64_t>(count);
  } else {
    // The encoder takes 16-bit samples: 8-bit ones are widened.
    const bool eight = capture_.Format().bits_per_sample == 8;
    const std::size_t values = eight ? count : count / 2;
    const std::size_t chunk = coder_->SamplesPerChunk();
    for (std::size_t i = 0; i < values; ++i) {
      const auto* bytes = reinterpret_cast<const unsigned char*>(data);
      chunk_.push_back(eight ? static_cast<std::int16_t>((bytes[i] - 128) * 256)
                             : static_cast<std::int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8));
      if (chunk_.size() < chunk) continue;
      encoded_.clear();
      if (coder_->EncodeChunk(chunk_.data(), chunk_.size(), encoded_) != 0) {
        Failed("MP3 encoding failed");
        return;
      }
      chunk_.clear();
      if (!WriteAll(mp3_fd_, encoded_.data(), encoded_.size())) {
        Failed(file_.string() + ": " + std::strerror(errno));
        return;
      }
      bytes_ += static_cast<std::int64_t>(encoded_.size());
    }
  }
  if (on_progress) on_progress();
}

void TRecorder::FinishMp3() {
  if (mp3_fd_ < 0) return;
  encoded_.clear();
  if (coder_->Flush(encoded_) == 0 && WriteAll(mp3_fd_, encoded_.data(), encoded_.size())) {
    bytes_ += static_cast<std::int64_t>(encoded_.size());
  }
  ::close(mp3_fd_);
  mp3_fd_ = -1;
  coder_->CloseStream();
  chunk_.clear();
}

void TRecorder::Stop() {
  if (!recording_) return;
  recording_ = false;
  capture_.SetActive(false);
  FinishMp3();
  if (on_stopped) on_stopped();
}

void TRecorder::Failed(const std::string& error) {
  if (!recording_) return;
  Stop();
  if (on_error) on_error(error);
}

std::string TRecorder::SizeText() const {
  // "#,##0.00": the program keeps the C numeric locale (libmpv needs it),
  // so the grouping is done here.
  const long long hundredths = std::llround(static_cast<double>(bytes_) / 1024 / 1024 * 100);
  std::string whole = std::to_string(hundredths / 100);
  for (int i = static_cast<int>(whole.size()) - 3; i > 0; i -= 3) whole.insert(static_cast<std::size_t>(i), ",");
  char fraction[8];
  std::snprintf(fraction, sizeof fraction, ".%02lld MB", hundredths % 100);
  return whole + fraction;
}

std::string TRecorder::ElapsedText() const {
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(dispatcher_.Now() - started_).count();
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
  return text;
}

std::vector<std::filesystem::path> TRecorder::RecordFiles() const {
  std::vector<std::filesystem::path> all, out;
  ListFiles(Folder(), all);
  for (const auto& file : all) {
    if (IsRecording(file)) out.push_back(file);
  }
  std::sort(out.begin(), out.end());
  return out;
}

bool TRecorder::Clear() {
  if (recording_ || converting_) return false;
  bool ok = true;
  for (const auto& file : RecordFiles()) {
    std::error_code ec;
    if (!std::filesystem::remove(file, ec)) ok = false;
  }
  std::error_code ec;
  if (std::filesystem::is_empty(Folder(), ec) && !ec) std::filesystem::remove(Folder(), ec);
  return ok;
}

}  // namespace tazmel
