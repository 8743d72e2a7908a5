#include "ui/playback/open_url_dialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <utility>

#include "core/text_utils.h"
#include "ui/text_edge.h"
#include "ui/translator.h"

namespace tazmel {

TfrmOpenUrl::TfrmOpenUrl(std::filesystem::path user_ini, const IniFile* language, std::string_view prefilled,
                         QWidget* parent)
    : QDialog(parent), user_ini_(std::move(user_ini)) {
  BuildControls();
  // Translate before the history fills the combo: items present at that
  // moment would be taken for translatable captions.
  if (language != nullptr) TranslateWindow(*this, *language);
  history_.Load(user_ini_);
  ShowHistory();
  if (!prefilled.empty()) url_->setEditText(FromGb(prefilled));
}

TfrmOpenUrl::~TfrmOpenUrl() { SaveHistory(); }

void TfrmOpenUrl::BuildControls() {
  setObjectName("frmOpenUrl");
  setWindowTitle(QStringLiteral("Open location"));
  setModal(true);
  setMinimumWidth(420);

  auto* prompt = new QLabel(QStringLiteral("Enter an Internet location to open here:"), this);
  prompt->setObjectName("lblInpute");

  url_ = new QComboBox(this);
  url_->setObjectName("cbbUrl");
  url_->setEditable(true);
  // The list is the history's to order; the combo must neither add typed
  // texts itself nor pop up completions over the field.
  url_->setInsertPolicy(QComboBox::NoInsert);
  url_->setCompleter(nullptr);
  url_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  url_->setMinimumContentsLength(40);
  prompt->setBuddy(url_);
  url_->installEventFilter(this);
  url_->lineEdit()->installEventFilter(this);

  auto* example = new QLabel(QStringLiteral("mms://media.example.com/live"), this);
  example->setObjectName("lblExample");
  example->setForegroundRole(QPalette::PlaceholderText);
  example->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* group = new QGroupBox(QStringLiteral("Stream Format"), this);
  group->setObjectName("rgFormat");
  group->setProperty("radioGroup", true);
  format_ = new QButtonGroup(group);
  auto* group_layout = new QHBoxLayout(group);
  int id = 0;
  for (const QString& item : {QStringLiteral("Auto"), QStringLiteral("RP"), QStringLiteral("WMP")}) {
    auto* radio = new QRadioButton(item, group);
    format_->addButton(radio, id++);
    group_layout->addWidget(radio);
  }
  group_layout->addStretch();
  format_->button(0)->setChecked(true);

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName("btnOk");
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName("btnCancel");
  cancel->setAutoDefault(false);
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(ok, QDialogButtonBox::AcceptRole);
  buttons->addButton(cancel, QDialogButtonBox::RejectRole);
  connect(ok, &QPushButton::clicked, this, &TfrmOpenUrl::OnOk);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(prompt);
  layout->addWidget(url_);
  layout->addWidget(example);
  layout->addSpacing(4);
  layout->addWidget(group);
  layout->addWidget(buttons);
  url_->setFocus();
}

void TfrmOpenUrl::ShowHistory() {
  url_->clear();
  for (const std::string& entry : history_.Entries()) url_->addItem(FromGb(entry));
  if (url_->count() > 0) url_->setCurrentIndex(0);
}

std::string TfrmOpenUrl::Address() const { return ToGb(url_->currentText()); }

char TfrmOpenUrl::KindDigit() const {
  const int id = format_->checkedId();
  return static_cast<char>('0' + (id < 0 ? 0 : id));
}

void TfrmOpenUrl::OnOk() {
  const std::string text = ToGb(url_->currentText());
  if (!history_.Accept(TrimBlanks(text))) return;
  ShowHistory();
  accept();
}

void TfrmOpenUrl::done(int result) {
  SaveHistory();
  QDialog::done(result);
}

void TfrmOpenUrl::SaveHistory() {
  if (saved_) return;
  saved_ = true;
  // A User.ini that cannot be written only costs the history; nothing to tell.
  history_.Save(user_ini_);
}

bool TfrmOpenUrl::eventFilter(QObject* watched, QEvent* event) {
  // Enter in the address field is OK. Taking the key here keeps it from also
  // reaching the default button, which would run OK a second time.
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      OnOk();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace tazmel
