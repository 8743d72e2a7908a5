#pragma once

#include <QDialog>
#include <array>

#include "music/file_info_editor.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace tazmel {

// `TfrmFileInfo`: the MPEG information of one file and its two tags for
// editing, over a FileInfoEditor. Shown without blocking; the music list
// keeps it on its current row while it is visible.
class TfrmFileInfo : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmFileInfo(QWidget* owner);

  // Puts `path` into the file name field and shows the dialog (reading the
  // file), or only re-reads it when the dialog is visible already.
  void ShowFile(const QString& path);
  // "&Updo Changes": reads the file the name field names.
  void Undo();
  // "&Modify": writes the controls into the file.
  void Modify();
  void CopyToV1();
  void CopyFromV1();

  // For the owner and tests.
  QLineEdit* FileNameEdit() const { return edtFileName_; }
  QCheckBox* V1Box() const { return chkID3v1_; }
  QCheckBox* V2Box() const { return chkID3v2_; }
  QLineEdit* V1Edit(TID3Tag::V1Field field) const;
  QLineEdit* V2Edit(TID3Tag::V2Field field) const;
  QComboBox* V1Genre() const { return cbbGenre_; }
  QComboBox* V2Genre() const { return cbbGenre2_; }
  QPlainTextEdit* V2Comment() const { return mmoComment_; }
  QPlainTextEdit* InfoMemo() const { return mmoMPEGInfo_; }
  QPushButton* ModifyButton() const { return btnModify_; }
  const FileInfoEditor& Editor() const { return editor_; }

 private:
  void BuildControls();
  void ShowForm(const TagForm& form);
  TagForm FormFromControls() const;
  void ApplyV1State();
  void ApplyV2State();
  void ShowInfoLines();
  void Edited();
  // The name field and the information lines in the button face, the tag
  // controls by their boxes: again whenever the dialog's colours change.
  void ApplyColours();

 protected:
  void changeEvent(QEvent* event) override;

 private:
  FileInfoEditor editor_;
  QLineEdit* edtFileName_ = nullptr;
  QPlainTextEdit* mmoMPEGInfo_ = nullptr;
  QCheckBox* chkID3v1_ = nullptr;
  QCheckBox* chkID3v2_ = nullptr;
  // V1: title, artist, album, year, comment (genre is the combo box).
  std::array<QLineEdit*, 5> v1_edits_{};
  QComboBox* cbbGenre_ = nullptr;
  // V2 edits by field; the comment is the memo, the genre the combo box.
  std::array<QLineEdit*, TID3Tag::kV2FieldCount> v2_edits_{};
  QComboBox* cbbGenre2_ = nullptr;
  QPlainTextEdit* mmoComment_ = nullptr;
  QPushButton* btnCopyTo_ = nullptr;
  QPushButton* btnCopyFrom_ = nullptr;
  QPushButton* btnUpdo_ = nullptr;
  QPushButton* btnModify_ = nullptr;
  QPushButton* btnCancel_ = nullptr;
  // Controls being filled by the program: no edit to report.
  bool filling_ = false;
  bool applying_colours_ = false;
};

}  // namespace tazmel
