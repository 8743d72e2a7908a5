#include "streamrec/track_splitter.h"

#include <array>
#include <system_error>
#include <utility>

#include "core/code_page.h"
#include "core/file_utils.h"
#include "core/text_utils.h"
#include "music/id3_tag.h"

namespace tazmel {
namespace {

// Audio held before the first title decides the file: longer than the
// wait for the first metadata block of any station seen.
constexpr double kFirstTitleWaitSeconds = 10.0;
// Bounds for streams whose frames carry no duration (an Ogg codec we do
// not know): memory and the old file's tail stay finite.
constexpr std::size_t kMaxRecentBytes = 8u << 20;
constexpr std::size_t kMaxStemBytes = 200;

}  // namespace

std::string TitleAsUtf8(std::string_view title) {
  if (IsValidUtf8(title)) return std::string(title);
  std::string out;
  for (char c : title) AppendUtf8(out, static_cast<unsigned char>(c));
  return out;
}

std::string TrackFileStem(std::string_view utf8_title) {
  // The cleaning rule works on data-code-page text; GB18030 holds every
  // character, so the round trip loses nothing.
  std::string text = GbToUtf8(CleanFileName(Utf8ToGb(utf8_title)));
  std::string kept;
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) continue;
    kept.push_back(c);
  }
  std::string_view stem = TrimBlanks(kept);
  while (!stem.empty() && (stem.front() == '.' || stem.front() == ' ')) stem.remove_prefix(1);
  if (stem.size() > kMaxStemBytes) {
    std::size_t cut = kMaxStemBytes;
    while (cut > 0 && (static_cast<unsigned char>(stem[cut]) & 0xC0) == 0x80) --cut;
    stem = TrimBlanks(stem.substr(0, cut));
  }
  return std::string(stem);
}

TrackSplitter::TrackSplitter(TrackSplitterOptions options) : options_(std::move(options)), scanner_(options_.format) {}

TrackSplitter::~TrackSplitter() { Finish(); }

void TrackSplitter::Audio(std::string_view bytes) {
  if (finished_) return;
  scanner_.Feed(bytes, [this](const StreamFrame& frame) { OnFrame(frame); });
}

void TrackSplitter::Title(std::string_view title) {
  if (finished_) return;
  const std::string utf8 = TitleAsUtf8(TrimBlanks(title));
  if (started_ && (utf8.empty() || utf8 == current_title_)) return;
  Begin(utf8);
}

// The untitled file begins with the first audio: an Ogg stream may still
// name its track in the set-up pages before it.
void TrackSplitter::NoTitles() { no_titles_ = true; }

void TrackSplitter::Finish() {
  if (finished_) return;
  finished_ = true;
  Close(closing_);
  Close(current_);
}

std::filesystem::path TrackSplitter::FreeName(const std::string& stem) const {
  const std::string extension(FormatExtension(options_.format));
  std::error_code ec;
  std::filesystem::path path = options_.folder / (stem + extension);
  for (int n = 2; std::filesystem::exists(path, ec) || ec; ++n) {
    path = options_.folder / (stem + " (" + std::to_string(n) + ")" + extension);
  }
  return path;
}

bool TrackSplitter::Begin(const std::string& title, bool overlap) {
  started_ = true;
  current_title_ = title;
  Close(closing_);
  if (!overlap) {
    Close(current_);
    ClearRecent();
  }
  if (current_.file) {
    closing_ = std::move(current_);
    closing_.tail_seconds = options_.overlap_seconds;
    if (closing_.tail_seconds <= 0) Close(closing_);
  }

  std::string stem = TrackFileStem(title);
  if (stem.empty()) stem = TrackFileStem(options_.untitled_name);
  if (stem.empty()) stem = "Stream";
  std::error_code ec;
  std::filesystem::create_directories(options_.folder, ec);
  const std::filesystem::path path = FreeName(stem);
  current_.file.reset(std::fopen(path.c_str(), "wbx"));
  if (!current_.file) {
    error_ = "Cannot create " + path.string();
    Finish();
    return false;
  }
  current_.index = files_.size();
  files_.push_back(TrackFile{path, title, 0});

  if (!title.empty() && options_.format != StreamFormat::kOgg) {
    // MPEG and ADTS readers skip an ID3v2 tag at the start and show it.
    std::array<std::string, TID3Tag::kV2FieldCount> fields{};
    std::string rest = title;
    const std::string artist = rest.find(" - ") != std::string::npos ? CutFirst(rest, " - ") : std::string();
    fields[TID3Tag::kV2Title] = Utf8ToGb(TrimBlanks(rest));
    fields[TID3Tag::kV2Artist] = Utf8ToGb(TrimBlanks(artist));
    WriteTo(current_, BuildId3v2(fields, {}, 0), 0);
  }
  if (!headers_.empty()) WriteTo(current_, headers_, 0);
  headers_in_current_ = headers_.size();
  for (std::size_t i = 0; i < recent_.size() && current_.file; ++i) WriteTo(current_, recent_[i], recent_seconds_[i]);
  return current_.file != nullptr;
}

