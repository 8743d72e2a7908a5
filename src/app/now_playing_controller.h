#pragma once

#include <QObject>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/desktop_notifier.h"
#include "app/mpris_service.h"
#include "app/now_playing.h"
#include "playback/title_history.h"

namespace tazmel {

class MainWindowController;
class PlaybackEngine;
class TfrmMain;
class TfrmTitleHistory;
struct Settings;

struct NowPlayingParts {
  TfrmMain& window;
  PlaybackEngine& engine;
  MainWindowController& commands;
  Settings& settings;
  std::filesystem::path history_folder;
  // The program's way out.
  std::function<void()> quit;
};

// The song being played beyond the main window: the media player object on
// the session bus, the desktop's notifications (tray balloons otherwise),
// the stations' title histories and their dialog.
class NowPlayingController : public QObject, private MprisPlayerPort {
  Q_OBJECT

 public:
  explicit NowPlayingController(NowPlayingParts parts);
  ~NowPlayingController() override;

  // Every snapshot of the engine.
  void Show(const EngineViewState& view);
  // A message for the user outside the window (what tray balloons said).
  bool Notify(const QString& summary, const QString& body);
  // The main menu's history item.
  void OpenHistory();

  MprisService* Mpris() { return mpris_.get(); }
  DesktopNotifier& Notifier() { return notifier_; }

 private:
  void Refresh();
  void FillHistoryDialog();

  // What the desktop asks for, through the window's own commands.
  void PlayPause() override;
  void Play() override;
  void Pause() override;
  void Stop() override;
  void Next() override;
  void Previous() override;
  void SetVolume(int percent) override;
  long long PositionUs() const override;
  void SeekToUs(long long position_us) override;
  void Raise() override;
  void Quit() override;
  void Trigger(const char* action);

  NowPlayingParts parts_;
  TitleHistory history_;
  NowPlaying now_playing_;
  DesktopNotifier notifier_;
  std::unique_ptr<MprisService> mpris_;
  // The volume changes without a snapshot (knob, hotkeys, menu).
  QTimer volume_watch_;
  TfrmTitleHistory* dialog_ = nullptr;
};

}  // namespace tazmel
