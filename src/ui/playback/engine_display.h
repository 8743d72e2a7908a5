#pragma once

#include <functional>

#include "playback/engine_view.h"

namespace tazmel {

class TfrmVideo;

// The engine's snapshot, kept for the main window to render, with the video
// window's title and visibility and the wait cursor handled here.
class EngineDisplay : public EngineView {
 public:
  // `changed` runs once after every snapshot.
  EngineDisplay(TfrmVideo& video, std::function<void()> changed);
  ~EngineDisplay() override;

  void Show(const EngineViewState& state) override;
  const EngineViewState& Shown() const { return shown_; }

 private:
  void SetWaitCursor(bool wait);

  TfrmVideo& video_;
  std::function<void()> changed_;
  EngineViewState shown_;
  bool wait_cursor_ = false;
};

}  // namespace tazmel
