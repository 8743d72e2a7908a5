#pragma once

#include <QObject>
#include <functional>
#include <string>

#include "app/engine_controls.h"

class QString;

namespace tazmel {

class ChannelButtons;
class IniFile;
class PlaybackEngine;
class ProgramPaths;
class TDropURLFilesTarget;
class TfrmMain;
class TfrmVideo;
class TreeEditor;
class PageFetcher;
class UpdateScheduler;
class UserPrompts;
struct Settings;

// What the main window's commands act on; all of it is owned elsewhere and
// outlives the controller.
struct MainWindowParts {
  TfrmMain& window;
  TfrmVideo& video;
  PlaybackEngine& engine;
  TreeEditor& tree;
  ChannelButtons& channels;
  Settings& settings;
  ProgramPaths& paths;
  // The language file as last read: the dialogs made later translate from it.
  const IniFile& language;
  UserPrompts& prompts;
  // The update service; none in a program without one.
  UpdateScheduler* update = nullptr;
  // Submissions go through it; none: they fail.
  PageFetcher* pages = nullptr;
};

struct MainWindowHooks {
  // The close sequence, asked for by the window, and the one the system
  // asked for while the user was not busy with a dialog.
  std::function<void()> close;
  std::function<void()> close_unattended;
  // Reads the language file of the code and re-translates every window.
  std::function<void(const std::string& code)> load_language;
  // Opens an address in the user's web browser; false when none could be
  // started. The desktop's own way by default.
  std::function<bool(const std::string& address)> open_web_page;
  // Music mode: a channel button plays entry `index` of the music list;
  // true when the music list took the button.
  std::function<bool(int index)> music_channel;
  // Files dropped on the main window or the player host replace the music
  // list and play; true when the music list took them.
  std::function<bool(const std::vector<std::string>& files)> dropped_files;
};

// The main window's one way in: its menu items, skin buttons, tray icon and
// check timer arrive here and act across the subsystems. The window itself
// sees only the narrow port it is handed.
class MainWindowController : public QObject {
  Q_OBJECT

 public:
  MainWindowController(MainWindowParts parts, MainWindowHooks hooks);
  ~MainWindowController() override;

  // Every command of the main window and of the video host's drop target.
  void Connect();

  // Whether a command may show a question right now: a close the system
  // asks for then waits until it is done.
  bool Busy() const { return busy_ > 0; }
  void CloseWhenIdle() { close_pending_ = true; }

  void CheckTick();
  void PlayCommand();
  void ToggleMute();
  void OfferShowOrHide(bool window_shown);
  void ShowCommand();
  void HideCommand();
  void HideAllCommand();
  void SetAlwaysOnTop(bool on);
  void ChooseSkinFromMenu(const QString& name);
  void SwitchLanguage(const QString& code);
  void OpenLocation(const std::string& prefill);
  void TakeDrop(const TDropURLFilesTarget& drop);
  void PlayChannel(int index);
  void PageChannels(int direction);
  void RefreshMainMenu();
  void ReloadChannels();
  void OpenWebPage(const std::string& address);
  // Show PlayList: the playlist window shown or closed; Switch Mode: the
  // other pane of it.
  void TogglePlayList();
  void SwitchMode();

  // The online items (main_window_online.cpp): update check, problem report,
  // the about box; submissions to the server.
  void ConnectOnline();
  void UpdateCommand();
  void QuestionCommand();
  void AboutCommand();
  void Submit(const std::string& type, const std::string& data, std::function<void(std::string)> done);

 private:
  class BusyScope;
  // Runs a command that may show a dialog inside a BusyScope.
  void RunBusy(const std::function<void()>& command);

  MainWindowParts parts_;
  MainWindowHooks hooks_;
  EngineControls controls_;
  bool auto_play_pending_ = true;
  bool all_hidden_ = false;
  // Show and Hide move the playlist window along with the main window; its
  // own showing and closing meanwhile is the user's choice, kept in the
  // settings' Visible.
  bool moving_playlist_ = false;
  int busy_ = 0;
  bool close_pending_ = false;
};

}  // namespace tazmel
