#pragma once

#include <QObject>
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
class PlayListController;
class RecorderController;
class PlaylistNavigator;
class QtDispatcher;
class Registry;
class TfrmMain;
class TfrmPlayList;
class TfrmVideo;
class TWaveOut;
class UpdateScheduler;

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

  const Settings& CurrentSettings() const { return settings_; }
  TfrmMain& MainWindow() { return *main_window_; }
  TfrmPlayList& PlayListWindow() { return *playlist_window_; }

 signals:
  void closed();

 private:
  void LoadLanguage(const std::string& code);
  void CreatePlayer();
  void CreateRecorder();
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

  // Reads the engine and acts through the main window's commands; goes
  // before both.
  std::unique_ptr<NowPlayingController> now_playing_;

  bool closing_ = false;
};

}  // namespace tazmel
