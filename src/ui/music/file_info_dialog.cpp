#include "ui/music/file_info_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/playlist/find_dialog.h"
#include "ui/text_edge.h"

namespace tazmel {
namespace {

QStringList SortedGenres() {
  std::vector<std::string> names;
  TID3Tag::GenreNames(names);
  QStringList list;
  for (const std::string& name : names) list.append(FromGb(name));
  std::sort(list.begin(), list.end(),
            [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
  return list;
}

QComboBox* GenreBox(QWidget* parent, const char* name) {
  auto* box = new QComboBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);
  box->addItems(SortedGenres());
  return box;
}

// Editable controls have the window colour, read-only ones the button face.
void SetEditable(QWidget& control, bool on) {
  if (auto* edit = qobject_cast<QLineEdit*>(&control)) edit->setReadOnly(!on);
  if (auto* memo = qobject_cast<QPlainTextEdit*>(&control)) memo->setReadOnly(!on);
  if (auto* box = qobject_cast<QComboBox*>(&control)) box->setEnabled(on);
  const QPalette& window = control.window()->palette();
  QPalette palette = control.palette();
  palette.setColor(QPalette::Base, window.color(on ? QPalette::Base : QPalette::Button));
  palette.setColor(QPalette::Text, window.color(on ? QPalette::Text : QPalette::ButtonText));
  control.setPalette(palette);
}

}  // namespace

TfrmFileInfo::TfrmFileInfo(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("frmFileInfo"));
  setWindowTitle(QStringLiteral("MPEG Info + ID3 Tag Editer"));
  BuildControls();
}

void TfrmFileInfo::BuildControls() {
  auto* layout = new QVBoxLayout(this);
  edtFileName_ = new QLineEdit(this);
  edtFileName_->setObjectName(QStringLiteral("edtFileName"));
  layout->addWidget(edtFileName_);

  auto* columns = new QHBoxLayout;
  layout->addLayout(columns);
  auto* left = new QVBoxLayout;
  columns->addLayout(left, 1);

  auto* grpMPEGInfo = new QGroupBox(QStringLiteral("MPEG info"), this);
  grpMPEGInfo->setObjectName(QStringLiteral("grpMPEGInfo"));
  auto* info_layout = new QVBoxLayout(grpMPEGInfo);
  mmoMPEGInfo_ = new QPlainTextEdit(grpMPEGInfo);
  mmoMPEGInfo_->setObjectName(QStringLiteral("mmoMPEGInfo"));
  mmoMPEGInfo_->setReadOnly(true);
  mmoMPEGInfo_->setFrameShape(QFrame::NoFrame);
  mmoMPEGInfo_->setLineWrapMode(QPlainTextEdit::NoWrap);
  const int line = fontMetrics().lineSpacing();
  mmoMPEGInfo_->setMinimumHeight(line * 9 + 8);
  info_layout->addWidget(mmoMPEGInfo_);
  left->addWidget(grpMPEGInfo);

  auto label = [](QWidget* parent, const char* name, const char* text, QWidget* buddy) {
    auto* l = new QLabel(QString::fromLatin1(text), parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setBuddy(buddy);
    return l;
  };
  auto edit = [](QWidget* parent, const char* name) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    return e;
  };

  auto* grpID3v1 = new QGroupBox(QStringLiteral("ID3v1"), this);
  grpID3v1->setObjectName(QStringLiteral("grpID3v1"));
  auto* v1 = new QGridLayout(grpID3v1);
  chkID3v1_ = new QCheckBox(QStringLiteral("ID3v1 Tag"), grpID3v1);
  chkID3v1_->setObjectName(QStringLiteral("chkID3v1"));
  v1->addWidget(chkID3v1_, 0, 0, 1, 2);
  const struct {
    const char* edit;
    const char* label;
    const char* text;
  } v1_rows[] = {{"edtTitle1", "lblTitle1", "Title"},
                 {"edtArtist1", "lblArtist1", "Artist"},
                 {"edtAlbum1", "lblAlbum1", "Album"},
                 {"edtYear1", "lblYear1", "Year"},
                 {"edtComment", "lblComment1", "Comment"}};
  for (int i = 0; i < 5; ++i) {
    v1_edits_[static_cast<std::size_t>(i)] = edit(grpID3v1, v1_rows[i].edit);
    v1->addWidget(label(grpID3v1, v1_rows[i].label, v1_rows[i].text, v1_edits_[static_cast<std::size_t>(i)]), i + 1, 0);
    v1->addWidget(v1_edits_[static_cast<std::size_t>(i)], i + 1, 1);
  }
  v1_edits_[3]->setMaxLength(4);
  cbbGenre_ = GenreBox(grpID3v1, "cbbGenre");
  v1->addWidget(label(grpID3v1, "lblGenre1", "Genre", cbbGenre_), 6, 0);
  v1->addWidget(cbbGenre_, 6, 1);
  left->addWidget(grpID3v1);
  left->addStretch();

  auto* grpID3v2 = new QGroupBox(QStringLiteral("ID3v2"), this);
  grpID3v2->setObjectName(QStringLiteral("grpID3v2"));
  auto* v2 = new QGridLayout(grpID3v2);
  chkID3v2_ = new QCheckBox(QStringLiteral("ID3v2 Tag"), grpID3v2);
  chkID3v2_->setObjectName(QStringLiteral("chkID3v2"));
  v2->addWidget(chkID3v2_, 0, 0, 1, 2);
  const struct {
    TID3Tag::V2Field field;
    const char* edit;
    const char* label;
    const char* text;
  } v2_rows[] = {{TID3Tag::kV2Title, "edtTitle2", "lblTitle2", "Title"},
                 {TID3Tag::kV2Artist, "edtArtist2", "lblArtist2", "Artist"},
                 {TID3Tag::kV2Album, "AlbumEdit2", "lblAlbum2", "Album"},
                 {TID3Tag::kV2Year, "edtYear2", "lblYear2", "Year"},
                 {TID3Tag::kV2Genre, "cbbGenre2", "lblGenre2", "Genre"},
                 {TID3Tag::kV2Comment, "mmoComment", "lblComment2", "Comment"},
                 {TID3Tag::kV2Composer, "edtComposer", "lblComposer", "Composer"},
                 {TID3Tag::kV2OrigArtist, "edtOrigArtist", "lblOrigArtist", "Orig. Artist"},
                 {TID3Tag::kV2Copyright, "edtCopyright", "lblCopyright", "Copyright"},
                 {TID3Tag::kV2URL, "edtURL", "lblURL", "URL"},
                 {TID3Tag::kV2Encodedby, "edtEncodedby", "lblEncodedby", "Encoded by"},
                 {TID3Tag::kV2Track, "edtTrack2", "lblTrack2", "Track"}};
  int row = 1;
  for (const auto& r : v2_rows) {
    QWidget* control = nullptr;
    if (r.field == TID3Tag::kV2Genre) {
      cbbGenre2_ = GenreBox(grpID3v2, r.edit);
      control = cbbGenre2_;
    } else if (r.field == TID3Tag::kV2Comment) {
      mmoComment_ = new QPlainTextEdit(grpID3v2);
      mmoComment_->setObjectName(QString::fromLatin1(r.edit));
      mmoComment_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
      mmoComment_->setFixedHeight(line * 3 + 10);
      control = mmoComment_;
    } else {
      v2_edits_[r.field] = edit(grpID3v2, r.edit);
      control = v2_edits_[r.field];
    }
    v2->addWidget(label(grpID3v2, r.label, r.text, control), row, 0,
                  r.field == TID3Tag::kV2Comment ? Qt::AlignTop : Qt::Alignment());
    v2->addWidget(control, row, 1);
    ++row;
  }
  auto* copy = new QHBoxLayout;
  btnCopyTo_ = new QPushButton(QStringLiteral("Copy &to ID3v1"), grpID3v2);
  btnCopyTo_->setObjectName(QStringLiteral("btnCopyTo"));
  btnCopyFrom_ = new QPushButton(QStringLiteral("Copy &from ID3v1"), grpID3v2);
  btnCopyFrom_->setObjectName(QStringLiteral("btnCopyFrom"));
  copy->addWidget(btnCopyTo_);
  copy->addWidget(btnCopyFrom_);
  v2->addLayout(copy, row, 0, 1, 2);
  columns->addWidget(grpID3v2, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  btnUpdo_ = new QPushButton(QStringLiteral("&Updo Changes"), this);
  btnUpdo_->setObjectName(QStringLiteral("btnUpdo"));
  btnModify_ = new QPushButton(QStringLiteral("&Modify"), this);
  btnModify_->setObjectName(QStringLiteral("btnModify"));
  btnCancel_ = new QPushButton(QStringLiteral("&Cancel"), this);
  btnCancel_->setObjectName(QStringLiteral("btnCancel"));
  for (QPushButton* button : {btnUpdo_, btnModify_, btnCancel_}) {
    button->setAutoDefault(false);
    buttons->addWidget(button);
  }
  layout->addLayout(buttons);

  connect(btnUpdo_, &QPushButton::clicked, this, &TfrmFileInfo::Undo);
  connect(btnModify_, &QPushButton::clicked, this, &TfrmFileInfo::Modify);
  connect(btnCancel_, &QPushButton::clicked, this, &QWidget::hide);
  connect(btnCopyTo_, &QPushButton::clicked, this, &TfrmFileInfo::CopyToV1);
  connect(btnCopyFrom_, &QPushButton::clicked, this, &TfrmFileInfo::CopyFromV1);
  connect(chkID3v1_, &QCheckBox::clicked, this, [this](bool on) {
    editor_.UserSwitchedV1(on);
    ApplyV1State();
    Edited();
  });
  connect(chkID3v2_, &QCheckBox::clicked, this, [this](bool on) {
    editor_.UserSwitchedV2(on);
    ApplyV2State();
    Edited();
  });
  for (QLineEdit* e : v1_edits_) connect(e, &QLineEdit::textChanged, this, &TfrmFileInfo::Edited);
  for (QLineEdit* e : v2_edits_) {
    if (e != nullptr) connect(e, &QLineEdit::textChanged, this, &TfrmFileInfo::Edited);
  }
  connect(cbbGenre_, &QComboBox::currentTextChanged, this, &TfrmFileInfo::Edited);
  connect(cbbGenre2_, &QComboBox::currentTextChanged, this, &TfrmFileInfo::Edited);
  connect(mmoComment_, &QPlainTextEdit::textChanged, this, &TfrmFileInfo::Edited);
  ApplyColours();
}

void TfrmFileInfo::ApplyColours() {
  const QPalette& own = palette();
  for (QWidget* control : {static_cast<QWidget*>(edtFileName_), static_cast<QWidget*>(mmoMPEGInfo_)}) {
    QPalette face = control->palette();
    face.setColor(QPalette::Base, own.color(control == edtFileName_ ? QPalette::Button : QPalette::Window));
    face.setColor(QPalette::Text, own.color(control == edtFileName_ ? QPalette::ButtonText : QPalette::WindowText));
    control->setPalette(face);
  }
  ApplyV1State();
  ApplyV2State();
}

void TfrmFileInfo::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() == QEvent::PaletteChange && !applying_colours_) {
    applying_colours_ = true;
    ApplyColours();
    applying_colours_ = false;
  }
}

