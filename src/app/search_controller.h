#pragma once

#include <QObject>
#include <memory>

namespace tazmel {

class IniFile;
class ProgramPaths;
class TfrmMain;
class TfrmSearch;
class TTreeMenu;

// The directory search: opened from the main menu, the tree's menu and the
// hotkey (all through the main menu's nSearch), it plays the chosen station
// the way the main window's station menu does. The dialog is made on first
// use and kept.
class SearchController : public QObject {
  Q_OBJECT

 public:
  SearchController(TfrmMain& window, TTreeMenu* tree_menu, const ProgramPaths& paths, const IniFile& language);
  ~SearchController() override;

  void Show();
  void Retranslate(const IniFile& language);
  // Null until first shown.
  TfrmSearch* Dialog() const { return dialog_.get(); }

 private:
  TfrmMain& window_;
  const ProgramPaths& paths_;
  const IniFile& language_;
  std::unique_ptr<TfrmSearch> dialog_;
};

}  // namespace tazmel
