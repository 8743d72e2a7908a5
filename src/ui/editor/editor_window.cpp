#include "ui/editor/editor_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <optional>
#include <utility>

#include "core/text_utils.h"
#include "ui/text_edge.h"

namespace tazmel {
namespace {

// Up to this many characters of addresses in the multi-line editor.
constexpr int kMaxUrlsText = 1024;

QComboBox* EditableList(QWidget* parent, const char* name) {
  auto* box = new QComboBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);
  return box;
}

QLineEdit* Edit(QWidget* parent, const char* name) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  return edit;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& text) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(false);
  return button;
}

QLabel* Label(QWidget* parent, const char* name, const QString& text, QWidget* buddy) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setBuddy(buddy);
  return label;
}

int IndexOf(const std::string& digits, int count, bool clamp_high) {
  const std::optional<int> value = ParseInteger(digits);
  if (!value || *value < 0) return 0;
  if (*value >= count) return clamp_high ? count - 1 : 0;
  return *value;
}

std::vector<std::string> Lines(const QString& text) {
  std::vector<std::string> lines;
  for (const QString& line : text.split(QLatin1Char('\n'))) {
    QString clean = line;
    clean.remove(QLatin1Char('\r'));
    if (!clean.trimmed().isEmpty()) lines.push_back(ToGb(clean.trimmed()));
  }
  return lines;
}

}  // namespace

TfrmEditor::TfrmEditor(QWidget* owner) : QDialog(owner) { BuildControls(); }

