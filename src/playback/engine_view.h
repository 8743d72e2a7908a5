#pragma once

#include <string_view>

namespace tazmel {

// What the play button shows.
enum class TransportState { kStopped, kBusy, kPlaying, kPaused };

// The main window's side of the engine: labels, sliders, tray icon. Texts
// are in the data code page. Every call is synchronous, on the UI thread.
class EngineView {
 public:
  virtual ~EngineView() = default;
  virtual void ShowState(std::string_view text) = 0;    // slblState
  virtual void ShowSpeed(std::string_view text) = 0;    // slblSpeed, "" clears
  virtual void ShowElapsed(std::string_view text) = 0;  // dpElapsed and slblElapsed
  virtual void ShowProgress(double fraction) = 0;       // 0..1
  virtual void SetTransport(TransportState state) = 0;
  virtual void SetTrayAnimation(bool on, int interval_ms) = 0;
  // slblRadioName with its hint; the tray hint and the video window's title
  // follow it.
  virtual void ShowTitle(std::string_view title, std::string_view hint) = 0;
  virtual void ShowVideo(bool show) = 0;
  virtual void SetWaitCursor(bool wait) = 0;
};

}  // namespace tazmel
