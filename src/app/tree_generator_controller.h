#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

#include "stations/tree_generator.h"

class QWidget;

namespace tazmel {

class IniFile;
class TfrmTreeGenerator;
class TreeEditor;
class UserPrompts;

struct TreeGeneratorParts {
  TreeEditor& tree;
  // The language file as last read: the window translates from it when made.
  const IniFile& language;
  UserPrompts& prompts;
  // Runs a command that changes the tree inside the tree pane's change
  // bracket.
  std::function<void(const std::function<void()>&)> change;
  // Colours a newly made window like the playlist window.
  std::function<void(QWidget&)> skin;
};

// The tree generator's window and its runs: Go fills a new group on the
// user-interface thread, letting events run once per record, and closing
// the window mid-run asks whether to stop.
class TreeGeneratorController : public QObject {
  Q_OBJECT

 public:
  explicit TreeGeneratorController(TreeGeneratorParts parts);
  ~TreeGeneratorController() override;

  // Made on first use, owned by `owner`, then kept.
  void Show(QWidget* owner);
  // The program closes: a run ends before its next record, without asking.
  void Stop() { generator_.RequestStop(); }
  bool Running() const { return generator_.running(); }
  TfrmTreeGenerator* Window() const;

 private:
  void Go();

  TreeGeneratorParts parts_;
  TreeGenerator generator_;
  QPointer<TfrmTreeGenerator> window_;
};

}  // namespace tazmel
