// The session's audio settings and what it reports of the clip being
// played: figures read from the engine, and the clip's texts.
#include <algorithm>
#include <charconv>

#include "core/code_page.h"
#include "core/dispatcher.h"
#include "core/text_utils.h"
#include "playback/mpv/mpv_session.h"

namespace tazmel {

void MpvSession::OnMpvAudioReconfig() {
  // A new audio output starts at its own volume.
  ApplyVolume();
}

void MpvSession::SetVolume(int volume) {
  audio_.volume = std::clamp(volume, 0, 100);
  ApplyVolume();
}

void MpvSession::SetMute(bool mute) {
  audio_.mute = mute;
  ApplyVolume();
}

void MpvSession::SetBalance(int balance) {
  audio_.balance = std::clamp(balance, -100, 100);
  ApplyBalance();
}

void MpvSession::ApplyVolume() {
  // The sound server's volume for our stream acts at once; the engine's
  // software volume only reaches what has not been buffered yet (up to a
  // second with our buffer). So the stream's volume is used whenever the
  // output has one of its own, and the software volume stays at 100 then;
  // before the output exists there is nothing to set, and the output's
  // reconfiguration applies it. Other outputs (null, or ALSA, whose volume
  // would be the system mixer's) use the software volume.
  bool software = !audio_.stream_volume;
  if (audio_.stream_volume && core_->GetString("current-ao").has_value()) {
    software = !(core_->SetDouble("ao-volume", audio_.volume) && core_->SetFlag("ao-mute", audio_.mute));
  }
  core_->SetDouble("volume", software ? audio_.volume : 100);
  core_->SetFlag("mute", software && audio_.mute);
}

void MpvSession::ApplyBalance() {
  std::string filter;
  if (audio_.balance != 0) {
    // -1..1 towards the right; written without the locale's decimal mark.
    char number[16];
    const auto [end, ec] =
        std::to_chars(number, number + sizeof number, audio_.balance / 100.0, std::chars_format::fixed, 2);
    filter = "@balance:lavfi=[stereotools=balance_out=" + std::string(number, end) + "]";
  }
  if (filter == audio_.applied_filter) return;
  if (!core_->SetString("af", filter)) return;
  audio_.applied_filter = filter;
  // The filter acts before the sound server's buffer, which would play the
  // old balance for another second. Once a slider has come to rest that
  // buffer is dropped, at the cost of a moment's silence; moves in quick
  // succession share one drop.
  if (audio_.stream_volume && clip_.playing) balance_refresh_->Start(std::chrono::milliseconds(150));
}

double MpvSession::Position() const {
  if (!clip_.entry.loaded) return 0;
  return std::max(0.0, core_->GetDouble("time-pos").value_or(0));
}

double MpvSession::Duration() const {
  if (!clip_.entry.loaded) return clip_.active ? 0 : clip_.ended_duration;
  if (clip_.live) return 0;
  return std::max(0.0, core_->GetDouble("duration").value_or(0));
}

int MpvSession::ClipBitrate() const {
  if (!clip_.entry.loaded) return 0;
  // The nominal rates of the tracks; the measured ones jitter.
  const double audio =
      core_->GetDouble("current-tracks/audio/demux-bitrate").value_or(core_->GetDouble("audio-bitrate").value_or(0));
  const double video =
      core_->GetDouble("current-tracks/video/demux-bitrate").value_or(core_->GetDouble("video-bitrate").value_or(0));
  return static_cast<int>(std::clamp(audio + video, 0.0, 2e9));
}

int MpvSession::ArrivalRate() const {
  if (!clip_.entry.loaded || !clip_.network) return 0;
  const std::int64_t bytes_per_second = core_->GetInt64("cache-speed").value_or(0);
  return static_cast<int>(std::clamp<std::int64_t>(bytes_per_second * 8, 0, 2'000'000'000));
}

int MpvSession::BufferingPercent() const {
  if (clip_.buffering) return std::clamp(core_->Observed().cache_buffering_state, 0, 100);
  return clip_.playing || clip_.paused ? 100 : 0;
}

std::string MpvSession::SourceProtocol() const { return clip_.scheme; }

int MpvSession::VideoWidth() const {
  return clip_.entry.loaded ? static_cast<int>(core_->GetInt64("video-params/w").value_or(0)) : 0;
}

int MpvSession::VideoHeight() const {
  return clip_.entry.loaded ? static_cast<int>(core_->GetInt64("video-params/h").value_or(0)) : 0;
}

std::string MpvSession::MetadataText(std::initializer_list<std::string_view> keys) const {
  if (!clip_.active) return {};
  for (std::string_view key : keys) {
    for (const auto& [name, value] : core_->Observed().metadata) {
      if (!EqualsNoCase(name, key)) continue;
      const std::string_view text = TrimControls(value);
      // Stations send their titles in their own code page, which the engine
      // may hand on as it is; bytes that are not UTF-8 are most likely
      // already the data code page.
      if (!text.empty()) return IsValidUtf8(text) ? Utf8ToGb(text) : std::string(text);
    }
  }
  return {};
}

// ICY streams name the song in icy-title and the station in icy-name.
std::string MpvSession::Title() const { return MetadataText({"icy-title", "title", "icy-name"}); }
std::string MpvSession::StreamTitle() const { return MetadataText({"icy-title"}); }
std::string MpvSession::Author() const { return MetadataText({"artist", "author", "album_artist", "icy-name"}); }
std::string MpvSession::Copyright() const { return MetadataText({"copyright"}); }
std::string MpvSession::Genre() const { return MetadataText({"genre", "icy-genre"}); }
std::string MpvSession::ProviderUrl() const { return MetadataText({"icy-url"}); }

std::string MpvSession::AudioLanguage() const {
  if (!clip_.entry.loaded) return {};
  for (const char* property : {"current-tracks/audio/lang", "metadata/by-key/language"}) {
    const std::string value(TrimControls(core_->GetString(property).value_or("")));
    if (!value.empty()) return value;
  }
  return {};
}

}  // namespace tazmel
