#include "streamrec/stream_frames.h"

#include <array>

#include "core/text_utils.h"
#include "music/mpeg_info.h"

namespace tazmel {
namespace {

constexpr std::size_t kNeedMore = std::string::npos;
// A stream that offers no frame in this many bytes is given up on for the
// held bytes: they are dropped so that memory stays bounded.
constexpr std::size_t kMaxPending = 1 << 20;

unsigned Byte(std::string_view data, std::size_t i) { return static_cast<unsigned char>(data[i]); }

std::uint32_t Le32(std::string_view data, std::size_t i) {
  return Byte(data, i) | Byte(data, i + 1) << 8 | Byte(data, i + 2) << 16 | Byte(data, i + 3) << 24;
}

std::int64_t Le64(std::string_view data, std::size_t i) {
  std::uint64_t value = 0;
  for (int k = 7; k >= 0; --k) value = value << 8 | Byte(data, i + static_cast<std::size_t>(k));
  return static_cast<std::int64_t>(value);
}

// ARTIST and TITLE of a Vorbis or Opus comment packet, as far as the
// packet's bytes in this page reach.
bool CommentTitle(std::string_view packet, std::string& out) {
  std::size_t at;
  if (packet.starts_with("\x03vorbis")) {
    at = 7;
  } else if (packet.starts_with("OpusTags")) {
    at = 8;
  } else {
    return false;
  }
  if (at + 4 > packet.size()) return false;
  at += 4 + Le32(packet, at);  // the vendor string
  if (at + 4 > packet.size()) return false;
  const std::uint32_t count = Le32(packet, at);
  at += 4;
  std::string artist, title;
  for (std::uint32_t i = 0; i < count && at + 4 <= packet.size(); ++i) {
    const std::uint32_t length = Le32(packet, at);
    at += 4;
    if (length > packet.size() - at) break;
    const std::string_view field = packet.substr(at, length);
    at += length;
    const std::size_t equals = field.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string key = AsciiLowerCopy(field.substr(0, equals));
    if (key == "artist" && artist.empty()) artist = std::string(field.substr(equals + 1));
    if (key == "title" && title.empty()) title = std::string(field.substr(equals + 1));
  }
  out = artist.empty() || title.empty() ? artist + title : artist + " - " + title;
  return true;
}

}  // namespace

StreamFormat FormatFromContentType(std::string_view content_type) {
  std::string type = AsciiLowerCopy(TrimBlanks(content_type.substr(0, content_type.find(';'))));
  if (type == "audio/mpeg" || type == "audio/mp3" || type == "audio/mpeg3" || type == "audio/x-mpeg")
    return StreamFormat::kMp3;
  if (type == "audio/aac" || type == "audio/aacp" || type == "audio/x-aac" || type == "audio/mp4a-latm")
    return StreamFormat::kAac;
  if (type == "application/ogg" || type == "audio/ogg" || type == "audio/x-ogg" || type == "audio/opus" ||
      type == "audio/vorbis")
    return StreamFormat::kOgg;
  return StreamFormat::kUnknown;
}

std::string_view FormatExtension(StreamFormat format) {
  switch (format) {
    case StreamFormat::kAac:
      return ".aac";
    case StreamFormat::kOgg:
      return ".ogg";
    case StreamFormat::kMp3:
    case StreamFormat::kUnknown:
      break;
  }
  return ".mp3";
}

StreamFormat SniffFormat(std::string_view head) {
  if (head.starts_with("OggS")) return StreamFormat::kOgg;
  for (std::size_t i = 0; i + 1 < head.size(); ++i) {
    if (Byte(head, i) != 0xFF) continue;
    const unsigned next = Byte(head, i + 1);
    // ADTS: sync 12 bits, layer 00; MPEG audio: sync 11 bits, layer not 00.
    if ((next & 0xF6) == 0xF0) return StreamFormat::kAac;
    if ((next & 0xE0) == 0xE0 && (next & 0x06) != 0) return StreamFormat::kMp3;
  }
  return StreamFormat::kUnknown;
}

std::size_t FrameScanner::MpegFrameAt(std::string_view data, StreamFrame& frame) const {
  if (data.size() < 4) return kNeedMore;
  TMPEGData info;
  if (!DecodeHeader(Byte(data, 0) << 24 | Byte(data, 1) << 16 | Byte(data, 2) << 8 | Byte(data, 3), info)) return 0;
  if (info.FrameLength < 4) return 0;
  const int samples = info.Layer == 1 ? 384 : (info.Layer == 3 && info.Version != 1 ? 576 : 1152);
  frame.seconds = static_cast<double>(samples) / info.SampleRate;
  return info.FrameLength;
}

std::size_t FrameScanner::AdtsFrameAt(std::string_view data, StreamFrame& frame) const {
  static constexpr std::array<int, 13> kRates = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                                 22050, 16000, 12000, 11025, 8000,  7350};
  if (data.size() < 7) return kNeedMore;
  if (Byte(data, 0) != 0xFF || (Byte(data, 1) & 0xF6) != 0xF0) return 0;
  const unsigned rate_index = (Byte(data, 2) >> 2) & 0x0F;
  if (rate_index >= kRates.size()) return 0;
  const std::size_t length = (Byte(data, 3) & 0x03) << 11 | Byte(data, 4) << 3 | Byte(data, 5) >> 5;
  const bool crc_absent = (Byte(data, 1) & 0x01) != 0;
  if (length < (crc_absent ? 7u : 9u)) return 0;
  const unsigned blocks = (Byte(data, 6) & 0x03) + 1;
  frame.seconds = 1024.0 * blocks / kRates[rate_index];
  return length;
}

