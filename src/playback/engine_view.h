#pragma once

#include <string>

namespace tazmel {

// What the play button shows.
enum class TransportState { kStopped, kBusy, kPlaying, kPaused };

// Everything the windows show of the engine, as one snapshot. Texts are in
// the data code page.
struct EngineViewState {
  std::string state;    // slblState: "Playing", "Buffering(45%)", ...
  std::string speed;    // slblSpeed; "" clears it
  std::string elapsed;  // dpElapsed and slblElapsed
  double progress = 0;  // 0..1
  TransportState transport = TransportState::kStopped;
  bool tray_animation = false;
  int tray_interval = 300;  // ms
  // slblRadioName with its hint; the tray hint and the video window's title
  // follow it. The hint ends with `reason` when there is one.
  std::string title;
  std::string hint;
  // The song a live stream names now (its ICY title) while it plays; ""
  // when it names none.
  std::string now_playing;
  // Why the last start failed, with when the next try comes; "" when
  // nothing failed.
  std::string reason;
  bool video = false;  // the video window is wanted
  bool wait_cursor = false;

  bool operator==(const EngineViewState&) const = default;
};

// The title label's text: what is playing, and the song it names now.
inline std::string TitleWithNowPlaying(const EngineViewState& state) {
  if (state.now_playing.empty() || state.now_playing == state.title) return state.title;
  if (state.title.empty()) return state.now_playing;
  return state.title + " - " + state.now_playing;
}

// The windows' side of the engine. The engine pushes one snapshot per event
// that changed anything, synchronously, on the user-interface thread.
class EngineView {
 public:
  virtual ~EngineView() = default;
  virtual void Show(const EngineViewState& state) = 0;
};

}  // namespace tazmel
