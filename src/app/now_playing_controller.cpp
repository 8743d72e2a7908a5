#include "app/now_playing_controller.h"

#include <QAction>
#include <algorithm>
#include <cmath>

#include "app/engine_controls.h"
#include "app/main_window_controller.h"
#include "playback/engine.h"
#include "settings/settings.h"
#include "ui/main/main_window.h"
#include "ui/main/tray_icon.h"
#include "ui/playback/title_history_dialog.h"
#include "ui/text_edge.h"

namespace tazmel {

NowPlayingController::NowPlayingController(NowPlayingParts parts)
    : parts_(std::move(parts)),
      history_(parts_.history_folder),
      now_playing_(parts_.engine, history_),
      notifier_([&window = parts_.window](const QString& summary, const QString& body) {
        return window.Tray().ShowBalloon(summary, body);
      }) {
  mpris_ = MprisService::Register(*this);
  if (mpris_) {
    volume_watch_.setInterval(500);
    connect(&volume_watch_, &QTimer::timeout, this, &NowPlayingController::Refresh);
    volume_watch_.start();
    Refresh();
  }
}

NowPlayingController::~NowPlayingController() = default;

void NowPlayingController::Show(const EngineViewState& view) {
  const bool new_song = now_playing_.Update(view);
  Refresh();
  if (!new_song) return;
  if (dialog_ && dialog_->isVisible()) FillHistoryDialog();
  const TfrmMain& window = parts_.window;
  if (parts_.settings.options.notify_new_title && (!window.isVisible() || window.isMinimized())) {
    notifier_.Show(FromGb(now_playing_.StationName()), FromGb(now_playing_.Song()), true);
  }
}

bool NowPlayingController::Notify(const QString& summary, const QString& body) { return notifier_.Show(summary, body); }

void NowPlayingController::Refresh() {
  if (mpris_) mpris_->Update(now_playing_.Mpris());
}

void NowPlayingController::OpenHistory() {
  if (!dialog_) {
    dialog_ = new TfrmTitleHistory(&parts_.window);
    connect(dialog_, &TfrmTitleHistory::notifyTitlesChanged, this,
            [this](bool on) { parts_.settings.options.notify_new_title = on; });
  }
  dialog_->SetNotifyTitles(parts_.settings.options.notify_new_title);
  FillHistoryDialog();
  dialog_->show();
  dialog_->raise();
  dialog_->activateWindow();
}

void NowPlayingController::FillHistoryDialog() {
  std::vector<std::pair<QString, QString>> rows;
  for (const TitleEntry& entry : history_.Load(now_playing_.HistoryKey())) {
    rows.emplace_back(FromGb(entry.time), FromGb(entry.title));
  }
  dialog_->ShowEntries(FromGb(now_playing_.StationName()), rows);
}

// ---------------------------------------------------------------------------
// The desktop's commands.

void NowPlayingController::Trigger(const char* action) {
  if (QAction* item = parts_.window.Action(action); item && item->isEnabled()) item->trigger();
}

void NowPlayingController::PlayPause() { parts_.commands.PlayCommand(); }

void NowPlayingController::Play() {
  // The Play command toggles; playing on is nothing to do.
  if (parts_.engine.Paused() || !parts_.engine.IsActive()) parts_.commands.PlayCommand();
}

void NowPlayingController::Pause() {
  if (parts_.engine.IsActive() && !parts_.engine.Paused()) Trigger("nPause");
}

void NowPlayingController::Stop() { Trigger("nStop"); }
void NowPlayingController::Next() { Trigger("nNext"); }
void NowPlayingController::Previous() { Trigger("nPreview"); }

void NowPlayingController::SetVolume(int percent) {
  EngineControls(parts_.engine).SetVolume(percent);
  parts_.window.ShowVolume();
  Refresh();
}

long long NowPlayingController::PositionUs() const {
  return static_cast<long long>(parts_.engine.Position().position_s * 1e6);
}

void NowPlayingController::SeekToUs(long long position_us) {
  const double duration = parts_.engine.Position().duration_s;
  if (duration <= 0) return;
  EngineControls(parts_.engine).SeekTo(std::clamp(static_cast<double>(position_us) / 1e6 / duration, 0.0, 1.0));
}

void NowPlayingController::Raise() { parts_.commands.ShowCommand(); }

// After the reply has gone out: the close takes this object along, so the
// window, which outlives it, carries the call.
void NowPlayingController::Quit() {
  QTimer::singleShot(0, &parts_.window, [quit = parts_.quit] {
    if (quit) quit();
  });
}

}  // namespace tazmel