void TrackSplitter::ClearRecent() {
  recent_.clear();
  recent_seconds_.clear();
  recent_total_ = 0;
  recent_bytes_ = 0;
}

void TrackSplitter::OnFrame(const StreamFrame& frame) {
  if (frame.header) {
    if (frame.begins_stream) {
      // A new logical stream: its set-up pages wait until its comment
      // tells whether it is a new track. Audio of the old one cannot
      // overlap into it, nor its audio into the old file.
      headers_.clear();
      headers_in_current_ = 0;
      chain_pending_ = true;
    }
    headers_.append(frame.bytes);
    if (chain_pending_ && frame.has_title) {
      chain_pending_ = false;
      const std::string title = TitleAsUtf8(TrimBlanks(frame.title));
      if (!title.empty() && title != current_title_) {
        Begin(title, false);
      } else {
        WriteHeaders();  // the same track goes on, chained
      }
    } else if (!chain_pending_) {
      WriteHeaders();
    }
    return;
  }
  if (chain_pending_) {
    chain_pending_ = false;
    WriteHeaders();
  }
  if (!started_ && no_titles_) Begin("");
  if (current_.file) WriteTo(current_, frame.bytes, frame.seconds);
  if (closing_.file) {
    WriteTo(closing_, frame.bytes, frame.seconds);
    closing_.tail_seconds -= frame.seconds;
    if (closing_.tail_seconds <= 0) Close(closing_);
  }
  if (finished_) return;

  recent_.emplace_back(frame.bytes);
  recent_seconds_.push_back(frame.seconds);
  recent_total_ += frame.seconds;
  recent_bytes_ += frame.bytes.size();
  const double keep = started_ ? options_.overlap_seconds : kFirstTitleWaitSeconds;
  while (recent_.size() > 1 && (recent_total_ - recent_seconds_.front() >= keep || recent_bytes_ > kMaxRecentBytes)) {
    recent_bytes_ -= recent_.front().size();
    recent_total_ -= recent_seconds_.front();
    recent_.pop_front();
    recent_seconds_.pop_front();
  }
  if (keep <= 0 && started_) ClearRecent();
  // A station that has sent no title by now may never: record untitled, and
  // split off when a title does come.
  if (!started_ && recent_total_ >= kFirstTitleWaitSeconds) Begin("");
}

// The set-up pages the current file does not have yet (a file begun while
// they were still arriving has the first of them).
void TrackSplitter::WriteHeaders() {
  if (!current_.file || headers_in_current_ >= headers_.size()) return;
  WriteTo(current_, std::string_view(headers_).substr(headers_in_current_), 0);
  headers_in_current_ = headers_.size();
}

void TrackSplitter::WriteTo(OpenFile& target, std::string_view bytes, double seconds) {
  if (!target.file) return;
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), target.file.get()) != bytes.size()) {
    error_ = "Cannot write " + files_[target.index].path.string();
    Finish();
    return;
  }
  bytes_written_ += bytes.size();
  files_[target.index].seconds += seconds;
}

void TrackSplitter::Close(OpenFile& target) {
  if (!target.file) return;
  const bool ok = std::fclose(target.file.release()) == 0;
  if (!ok && error_.empty()) error_ = "Cannot write " + files_[target.index].path.string();
}

}  // namespace tazmel
