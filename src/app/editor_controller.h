#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>

#include "core/clock.h"
#include "stations/station_editor_model.h"
#include "ui/editor/editor_window.h"

class QWidget;

namespace tazmel {

class Dispatcher;
class IniFile;
class PageFetcher;
class PlayerFactory;
class ProgramPaths;
class StationCheck;
class StationProxyOverrides;
class TreeEditor;
class UserPrompts;
struct StationCheckResult;

struct EditorParts {
  QWidget* owner = nullptr;
  const ProgramPaths& paths;
  // The language file as last read.
  const IniFile& language;
  UserPrompts& prompts;
  TreeEditor& tree;
  Dispatcher& dispatcher;
  PlayerFactory& factory;
  PageFetcher* pages = nullptr;
  std::function<bool()> wmp9_installed;
  StationProxyOverrides* proxies = nullptr;
  int user_language_id = 0x0409;
};

struct EditorHooks {
  // Runs a change of the tree's structure inside the view's bracket.
  std::function<void(const std::function<void()>& change)> change_tree;
  // Sends a submission of the type; `done` gets the answer ("" on failure).
  std::function<void(const std::string& type, const std::string& data, std::function<void(std::string)> done)> submit;
  // Only http and https addresses are handed on.
  std::function<void(const std::string& address)> open_web_page;
  // The feedback address the mail question names.
  std::function<std::string()> feedback_mail;
};

// The station editor: fills TfrmEditor from the logic, runs its buttons
// and the check on hidden controls of its own. The window is made on first
// use and kept; the controller goes before the tree and the players.
class EditorController : public QObject {
  Q_OBJECT

 public:
  EditorController(EditorParts parts, EditorHooks hooks);
  ~EditorController() override;

  // Add Radio: a new station after `after_id` (0 for none), shown with the
  // name field focused; `name` and `address` prefill it (a dropped link).
  void NewStation(int after_id, const std::string& name = {}, const std::string& address = {});
  // Modify Radio: a user station editable, a system station read-only.
  void EditStation(int id);
  // A check is running: the window cannot be closed and takes nothing new.
  bool Busy() const;
  bool Visible() const;
  // Ends a running check and lets the players go (before the tree reloads
  // or the window goes).
  void StopCheck();

  TfrmEditor* Window() const { return window_; }
  const StationEditorModel& Model() const { return model_; }

 private:
  TfrmEditor& EnsureWindow();
  void Connect(TfrmEditor& w);
  void LoadWordLists(TfrmEditor& w);
  void ShowCurrent();
  void ShowEditing();
  void Append();
  void Insert();
  void Modify();
  void Delete();
  void FindName();
  void FindUrl();
  void Verify();
  void CheckDone(const StationCheckResult& result);
  void Send();
  void OpenPage(const std::string& text, bool schedule);
  void FillStates();
  void FillCities();
  void Edited();

  EditorParts parts_;
  EditorHooks hooks_;
  SystemClock clock_;
  StationEditorModel model_;
  EditorWordLists words_;
  QPointer<TfrmEditor> window_;
  std::unique_ptr<StationCheck> check_;
  int listener_ = 0;
  bool shown_ = false;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace tazmel