void TfrmEditor::BuildControls() {
  setObjectName(QStringLiteral("frmEditor"));
  setWindowTitle(QStringLiteral("Data Editor"));
  setModal(false);

  IdEdit = Edit(this, "IdEdit");
  IdEdit->setReadOnly(true);
  IdEdit->setFocusPolicy(Qt::NoFocus);
  edtStationName = Edit(this, "edtStationName");
  cbbGenre = EditableList(this, "cbbGenre");
  cbbLanguage = EditableList(this, "cbbLanguage");
  cbbCountry = EditableList(this, "cbbCountry");
  cbbState = EditableList(this, "cbbState");
  cbbCity = EditableList(this, "cbbCity");
  cbbStreamUrl = EditableList(this, "cbbStreamUrl");
  mmoUrls = new QPlainTextEdit(this);
  mmoUrls->setObjectName(QStringLiteral("mmoUrls"));
  mmoUrls->setLineWrapMode(QPlainTextEdit::NoWrap);
  cbbFormat = new QComboBox(this);
  cbbFormat->setObjectName(QStringLiteral("cbbFormat"));
  cbbFormat->addItems({QStringLiteral("Auto"), QStringLiteral("RP"), QStringLiteral("WMP"), QStringLiteral("WMP6"),
                       QStringLiteral("WMP9")});
  cbbSpeed = EditableList(this, "cbbSpeed");
  cbbValidity = new QComboBox(this);
  cbbValidity->setObjectName(QStringLiteral("cbbValidity"));
  cbbValidity->addItems({QStringLiteral("Unknown"), QStringLiteral("Bad"), QStringLiteral("Good"),
                         QStringLiteral("Better"), QStringLiteral("Best")});
  edtHomepage = Edit(this, "edtHomepage");
  edtSchedule = Edit(this, "edtSchedule");
  edtProxy = Edit(this, "edtProxy");
  edtFrequency = Edit(this, "edtFrequency");
  edtRecNo = Edit(this, "edtRecNo");
  edtRecNo->setReadOnly(true);
  edtRecNo->hide();

  btnHomepage = Button(this, "btnHomepage", QStringLiteral("..."));
  btnSchedule = Button(this, "btnSchedule", QStringLiteral("..."));
  btnFindName = Button(this, "btnFindName", QStringLiteral("Find"));
  btnFindUrl = Button(this, "btnFindUrl", QStringLiteral("Find"));
  btnMoreUrs = Button(this, "btnMoreUrs", QStringLiteral("More"));
  btnVerify = Button(this, "btnVerify", QStringLiteral("Check"));
  btnAppend = Button(this, "btnAppend", QStringLiteral("&Append"));
  btnInsert = Button(this, "btnInsert", QStringLiteral("&Insert"));
  btnModify = Button(this, "btnModify", QStringLiteral("&Modify"));
  btnDelete = Button(this, "btnDelete", QStringLiteral("&Delete"));
  btnSend = Button(this, "btnSend", QStringLiteral("&Send"));
  btnFirst = Button(this, "btnFirst", QStringLiteral("|<"));
  btnPrev = Button(this, "btnPrev", QStringLiteral("<"));
  btnNext = Button(this, "btnNext", QStringLiteral(">"));
  btnLast = Button(this, "btnLast", QStringLiteral(">|"));
  btnClose = Button(this, "btnClose", QStringLiteral("&Close"));
  // Send stands out from the table commands.
  QPalette send_palette = btnSend->palette();
  send_palette.setColor(QPalette::ButtonText, Qt::blue);
  btnSend->setPalette(send_palette);
  for (QPushButton* small : {btnHomepage, btnSchedule, btnFirst, btnPrev, btnNext, btnLast}) {
    small->setMaximumWidth(small->fontMetrics().horizontalAdvance(QStringLiteral("M>|M")) + 12);
  }

  auto* grid = new QGridLayout;
  int row = 0;
  auto wide = [&](QLabel* label, QWidget* field, QWidget* extra = nullptr, QWidget* extra2 = nullptr) {
    grid->addWidget(label, row, 0);
    auto* line = new QHBoxLayout;
    line->addWidget(field, 1);
    if (extra) line->addWidget(extra);
    if (extra2) line->addWidget(extra2);
    grid->addLayout(line, row, 1, 1, 3);
    ++row;
  };
  auto pair = [&](QLabel* l1, QWidget* f1, QLabel* l2, QWidget* f2) {
    grid->addWidget(l1, row, 0);
    grid->addWidget(f1, row, 1);
    grid->addWidget(l2, row, 2);
    grid->addWidget(f2, row, 3);
    ++row;
  };
  auto* id_line = new QHBoxLayout;
  id_line->addWidget(IdEdit);
  id_line->addStretch();
  grid->addWidget(Label(this, "lblID", QStringLiteral("ID"), IdEdit), row, 0);
  grid->addLayout(id_line, row, 1);
  grid->addWidget(Label(this, "lblRecNo", QStringLiteral("Record No."), edtRecNo), row, 2);
  grid->addWidget(edtRecNo, row, 3);
  findChild<QLabel*>(QStringLiteral("lblRecNo"))->hide();
  ++row;
  wide(Label(this, "lblStationName", QStringLiteral("Station Name"), edtStationName), edtStationName, btnFindName);
  pair(Label(this, "lblGenre", QStringLiteral("Genre"), cbbGenre), cbbGenre,
       Label(this, "lblLanguage", QStringLiteral("Language"), cbbLanguage), cbbLanguage);
  pair(Label(this, "lblCountry", QStringLiteral("Country/Region"), cbbCountry), cbbCountry,
       Label(this, "lblState", QStringLiteral("State/Province"), cbbState), cbbState);
  pair(Label(this, "lblCity", QStringLiteral("City"), cbbCity), cbbCity,
       Label(this, "lblSpeed", QStringLiteral("Speed"), cbbSpeed), cbbSpeed);
  // The list and the multi-line editor share one place; only one shows.
  auto* urls_place = new QVBoxLayout;
  urls_place->setContentsMargins(0, 0, 0, 0);
  urls_place->addWidget(cbbStreamUrl);
  urls_place->addWidget(mmoUrls);
  mmoUrls->hide();
  mmoUrls->setFixedHeight(mmoUrls->fontMetrics().lineSpacing() * 4 + 10);
  grid->addWidget(Label(this, "lblStreamUrl", QStringLiteral("Streaming URL"), cbbStreamUrl), row, 0,
                  Qt::AlignTop | Qt::AlignLeft);
  auto* url_line = new QHBoxLayout;
  url_line->addLayout(urls_place, 1);
  url_line->addWidget(btnFindUrl, 0, Qt::AlignTop);
  url_line->addWidget(btnMoreUrs, 0, Qt::AlignTop);
  grid->addLayout(url_line, row, 1, 1, 3);
  ++row;
  pair(Label(this, "lblFormat", QStringLiteral("Stream Format"), cbbFormat), cbbFormat,
       Label(this, "lblValidity", QStringLiteral("Validity"), cbbValidity), cbbValidity);
  wide(Label(this, "lblHomepage", QStringLiteral("Station Homepage"), edtHomepage), edtHomepage, btnHomepage);
  wide(Label(this, "lblSchedule", QStringLiteral("Program Schedule URL"), edtSchedule), edtSchedule, btnSchedule);
  pair(Label(this, "lblProxy", QStringLiteral("Proxy"), edtProxy), edtProxy,
       Label(this, "lblFrequency", QStringLiteral("Frequency"), edtFrequency), edtFrequency);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(3, 1);

  auto* commands = new QHBoxLayout;
  for (QPushButton* b : {btnVerify, btnAppend, btnInsert, btnModify, btnDelete, btnSend}) commands->addWidget(b);
  commands->addStretch();
  auto* steps = new QHBoxLayout;
  for (QPushButton* b : {btnFirst, btnPrev, btnNext, btnLast}) steps->addWidget(b);
  steps->addStretch();
  steps->addWidget(btnClose);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(commands);
  layout->addLayout(steps);
  IdEdit->setMaximumWidth(IdEdit->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")) + 12);
  setMinimumWidth(fontMetrics().averageCharWidth() * 78);

  auto changed = [this] {
    if (filling_ == 0) emit edited();
  };
  for (QLineEdit* edit : {edtStationName, edtHomepage, edtSchedule, edtProxy, edtFrequency}) {
    connect(edit, &QLineEdit::textEdited, this, changed);
  }
  for (QComboBox* box : {cbbGenre, cbbLanguage, cbbCountry, cbbState, cbbCity, cbbStreamUrl, cbbSpeed}) {
    connect(box, &QComboBox::editTextChanged, this, changed);
  }
  for (QComboBox* box : {cbbFormat, cbbValidity}) connect(box, &QComboBox::activated, this, changed);
  connect(mmoUrls, &QPlainTextEdit::textChanged, this, [this, changed] {
    // The editor holds at most so much.
    const QString text = mmoUrls->toPlainText();
    if (text.size() > kMaxUrlsText) {
      ++filling_;
      mmoUrls->setPlainText(text.left(kMaxUrlsText));
      --filling_;
    }
    changed();
  });
  connect(btnMoreUrs, &QPushButton::clicked, this, &TfrmEditor::ToggleUrlsEditor);
  connect(cbbStreamUrl, &QComboBox::activated, this, &TfrmEditor::ChooseAddress);
  connect(btnClose, &QPushButton::clicked, this, &QWidget::close);
  cbbStreamUrl->installEventFilter(this);
  mmoUrls->installEventFilter(this);
  cbbState->installEventFilter(this);
  cbbCity->installEventFilter(this);
}

bool TfrmEditor::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut) {
    if (watched == cbbStreamUrl) CommitAddressText();
    if (watched == mmoUrls) SetAddresses(Lines(mmoUrls->toPlainText()));
  } else if (event->type() == QEvent::FocusIn) {
    if (watched == cbbState && cbbState->count() == 0) emit stateListWanted();
    if (watched == cbbCity && cbbCity->count() == 0) emit cityListWanted();
  }
  return QDialog::eventFilter(watched, event);
}

