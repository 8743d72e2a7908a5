#include "ui/playback/engine_display.h"

#include <QApplication>

#include "ui/playback/video_window.h"
#include "ui/text_edge.h"

namespace tazmel {

EngineDisplay::EngineDisplay(TfrmVideo& video, std::function<void()> changed)
    : video_(video), changed_(std::move(changed)) {}

EngineDisplay::~EngineDisplay() { SetWaitCursor(false); }

void EngineDisplay::ShowState(std::string_view text) {
  state_ = FromGb(text);
  changed_();
}

void EngineDisplay::ShowSpeed(std::string_view text) {
  speed_ = FromGb(text);
  changed_();
}

void EngineDisplay::ShowElapsed(std::string_view text) {
  elapsed_ = FromGb(text);
  changed_();
}

void EngineDisplay::ShowProgress(double fraction) {
  progress_ = fraction;
  changed_();
}

void EngineDisplay::SetTransport(TransportState state) {
  transport_ = state;
  changed_();
}

void EngineDisplay::SetTrayAnimation(bool on, int interval_ms) {
  tray_animation_ = on;
  tray_interval_ = interval_ms;
  changed_();
}

void EngineDisplay::ShowTitle(std::string_view title, std::string_view hint) {
  title_ = FromGb(title);
  hint_ = FromGb(hint);
  video_.SetTitle(title_);
  changed_();
}

void EngineDisplay::ShowVideo(bool show) { video_.setVisible(show); }

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