QLineEdit* TfrmFileInfo::V1Edit(TID3Tag::V1Field field) const {
  return field < 5 ? v1_edits_[static_cast<std::size_t>(field)] : nullptr;
}
QLineEdit* TfrmFileInfo::V2Edit(TID3Tag::V2Field field) const { return v2_edits_[field]; }

void TfrmFileInfo::ShowFile(const QString& path) {
  edtFileName_->setText(path);
  Undo();
  if (!isVisible()) {
    adjustSize();
    CentreOnOwner(*this);
    show();
  }
  btnModify_->setEnabled(false);
  raise();
}

void TfrmFileInfo::Undo() {
  editor_.Load(edtFileName_->text().toLocal8Bit().toStdString());
  ShowForm(editor_.Form());
  ShowInfoLines();
}

void TfrmFileInfo::ShowForm(const TagForm& form) {
  filling_ = true;
  chkID3v1_->setChecked(form.v1_on);
  for (int i = 0; i < 5; ++i)
    v1_edits_[static_cast<std::size_t>(i)]->setText(FromGb(form.v1[static_cast<std::size_t>(i)]));
  cbbGenre_->setCurrentText(FromGb(form.v1[TID3Tag::kV1Genre]));
  chkID3v2_->setChecked(form.v2_on);
  for (int i = 0; i < TID3Tag::kV2FieldCount; ++i) {
    if (v2_edits_[static_cast<std::size_t>(i)] != nullptr)
      v2_edits_[static_cast<std::size_t>(i)]->setText(FromGb(form.v2[static_cast<std::size_t>(i)]));
  }
  cbbGenre2_->setCurrentText(FromGb(form.v2[TID3Tag::kV2Genre]));
  mmoComment_->setPlainText(FromGb(form.v2[TID3Tag::kV2Comment]));
  ApplyV1State();
  ApplyV2State();
  filling_ = false;
}

