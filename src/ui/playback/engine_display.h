#pragma once

#include <QString>
#include <functional>

#include "playback/engine_view.h"

namespace tazmel {

class TfrmVideo;

// What the engine shows, kept for the main window to render, with the video
// window's title and visibility and the wait cursor handled here.
class EngineDisplay : public EngineView {
 public:
  // `changed` runs after every change the main window shows.
  EngineDisplay(TfrmVideo& video, std::function<void()> changed);
  ~EngineDisplay() override;

  void ShowState(std::string_view text) override;
  void ShowSpeed(std::string_view text) override;
  void ShowElapsed(std::string_view text) override;
  void ShowProgress(double fraction) override;
  void SetTransport(TransportState state) override;
  void SetTrayAnimation(bool on, int interval_ms) override;
  void ShowTitle(std::string_view title, std::string_view hint) override;
  void ShowVideo(bool show) override;
  void SetWaitCursor(bool wait) override;

  const QString& State() const { return state_; }
  const QString& Speed() const { return speed_; }
  const QString& Elapsed() const { return elapsed_; }
  const QString& Title() const { return title_; }
  const QString& Hint() const { return hint_; }
  double Progress() const { return progress_; }
  TransportState Transport() const { return transport_; }
  bool TrayAnimation() const { return tray_animation_; }
  int TrayInterval() const { return tray_interval_; }

 private:
  TfrmVideo& video_;
  std::function<void()> changed_;
  QString state_, speed_, elapsed_, title_, hint_;
  double progress_ = 0;
  TransportState transport_ = TransportState::kStopped;
  bool wait_cursor_ = false;
  bool tray_animation_ = false;
  int tray_interval_ = 300;
};

}  // namespace tazmel
