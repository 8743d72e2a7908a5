#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

#include "core/clock.h"

class QWidget;

namespace tazmel {

class ControlTesterPlayers;
class Dispatcher;
class FileTesterStore;
class IniFile;
class MpvPlayerFactory;
class ProgramPaths;
class Registry;
class StationProxyOverrides;
class StationTester;
class TfrmTest;
class TreeEditor;
class UserPrompts;
class TreeNode;

// What the tester works with; owned elsewhere, outliving the controller.
struct TesterParts {
  Dispatcher& dispatcher;
  TreeEditor& tree;
  const ProgramPaths& paths;
  const IniFile& language;
  UserPrompts& prompts;
  const Registry& registry;
  StationProxyOverrides* proxies = nullptr;
  int user_language = 0x0409;
  QWidget* owner = nullptr;
  // The engine's volume, which the hidden players start at.
  std::function<int()> volume;
  // Brackets a change of the tree's structure for the views that show it.
  std::function<void()> begin_tree_change;
  std::function<void()> end_tree_change;
};

// The station tester's window and the run behind it: made when first
// opened on a branch, kept until the program closes. A tree reload or a
// removal of a branch it uses stops the run first.
class TesterController : public QObject {
  Q_OBJECT

 public:
  explicit TesterController(TesterParts parts);
  ~TesterController() override;

  // "Test Radio..." on the tree's selected node: a top node's subtree is
  // loaded first; a node without children, or a window already showing,
  // does nothing.
  void Open();
  bool IsVisible() const;
  bool Running() const;
  // At program close: the run stops and is saved, the window goes.
  void Close();
  void Retranslate();

  TfrmTest* Window() const;
  StationTester* Tester() const { return tester_.get(); }

 private:
  class View;
  void Create();

  TesterParts parts_;
  SystemClock clock_;
  std::unique_ptr<View> view_;
  std::unique_ptr<MpvPlayerFactory> factory_;
  std::unique_ptr<ControlTesterPlayers> players_;
  std::unique_ptr<FileTesterStore> store_;
  std::unique_ptr<StationTester> tester_;
  QPointer<TfrmTest> window_;
  int cut_veto_ = 0;
  int removal_listener_ = 0;
  // Tells posted calls that the controller is gone.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace tazmel
