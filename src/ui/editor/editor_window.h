#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "stations/radio_table.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tazmel {

// The station editor's window: one station's fields, the table commands and
// the check. It holds no logic; EditorController fills and reads it and
// runs its buttons. Closing only hides it, and is refused while a check
// runs (the Close button is disabled then).
class TfrmEditor : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmEditor(QWidget* owner = nullptr);

  // The fields as a record: VID from the ID field, the addresses from the
  // multi-line editor when it shows, else the list; format and validity as
  // their item indices.
  StationRecord FormRecord() const;
  // Fills every field; `hide_addresses` for system stations, which never
  // show where they stream from.
  void ShowRecord(const StationRecord& record, bool hide_addresses);
  void ClearFields();
  std::vector<std::string> Addresses() const;
  void SetAddresses(const std::vector<std::string>& addresses);
  // The address list's text, or the multi-line editor's lines.
  bool UrlsEditorShown() const;
  // "More": the multi-line editor in the address list's place, and back.
  void ToggleUrlsEditor();
  // The chosen address goes to the top of the list.
  void ChooseAddress(int index);
  // Leaving the address list: its text becomes part of the list.
  void CommitAddressText();
  void SelectAddress(int index);

  void SetEditable(bool editable, bool shown);
  void SetChecking(bool checking);
  bool Checking() const { return checking_; }
  void SetRecNo(const std::string& text);

  QLineEdit* IdEdit = nullptr;
  QLineEdit* edtStationName = nullptr;
  QComboBox* cbbGenre = nullptr;
  QComboBox* cbbLanguage = nullptr;
  QComboBox* cbbCountry = nullptr;
  QComboBox* cbbState = nullptr;
  QComboBox* cbbCity = nullptr;
  QComboBox* cbbStreamUrl = nullptr;
  QPlainTextEdit* mmoUrls = nullptr;
  QComboBox* cbbFormat = nullptr;
  QComboBox* cbbSpeed = nullptr;
  QComboBox* cbbValidity = nullptr;
  QLineEdit* edtHomepage = nullptr;
  QLineEdit* edtSchedule = nullptr;
  QLineEdit* edtProxy = nullptr;
  QLineEdit* edtFrequency = nullptr;
  QLineEdit* edtRecNo = nullptr;
  QPushButton* btnHomepage = nullptr;
  QPushButton* btnSchedule = nullptr;
  QPushButton* btnFindName = nullptr;
  QPushButton* btnFindUrl = nullptr;
  QPushButton* btnMoreUrs = nullptr;
  QPushButton* btnVerify = nullptr;
  QPushButton* btnAppend = nullptr;
  QPushButton* btnInsert = nullptr;
  QPushButton* btnModify = nullptr;
  QPushButton* btnDelete = nullptr;
  QPushButton* btnSend = nullptr;
  QPushButton* btnFirst = nullptr;
  QPushButton* btnPrev = nullptr;
  QPushButton* btnNext = nullptr;
  QPushButton* btnLast = nullptr;
  QPushButton* btnClose = nullptr;

 signals:
  // Any field changed by the user.
  void edited();
  void escapePressed();
  // The state (city) box was entered with an empty list.
  void stateListWanted();
  void cityListWanted();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void SetFieldColours(bool editable);

  bool checking_ = false;
  // Filling the fields is not an edit of the user's.
  int filling_ = 0;
};

}  // namespace tazmel
