#pragma once

#include <QDialog>
#include <filesystem>
#include <string>
#include <string_view>

#include "playback/open_url_history.h"

class QButtonGroup;
class QComboBox;

namespace tazmel {

class IniFile;

// The "Open location" dialog: an address with its history from User.ini and
// the player kind to ask for. Created modal by its caller each time.
class TfrmOpenUrl : public QDialog {
  Q_OBJECT

 public:
  // `language` translates the captions when given; `prefilled` (data-code-page
  // bytes, e.g. a dropped link) replaces the address once the history is in.
  TfrmOpenUrl(std::filesystem::path user_ini, const IniFile* language, std::string_view prefilled = {},
              QWidget* parent = nullptr);
  ~TfrmOpenUrl() override;

  // The address as it stands, in the data code page; after OK the top entry.
  std::string Address() const;
  // The requested player kind: '0' Auto, '1' RP, '2' WMP.
  char KindDigit() const;

  void done(int result) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void ShowHistory();
  void OnOk();
  // The history goes back to User.ini once, whichever way the dialog ends.
  void SaveHistory();

  std::filesystem::path user_ini_;
  OpenUrlHistory history_;
  bool saved_ = false;
  QComboBox* url_ = nullptr;
  QButtonGroup* format_ = nullptr;
};

}  // namespace tazmel
