#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/ini_file.h"
#include "core/program_paths.h"
#include "settings/settings.h"
#include "stations/channels.h"
#include "stations/tree_editor.h"
#include "ui/message_boxes.h"

class QWidget;

namespace tazmel {

class BrowserPageFetcher;
class EngineDisplay;
class HotkeyController;
class OptionsController;
class StationProxyOverrides;
class MainWindowController;
class MusicController;
class NowPlayingController;
class TDropURLFilesTarget;
class MpvPlayerFactory;
class PlaybackEngine;
class EditorController;
class PlayListController;
class RecorderController;
class TesterController;
class SleepTimerController;
class TrackRecordController;
class SearchController;
class PlaylistNavigator;
class QtDispatcher;
class Registry;
class TfrmMain;
class TfrmPlayList;
class TfrmVideo;
class TWaveOut;
class UpdateScheduler;
class Clock;
class ScheduleController;
class AppTaskActions;
class EnginePlayerMute;
class HookShutdownPort;
class LogindPowerOff;
class SoundFilePlayer;
class TfrmShutDown;
class TfrmAdjustTime;
class TfrmTask;
struct PowerOffResult;

// The composition root's running state: brings the windows and subsystems
// up in their fixed order and winds them down in the reverse one. Every way
// out (the window closed, Exit, SIGTERM/SIGINT) goes through Close().
class Application : public QObject {
  Q_OBJECT

 public:
  explicit Application(ProgramPaths paths);
  ~Application() override;

  void Start();
  // Every way out ends here. A close the system asked for (a signal) asks
  // no questions: changes are saved as if the user had said Yes.
  void Close();
  void CloseUnattended();

  // The schedule's clock and power-off, set before Start (tests); the
  // system's by default.
  struct ScheduleOverrides {
    const Clock* clock = nullptr;
    std::function<void(std::function<void(const PowerOffResult&)>)> power_off;
  };
  void OverrideSchedule(ScheduleOverrides overrides) { schedule_overrides_ = std::move(overrides); }
  ScheduleController* Schedule() { return schedule_.get(); }
  TfrmShutDown* ShutDownWindow() { return shutdown_window_.get(); }
  TfrmAdjustTime* AdjustTimeWindow() { return adjust_window_.get(); }
  void ShowAdjustTime();
  void ShowTasks();
  TfrmTask* TaskWindow() { return task_window_.get(); }

  const Settings& CurrentSettings() const { return settings_; }
  TfrmMain& MainWindow() { return *main_window_; }
  TfrmPlayList& PlayListWindow() { return *playlist_window_; }

 signals:
  void closed();

 private:
  void LoadLanguage(const std::string& code);
  void CreatePlayer();
  void CreateRecorder();
  void CreateTester();
  void ApplySettings();
  void PlacePlayListWindow();
  void CollectSettings();
  void ShowEngineState();
  void CreateOptionsAndHotkeys();
  void OpenProxyList(QWidget* parent);
  void StartMusicList();
  bool PlayMusicChannel(int index);
  bool PlayDroppedFiles(const std::vector<std::string>& files);
  void CreateUpdateService();
  void ShowUpdateMessage(const std::string& text);
  void CreateSchedule();
  void SaveEverything();
  void PowerOffRefused(const PowerOffResult& result);
  EditorController& Editor();
  // The song being played on the session bus, in notifications and in the
  // stations' title histories.
  void CreateNowPlaying();
  bool ShowBalloon(const QString& title, const QString& text);

  ProgramPaths paths_;
  int system_language_id_ = 0;
  // The language file as last read, for windows made later.
  IniFile language_;
  Settings settings_;
  // Time for the windows and the player; outlives them all.
  std::unique_ptr<QtDispatcher> dispatcher_;
  std::unique_ptr<TfrmMain> main_window_;
  // Beside the main window, drawn from its skin; goes before it.
  std::unique_ptr<TfrmPlayList> playlist_window_;
  MessageBoxes prompts_;
  // The station tree lives here until the playlist window that shows it
  // arrives; its files migrate and its position is kept as at a full start.
  std::unique_ptr<TreeEditor> tree_;
  std::unique_ptr<PlaylistNavigator> navigator_;
  std::unique_ptr<ChannelButtons> channels_;
  // The player: the host window the components render into, the components
  // and the engine. Destroyed before the registry.
  std::unique_ptr<Registry> registry_;
  // A station's own proxy over the players' settings; outlives the engine,
  // which lets go of it when it goes.
  std::unique_ptr<StationProxyOverrides> proxies_;
  std::unique_ptr<TfrmVideo> video_;
  std::unique_ptr<MpvPlayerFactory> factory_;
  std::unique_ptr<TWaveOut> sound_;
  std::unique_ptr<BrowserPageFetcher> pages_;  // outlives the engine
  // The update service; takes the engine's listening reports, so it
  // outlives the engine.
  std::unique_ptr<UpdateScheduler> update_;
  std::unique_ptr<EngineDisplay> display_;
  std::unique_ptr<PlaybackEngine> engine_;
  // The main window's commands; goes before everything it acts on.
  std::unique_ptr<MainWindowController> main_controller_;
  // Hotkeys and the Options dialog act through the main window's commands.
  std::unique_ptr<HotkeyController> hotkeys_;
  std::unique_ptr<OptionsController> options_;
  // The station tree's pane and commands; goes before the tree it shows.
  std::unique_ptr<PlayListController> playlist_controller_;
  // The music list's pane and commands, and the playlist window's drop
  // target that feeds it.
  std::unique_ptr<MusicController> music_controller_;
  std::unique_ptr<TDropURLFilesTarget> playlist_drop_;

  // The recorder window and its recording, made on first use; goes before
  // the main window that owns the window.
  std::unique_ptr<RecorderController> recorder_;
  // The sleep timer and recording by title, from the main menu and tray.
  std::unique_ptr<SleepTimerController> sleep_timer_;
  std::unique_ptr<TrackRecordController> track_record_;

  // The check timer's timed work: tasks, timed actions, talking clock,
  // automatic shutdown; after the recorder and the engine it acts on.
  ScheduleOverrides schedule_overrides_;
  std::unique_ptr<Clock> system_clock_;
  std::unique_ptr<AppTaskActions> task_actions_;
  std::unique_ptr<EnginePlayerMute> player_mute_;
  std::unique_ptr<SoundFilePlayer> clock_words_;
  std::unique_ptr<HookShutdownPort> shutdown_port_;
  std::unique_ptr<LogindPowerOff> power_off_;
  std::unique_ptr<ScheduleController> schedule_;
  std::unique_ptr<TfrmShutDown> shutdown_window_;
  std::unique_ptr<TfrmAdjustTime> adjust_window_;
  std::unique_ptr<TfrmTask> task_window_;
  bool mute_before_power_off_ = false;
  // The station editor, made on first use, with hidden players of its own
  // (no picture, nothing in the video window); goes before the playlist
  // window that owns its window, the tree and the registry.
  std::unique_ptr<MpvPlayerFactory> editor_factory_;
  std::unique_ptr<EditorController> editor_;
  // The station tester, made when first opened; goes before the tree, the
  // tree pane and the players' registry it uses.
  std::unique_ptr<TesterController> tester_;

  // The directory search; its dialog belongs to the main window.
  std::unique_ptr<SearchController> search_;

  // Reads the engine and acts through the main window's commands; goes
  // before both.
  std::unique_ptr<NowPlayingController> now_playing_;

  bool closing_ = false;
};

}  // namespace tazmel