TagForm TfrmFileInfo::FormFromControls() const {
  TagForm form;
  form.v1_on = chkID3v1_->isChecked();
  for (int i = 0; i < 5; ++i)
    form.v1[static_cast<std::size_t>(i)] = ToGb(v1_edits_[static_cast<std::size_t>(i)]->text());
  form.v1[TID3Tag::kV1Genre] = ToGb(cbbGenre_->currentText());
  form.v2_on = chkID3v2_->isChecked();
  for (int i = 0; i < TID3Tag::kV2FieldCount; ++i) {
    if (v2_edits_[static_cast<std::size_t>(i)] != nullptr)
      form.v2[static_cast<std::size_t>(i)] = ToGb(v2_edits_[static_cast<std::size_t>(i)]->text());
  }
  form.v2[TID3Tag::kV2Genre] = ToGb(cbbGenre2_->currentText());
  // The memo's lines go into the tag with the platform's line ends.
  QString comment = mmoComment_->toPlainText();
  comment.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  form.v2[TID3Tag::kV2Comment] = ToGb(comment);
  return form;
}

void TfrmFileInfo::ApplyV1State() {
  const bool on = chkID3v1_->isChecked();
  for (QLineEdit* e : v1_edits_) SetEditable(*e, on);
  SetEditable(*cbbGenre_, on);
}

