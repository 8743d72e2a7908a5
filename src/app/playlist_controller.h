#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "stations/radio_table.h"

namespace tazmel {

class IniFile;
class ProgramPaths;
class SkinState;
class TfrmData;
class TfrmFind;
struct FindDialogOptions;
class TfrmGroup;
class TfrmSetChannel;
class TreeGeneratorController;
class TRadioTreeView;
class TTreeMenu;
class TreeEditor;
class TreeNode;
class UserPrompts;
struct StationRecord;

struct PlayListParts {
  TreeEditor& tree;
  const ProgramPaths& paths;
  // The language file as last read: the dialogs made later translate from it.
  const IniFile& language;
  UserPrompts& prompts;
};

struct PlayListHooks {
  // Opens an address in the web browser; the desktop's own way by default.
  std::function<bool(const std::string& address)> open_web_page;
  // A channel preset was written: the main window's buttons reload.
  std::function<void()> reload_channels;
  // The window's close button (skin button 6).
  std::function<void()> close_window;
  // Whether the tree pane is the visible one; the tree by default.
  std::function<bool()> tree_visible;
  // While the music pane shows: skin buttons 0..5, the find dialog's Find
  // and its close.
  std::function<void(int index)> music_button;
  std::function<void(const FindDialogOptions& options)> music_find;
  std::function<void()> music_find_closed;
  // The station editor: Add Radio after a station ID (0 for none), with a
  // dropped link's title and address; Modify Radio; whether a check holds
  // it busy; a station selected while it shows.
  std::function<void(int after_id, const std::string& name, const std::string& address)> add_radio;
  std::function<void(int id)> edit_radio;
  std::function<bool()> editor_busy;
  std::function<void(int id)> editor_follow;
  // The data tool's file question: the window's open or save dialog with
  // the proposed name; nothing when cancelled. Runs the dialog by default.
  std::function<std::optional<std::filesystem::path>(TfrmData& window, bool save, const QString& proposed)> data_file =
      nullptr;
};

// The playlist window's one way in for the station tree: the tree menu, the
// skin buttons, the tree pane's mouse and keys, the three dialogs, and the
// tree logic's requests to the view all run here. Every command that changes
// the tree's structure runs inside the model's change bracket.
class PlayListController : public QObject {
  Q_OBJECT

 public:
  PlayListController(PlayListParts parts, PlayListHooks hooks);
  ~PlayListController() override;

  // The tree pane; the playlist window takes it into its panel (and then
  // owns it).
  TRadioTreeView& TreeView() const;
  TTreeMenu& TreeMenu() const { return *menu_; }
  // Null until first used.
  TfrmFind* FindDialog() const;
  TfrmGroup* GroupDialog() const;
  TfrmSetChannel* ChannelDialog() const;

  void ApplySkin(const SkinState* skin);

  // A change of the tree's structure from outside (the station editor),
  // inside the model's change bracket.
  void RunTreeChange(const std::function<void()>& change);
  // Add Radio, also for a link dropped on the tree (its title and address).
  void AddRadio(const std::string& name = {}, const std::string& address = {});

  // A tree-menu item by object name; unknown or disabled items do nothing.
  void RunMenuCommand(const QString& name);
  // The window's skin buttons 0..6.
  void ButtonCommand(int index);
  // The window is about to hide: changed trees are saved, after asking.
  void Closing();
  // Next and Previous of the player while the tree is visible.
  int PlayNextStation();
  int PlayPreviousStation();
  // Enabling of the menu (and so of its shortcuts) from the tree's state.
  void UpdateMenuState();
  // Opens the find dialog (made on first use); it searches the shown pane.
  void ShowFind();
  // The tree generator's window and runs (the window is made on first use).
  TreeGeneratorController& TreeGenerator() const { return *generator_; }
  // The data tool's window while one of its commands runs, else null.
  TfrmData* DataWindow() const;
  // The main window closes: a running export or import stops.
  void StopDataTool();

 private:
  template <typename Command>
  void Change(Command command);
  void EditRadio();
  void Bind(const char* name, std::function<void()> command);
  void SelectionFollow(TreeNode* node);
  void ShowGroup(bool modify);
  void ShowChannel();
  void OpenProgramList();
  void PopUpMenu(const QPoint& pos);
  void SkinNewDialog(QWidget& dialog) const;
  // Import Data, Export Data, Export All Data (playlist_data_commands.cpp).
  enum class DataCommand { kImport, kExportBranch, kExportAll };
  void RunDataCommand(DataCommand command);

  PlayListParts parts_;
  PlayListHooks hooks_;
  QPointer<TRadioTreeView> view_;
  TTreeMenu* menu_ = nullptr;
  QPointer<TfrmFind> find_;
  QPointer<TfrmGroup> group_;
  QPointer<TfrmSetChannel> channel_;
  std::unique_ptr<TreeGeneratorController> generator_;
  QPointer<TfrmData> data_;
  int listener_ = 0;
  const SkinState* skin_ = nullptr;
  // A command is running (Incorporate lets events through): others wait.
  bool running_ = false;
  // The node the logic asked to bring into view during a change; shown once
  // the view has been restored.
  const TreeNode* pending_visible_ = nullptr;
};

}  // namespace tazmel
