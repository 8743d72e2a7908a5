#include "ui/playback/engine_display.h"

#include <QApplication>

#include "ui/playback/video_window.h"
#include "ui/text_edge.h"

namespace tazmel {

EngineDisplay::EngineDisplay(TfrmVideo& video, std::function<void()> changed)
    : video_(video), changed_(std::move(changed)) {}

EngineDisplay::~EngineDisplay() { SetWaitCursor(false); }

void EngineDisplay::Show(const EngineViewState& state) {
  const EngineViewState before = std::exchange(shown_, state);
  if (state.title != before.title) video_.SetTitle(FromGb(state.title));
  if (state.video != before.video) {
    if (state.video) {
      video_.ShowPicture();
    } else {
      video_.ClosePicture();
    }
  }
  SetWaitCursor(state.wait_cursor);
  changed_();
}

// Override cursors stack; keep exactly one of ours at most.
void EngineDisplay::SetWaitCursor(bool wait) {
  if (wait == wait_cursor_ || !qApp) return;
  wait_cursor_ = wait;
  if (wait) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

}  // namespace tazmel
