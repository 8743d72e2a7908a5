#include "app/now_playing.h"

#include "playback/engine.h"
#include "ui/text_edge.h"

namespace tazmel {
namespace {

std::tm SystemLocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

}  // namespace

NowPlaying::NowPlaying(const PlaybackEngine& engine, TitleHistory& history, LocalNow now)
    : engine_(engine), history_(history), now_(now ? std::move(now) : LocalNow(SystemLocalNow)) {}

bool NowPlaying::Update(const EngineViewState& view) {
  if (view.title != view_.title) ++track_;
  view_ = view;
  if (view.now_playing.empty()) {
    // Stopped or between songs: the next song is new even when it is the
    // same one again (the history still skips a repeat of its newest).
    if (!song_.empty()) ++track_;
    song_.clear();
    return false;
  }
  const std::vector<std::string>& addresses = engine_.AddressList();
  const std::string key = TitleHistory::KeyFor(engine_.Source(), addresses.empty() ? "" : addresses.front());
  if (view.now_playing == song_ && key == key_) return false;
  song_ = view.now_playing;
  key_ = key;
  station_ = engine_.CurrentRecord().VRadioName;
  ++track_;
  history_.Add(key_, song_, now_());
  return true;
}

MprisState NowPlaying::Mpris() const {
  MprisState state;
  switch (view_.transport) {
    case TransportState::kPlaying:
    case TransportState::kBusy:
      state.playback_status = QStringLiteral("Playing");
      break;
    case TransportState::kPaused:
      state.playback_status = QStringLiteral("Paused");
      break;
    case TransportState::kStopped:
      state.playback_status = QStringLiteral("Stopped");
      break;
  }
  const bool streaming = !engine_.Source().IsMusicList();
  if (!song_.empty()) {
    const ArtistTitle song = SplitArtistTitle(song_);
    state.title = FromGb(song.title);
    state.artist = FromGb(song.artist);
  } else {
    state.title = FromGb(view_.title);
  }
  if (streaming) state.album = FromGb(engine_.CurrentRecord().VRadioName);
  if (!state.title.isEmpty()) {
    state.track_id = QStringLiteral("/org/mpris/MediaPlayer2/tazmel/track/") + QString::number(track_);
  }
  const ClipPosition at = engine_.Position();
  if (at.duration_s > 0) state.length_us = static_cast<long long>(at.duration_s * 1e6);
  state.volume = engine_.Volume() / 100.0;
  state.can_pause = view_.transport == TransportState::kPlaying || view_.transport == TransportState::kBusy;
  state.can_seek = engine_.CanSeek();
  return state;
}

}  // namespace tazmel