void TfrmEditor::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && checking_) {
    emit escapePressed();
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TfrmEditor::closeEvent(QCloseEvent* event) {
  // A running check holds the window open; Escape ends it.
  if (!btnClose->isEnabled()) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

std::vector<std::string> TfrmEditor::Addresses() const {
  if (UrlsEditorShown()) return Lines(mmoUrls->toPlainText());
  std::vector<std::string> list;
  for (int i = 0; i < cbbStreamUrl->count(); ++i) list.push_back(ToGb(cbbStreamUrl->itemText(i)));
  return list;
}

void TfrmEditor::SetAddresses(const std::vector<std::string>& addresses) {
  ++filling_;
  cbbStreamUrl->clear();
  for (const std::string& address : addresses) cbbStreamUrl->addItem(FromGb(address));
  if (cbbStreamUrl->count() > 0) {
    cbbStreamUrl->setCurrentIndex(0);
  } else {
    cbbStreamUrl->setEditText(QString());
  }
  --filling_;
}

bool TfrmEditor::UrlsEditorShown() const { return mmoUrls->isVisibleTo(this); }

void TfrmEditor::ToggleUrlsEditor() {
  if (!UrlsEditorShown()) {
    CommitAddressText();
    QStringList lines;
    for (int i = 0; i < cbbStreamUrl->count(); ++i) lines << cbbStreamUrl->itemText(i);
    if (lines.isEmpty() && !cbbStreamUrl->currentText().isEmpty()) lines << cbbStreamUrl->currentText();
    ++filling_;
    mmoUrls->setPlainText(lines.join(QLatin1Char('\n')));
    --filling_;
    cbbStreamUrl->hide();
    mmoUrls->show();
    mmoUrls->setFocus();
  } else {
    SetAddresses(Lines(mmoUrls->toPlainText()));
    mmoUrls->hide();
    cbbStreamUrl->show();
    cbbStreamUrl->setFocus();
  }
}

void TfrmEditor::ChooseAddress(int index) {
  if (index <= 0 || index >= cbbStreamUrl->count()) return;
  std::vector<std::string> list = Addresses();
  std::string chosen = list[static_cast<std::size_t>(index)];
  list.erase(list.begin() + index);
  list.insert(list.begin(), std::move(chosen));
  SetAddresses(list);
  emit edited();
}

void TfrmEditor::CommitAddressText() {
  const QString text = cbbStreamUrl->currentText();
  if (text.trimmed().isEmpty()) {
    if (cbbStreamUrl->count() > 0) SetAddresses({});
    return;
  }
  if (const int at = cbbStreamUrl->findText(text); at >= 0) {
    cbbStreamUrl->setCurrentIndex(at);
    return;
  }
  std::vector<std::string> list = Addresses();
  if (list.empty()) {
    list = Lines(text);
  } else {
    list.front() = ToGb(text.trimmed());
  }
  SetAddresses(list);
}

void TfrmEditor::SelectAddress(int index) {
  if (index >= 0 && index < cbbStreamUrl->count()) cbbStreamUrl->setCurrentIndex(index);
}

StationRecord TfrmEditor::FormRecord() const {
  StationRecord r;
  r.VID = ToGb(IdEdit->text());
  r.VRadioName = ToGb(edtStationName->text());
  r.VGenre = ToGb(cbbGenre->currentText());
  r.VLanguage = ToGb(cbbLanguage->currentText());
  r.VCountry = ToGb(cbbCountry->currentText());
  r.VState = ToGb(cbbState->currentText());
  r.VCity = ToGb(cbbCity->currentText());
  std::vector<std::string> list = Addresses();
  // Text typed into an empty list is an address too.
  if (list.empty() && !UrlsEditorShown()) list = Lines(cbbStreamUrl->currentText());
  r.VStreamURL = JoinUrls(list);
  r.VFormat = std::to_string(std::max(cbbFormat->currentIndex(), 0));
  r.VValidity = std::to_string(std::max(cbbValidity->currentIndex(), 0));
  r.VSpeed = ToGb(cbbSpeed->currentText());
  r.VHomepage = ToGb(edtHomepage->text());
  r.VSchedule = ToGb(edtSchedule->text());
  r.VProxy = ToGb(edtProxy->text());
  r.VFrequency = ToGb(edtFrequency->text());
  return r;
}

void TfrmEditor::ShowRecord(const StationRecord& r, bool hide_addresses) {
  ++filling_;
  cbbState->clear();
  cbbCity->clear();
  IdEdit->setText(FromGb(r.VID));
  edtStationName->setText(FromGb(r.VRadioName));
  cbbGenre->setEditText(FromGb(r.VGenre));
  cbbLanguage->setEditText(FromGb(r.VLanguage));
  cbbCountry->setEditText(FromGb(r.VCountry));
  cbbState->setEditText(FromGb(r.VState));
  cbbCity->setEditText(FromGb(r.VCity));
  const std::vector<std::string> list = hide_addresses ? std::vector<std::string>{} : SplitUrls(r.VStreamURL);
  SetAddresses(list);
  QStringList lines;
  for (const std::string& address : list) lines << FromGb(address);
  mmoUrls->setPlainText(lines.join(QLatin1Char('\n')));
  cbbFormat->setCurrentIndex(IndexOf(r.VFormat, cbbFormat->count(), false));
  cbbValidity->setCurrentIndex(IndexOf(r.VValidity, cbbValidity->count(), true));
  cbbSpeed->setEditText(FromGb(r.VSpeed));
  edtHomepage->setText(FromGb(r.VHomepage));
  edtSchedule->setText(FromGb(r.VSchedule));
  edtProxy->setText(FromGb(r.VProxy));
  edtFrequency->setText(FromGb(r.VFrequency));
  --filling_;
}

void TfrmEditor::ClearFields() { ShowRecord(StationRecord{}, false); }

void TfrmEditor::SetRecNo(const std::string& text) { edtRecNo->setText(QString::fromStdString(text)); }

void TfrmEditor::SetFieldColours(bool editable) {
  const QPalette::ColorRole role = editable ? QPalette::Base : QPalette::Button;
  for (QWidget* field : std::initializer_list<QWidget*>{
           edtStationName, cbbGenre, cbbLanguage, cbbCountry, cbbState, cbbCity, cbbStreamUrl, mmoUrls, cbbFormat,
           cbbSpeed, cbbValidity, edtHomepage, edtSchedule, edtProxy, edtFrequency}) {
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, QApplication::palette().color(role));
    field->setPalette(palette);
  }
  // The ID is never typed.
  QPalette grey = IdEdit->palette();
  grey.setColor(QPalette::Base, QApplication::palette().color(QPalette::Button));
  IdEdit->setPalette(grey);
}

void TfrmEditor::SetEditable(bool editable, bool shown) {
  for (QPushButton* b : {btnAppend, btnInsert, btnDelete, btnFindName, btnFindUrl, btnMoreUrs, btnVerify}) {
    b->setEnabled(editable);
  }
  btnModify->setEnabled(editable && shown);
  btnSend->setEnabled(btnModify->isEnabled());
  SetFieldColours(editable);
}

void TfrmEditor::SetChecking(bool checking) {
  const bool was_checking = std::exchange(checking_, checking);
  for (QPushButton* b : {btnAppend, btnInsert, btnModify, btnDelete, btnSend, btnFindName, btnFindUrl, btnMoreUrs,
                         btnVerify, btnFirst, btnPrev, btnNext, btnLast, btnClose}) {
    b->setEnabled(!checking);
  }
  if (checking && !was_checking) QApplication::setOverrideCursor(Qt::BusyCursor);
  if (!checking && was_checking) QApplication::restoreOverrideCursor();
}

}  // namespace tazmel