std::size_t FrameScanner::OggPageAt(std::string_view data, StreamFrame& frame) {
  if (data.size() < 27) return data.starts_with(std::string_view("OggS").substr(0, data.size())) ? kNeedMore : 0;
  if (!data.starts_with("OggS") || Byte(data, 4) != 0) return 0;
  const std::size_t segments = Byte(data, 26);
  if (data.size() < 27 + segments) return kNeedMore;
  std::size_t body = 0;
  for (std::size_t i = 0; i < segments; ++i) body += Byte(data, 27 + i);
  const std::size_t length = 27 + segments + body;
  if (data.size() < length) return kNeedMore;

  const bool begins = (Byte(data, 5) & 0x02) != 0;
  const std::int64_t granule = Le64(data, 6);
  const std::string_view packet = data.substr(27 + segments, body);
  frame.begins_stream = begins;
  if (begins) {
    // A new logical stream (a station may chain one per track): its
    // set-up pages come again and its clock starts anew.
    ogg_audio_ = false;
    ogg_granule_ = -1;
    ogg_rate_ = 0;
    if (packet.size() >= 16 && packet.substr(0, 7) == "\x01vorbis") ogg_rate_ = Le32(packet, 12);
    if (packet.starts_with("OpusHead")) ogg_rate_ = 48000;  // Opus granules always count 48 kHz
    if (packet.starts_with("\x7F"
                           "FLAC") &&
        packet.size() >= 30) {
      ogg_rate_ = (Byte(packet, 27) << 12 | Byte(packet, 28) << 4 | Byte(packet, 29) >> 4);
    }
  }
  if (!ogg_audio_ && granule == 0) {
    frame.header = true;
    frame.has_title = CommentTitle(packet, frame.title);
    return length;
  }
  ogg_audio_ = true;
  if (granule >= 0 && ogg_rate_ > 0) {
    if (ogg_granule_ >= 0 && granule > ogg_granule_) {
      frame.seconds = static_cast<double>(granule - ogg_granule_) / ogg_rate_;
    }
    ogg_granule_ = granule;
  }
  return length;
}

std::size_t FrameScanner::FrameAt(std::string_view data, StreamFrame& frame) {
  frame = StreamFrame{};
  switch (format_) {
    case StreamFormat::kOgg:
      return OggPageAt(data, frame);
    case StreamFormat::kAac:
      return AdtsFrameAt(data, frame);
    case StreamFormat::kMp3:
    case StreamFormat::kUnknown:
      break;
  }
  return MpegFrameAt(data, frame);
}

void FrameScanner::Feed(std::string_view bytes, const FrameSink& sink) {
  pending_.append(bytes);
  std::size_t at = 0;
  while (at < pending_.size()) {
    const std::string_view rest = std::string_view(pending_).substr(at);
    StreamFrame frame;
    const std::size_t length = FrameAt(rest, frame);
    if (length == kNeedMore || (length != 0 && length > rest.size())) break;
    if (length == 0) {
      locked_ = false;
      ++at;
      ++skipped_;
      continue;
    }
    // A frame found by searching counts only when another one follows it:
    // a stray sync pattern in the middle of a frame is no boundary. Ogg
    // pages carry their own capture pattern and need no such check.
    if (!locked_ && format_ != StreamFormat::kOgg) {
      if (rest.size() < length + 4) break;
      StreamFrame next;
      const std::size_t next_length = FrameAt(rest.substr(length), next);
      if (next_length == 0) {
        ++at;
        ++skipped_;
        continue;
      }
      if (next_length == kNeedMore) break;
    }
    StreamFrame whole = frame;
    whole.bytes = rest.substr(0, length);
    sink(whole);
    locked_ = true;
    at += length;
  }
  pending_.erase(0, at);
  if (pending_.size() > kMaxPending) {
    skipped_ += pending_.size();
    pending_.clear();
    locked_ = false;
  }
}

void IcyDemux::Feed(std::string_view bytes, const std::function<void(std::string_view)>& on_audio,
                    const std::function<void(std::string_view)>& on_meta) {
  while (!bytes.empty()) {
    if (audio_left_ > 0) {
      const std::size_t take = std::min(audio_left_, bytes.size());
      on_audio(bytes.substr(0, take));
      bytes.remove_prefix(take);
      audio_left_ -= take;
      if (audio_left_ == 0) in_length_ = true;
      continue;
    }
    if (in_length_) {
      meta_left_ = static_cast<std::size_t>(Byte(bytes, 0)) * 16;
      bytes.remove_prefix(1);
      in_length_ = false;
      meta_.clear();
      if (meta_left_ == 0) audio_left_ = metaint_;
      continue;
    }
    const std::size_t take = std::min(meta_left_, bytes.size());
    meta_.append(bytes.substr(0, take));
    bytes.remove_prefix(take);
    meta_left_ -= take;
    if (meta_left_ == 0) {
      const std::size_t end = meta_.find_last_not_of('\0');
      if (end != std::string::npos) on_meta(std::string_view(meta_).substr(0, end + 1));
      audio_left_ = metaint_;
    }
  }
}

IcyTitle ParseStreamTitle(std::string_view block) {
  static constexpr std::string_view kKey = "StreamTitle='";
  const std::size_t start = block.find(kKey);
  if (start == std::string_view::npos) return {};
  std::string_view rest = block.substr(start + kKey.size());
  // Titles may hold apostrophes; the value ends at the "';" before the
  // next field, or at the block's last apostrophe.
  std::size_t end = rest.find("';");
  if (end == std::string_view::npos) end = rest.rfind('\'');
  if (end == std::string_view::npos) end = rest.size();
  return IcyTitle{true, std::string(TrimBlanks(rest.substr(0, end)))};
}

}  // namespace tazmel