void TfrmFileInfo::ApplyV2State() {
  const bool on = chkID3v2_->isChecked();
  for (QLineEdit* e : v2_edits_) {
    if (e != nullptr) SetEditable(*e, on);
  }
  SetEditable(*cbbGenre2_, on);
  SetEditable(*mmoComment_, on);
  btnCopyTo_->setEnabled(on);
}

void TfrmFileInfo::ShowInfoLines() {
  QStringList lines;
  for (const std::string& text : editor_.InfoLines()) lines.append(FromGb(text));
  mmoMPEGInfo_->setPlainText(lines.join(QLatin1Char('\n')));
}

void TfrmFileInfo::Edited() {
  if (!filling_) btnModify_->setEnabled(true);
}

void TfrmFileInfo::Modify() {
  editor_.Modify(FormFromControls());
  btnModify_->setEnabled(false);
}

void TfrmFileInfo::CopyToV1() {
  chkID3v1_->setChecked(true);
  editor_.UserSwitchedV1(true);
  ApplyV1State();
  v1_edits_[TID3Tag::kV1Title]->setText(v2_edits_[TID3Tag::kV2Title]->text());
  v1_edits_[TID3Tag::kV1Artist]->setText(v2_edits_[TID3Tag::kV2Artist]->text());
  v1_edits_[TID3Tag::kV1Album]->setText(v2_edits_[TID3Tag::kV2Album]->text());
  v1_edits_[TID3Tag::kV1Year]->setText(v2_edits_[TID3Tag::kV2Year]->text());
  cbbGenre_->setCurrentText(cbbGenre2_->currentText());
  v1_edits_[TID3Tag::kV1Comment]->setText(mmoComment_->toPlainText());
}

void TfrmFileInfo::CopyFromV1() {
  chkID3v2_->setChecked(true);
  editor_.UserSwitchedV2(true);
  ApplyV2State();
  v2_edits_[TID3Tag::kV2Title]->setText(v1_edits_[TID3Tag::kV1Title]->text());
  v2_edits_[TID3Tag::kV2Artist]->setText(v1_edits_[TID3Tag::kV1Artist]->text());
  v2_edits_[TID3Tag::kV2Album]->setText(v1_edits_[TID3Tag::kV1Album]->text());
  v2_edits_[TID3Tag::kV2Year]->setText(v1_edits_[TID3Tag::kV1Year]->text());
  cbbGenre2_->setCurrentText(cbbGenre_->currentText());
  mmoComment_->setPlainText(v1_edits_[TID3Tag::kV1Comment]->text());
}

}  // namespace tazmel
