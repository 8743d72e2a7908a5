#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tazmel {

// The container a station sends, as far as recording it unchanged cares.
enum class StreamFormat { kUnknown, kMp3, kAac, kOgg };

// From the reply's Content-Type ("audio/mpeg", "audio/aacp",
// "application/ogg", ...), parameters and case ignored.
StreamFormat FormatFromContentType(std::string_view content_type);
// ".mp3", ".aac", ".ogg"; ".mp3" for an unknown format, which is recorded
// as MPEG audio when its first bytes look like it.
std::string_view FormatExtension(StreamFormat format);
// Looks at the first bytes of a stream whose type said nothing useful.
StreamFormat SniffFormat(std::string_view head);

// One whole unit of the stream: an MPEG audio frame, an ADTS frame or an
// Ogg page. `header` marks Ogg pages that every file must begin with (the
// codec's set-up pages, granule 0 before the first audio page).
struct StreamFrame {
  std::string_view bytes;
  double seconds = 0;
  bool header = false;
  bool begins_stream = false;  // an Ogg page that starts a new logical stream
  // An Ogg comment header names the track ("ARTIST - TITLE", or TITLE):
  // Icecast sends Ogg without ICY metadata and starts a new logical stream
  // per track instead.
  bool has_title = false;
  std::string title;
};

// Cuts a byte stream into whole frames so that every file starts and ends
// on a boundary; bytes that are no frame (a cut at the start, garbage) are
// skipped until the next frame that is followed by another one.
class FrameScanner {
 public:
  using FrameSink = std::function<void(const StreamFrame&)>;
  explicit FrameScanner(StreamFormat format) : format_(format) {}

  void Feed(std::string_view bytes, const FrameSink& sink);
  std::uint64_t SkippedBytes() const { return skipped_; }

 private:
  // The length of the frame at the start of `data`, 0 when none starts
  // there, std::string::npos when more bytes are needed to tell.
  std::size_t FrameAt(std::string_view data, StreamFrame& frame);
  std::size_t MpegFrameAt(std::string_view data, StreamFrame& frame) const;
  std::size_t AdtsFrameAt(std::string_view data, StreamFrame& frame) const;
  std::size_t OggPageAt(std::string_view data, StreamFrame& frame);

  StreamFormat format_;
  std::string pending_;
  bool locked_ = false;  // the last frame was followed by another one
  std::uint64_t skipped_ = 0;
  // Ogg: the audio's sample rate from the identification page, the last
  // granule position and whether audio pages have begun.
  std::uint32_t ogg_rate_ = 0;
  std::int64_t ogg_granule_ = -1;
  bool ogg_audio_ = false;
};

// Splits an ICY stream ("icy-metaint" bytes of audio, a length byte, that
// many 16-byte blocks of metadata) into audio and metadata.
class IcyDemux {
 public:
  explicit IcyDemux(std::size_t metaint) : metaint_(metaint), audio_left_(metaint) {}
  // `on_meta` gets each non-empty metadata block, trailing NULs removed.
  void Feed(std::string_view bytes, const std::function<void(std::string_view)>& on_audio,
            const std::function<void(std::string_view)>& on_meta);

 private:
  std::size_t metaint_;
  std::size_t audio_left_;
  std::size_t meta_left_ = 0;
  bool in_length_ = false;
  std::string meta_;
};

// The StreamTitle of a metadata block; nullopt-like empty `found` when the
// block names none.
struct IcyTitle {
  bool found = false;
  std::string title;
};
IcyTitle ParseStreamTitle(std::string_view block);

}  // namespace tazmel
