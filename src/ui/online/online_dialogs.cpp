#include "ui/online/online_dialogs.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "core/file_utils.h"
#include "core/messages.h"
#include "core/system.h"
#include "core/text_utils.h"
#include "core/web_pages.h"
#include "online/submission.h"
#include "ui/text_edge.h"
#include "ui/translator.h"

namespace tazmel {
namespace {

QLabel* Label(QWidget* parent, const char* name, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  return label;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& text) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QString::fromLatin1(name));
  return button;
}

// The placeholders of a caption take the given text; a translated caption
// fills the same way.
void FillPlaceholder(QLabel* label, const QString& value) {
  label->setText(FromGb(FormatSlot(ToGb(label->text()), ToGb(value))));
}

}  // namespace

// ---------------------------------------------------------------------------

TfrmAbout::TfrmAbout(Facts facts, const IniFile* language, std::function<void(const std::string&)> open_web_page,
                     QWidget* parent)
    : QDialog(parent), facts_(std::move(facts)), open_web_page_(std::move(open_web_page)) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QStringLiteral("About"));
  setModal(true);
  auto* icon = new QLabel(this);
  icon->setObjectName(QStringLiteral("imgIcon"));
  const QIcon app_icon = windowIcon().isNull() ? style()->standardIcon(QStyle::SP_MediaVolume) : windowIcon();
  icon->setPixmap(app_icon.pixmap(QSize(48, 48), devicePixelRatioF()));
  auto* title = Label(this, "lblTitle", facts_.title);
  QFont big = title->font();
  big.setBold(true);
  big.setPointSizeF(big.pointSizeF() * 1.4);
  title->setFont(big);
  auto* version = Label(this, "lblVersion", QStringLiteral("Version"));
  auto* data_label = Label(this, "lblData", QStringLiteral("Data"));
  web_site_ = Label(this, "lblWebsit", FromGb(facts_.web_site));
  web_site_->setCursor(Qt::PointingHandCursor);
  web_site_->installEventFilter(this);
  auto* author = Label(this, "lblAuthor", QStringLiteral("Author:"));
  auto* ok = Button(this, "btnOk", QStringLiteral("OK"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  if (language != nullptr) TranslateWindow(*this, *language);
  // Translated captions first, then the facts behind them.
  setWindowTitle(windowTitle() + u' ' + facts_.title);
  version->setText(version->text() + u' ' + FromGb(facts_.version));
  data_label->setText(data_label->text() + u' ' + FromGb(facts_.data));
  author->setText(author->text() + u' ' + FromGb(facts_.author));
  ShowWebSite(false);

  auto* text = new QVBoxLayout;
  for (QWidget* w : std::initializer_list<QWidget*>{title, version, data_label, web_site_, author}) text->addWidget(w);
  auto* top = new QHBoxLayout;
  top->addWidget(icon, 0, Qt::AlignTop);
  top->addSpacing(12);
  top->addLayout(text, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addSpacing(8);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmAbout::ShowWebSite(bool hovered) {
  QPalette palette = web_site_->palette();
  palette.setColor(QPalette::WindowText, hovered ? Qt::red : Qt::blue);
  web_site_->setPalette(palette);
}

bool TfrmAbout::eventFilter(QObject* watched, QEvent* event) {
  if (watched == web_site_) {
    if (event->type() == QEvent::Enter) ShowWebSite(true);
    if (event->type() == QEvent::Leave) ShowWebSite(false);
    if (event->type() == QEvent::MouseButtonRelease && open_web_page_) open_web_page_(facts_.web_site);
  }
  return QDialog::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------

TfrmQuestion::TfrmQuestion(const QString& title, const IniFile* language, SubmitFunction submit, UserPrompts& prompts,
                           std::function<void(const std::string&)> open_address, QWidget* parent)
    : QDialog(parent), submit_(std::move(submit)), prompts_(prompts), open_address_(std::move(open_address)) {
  setObjectName(QStringLiteral("frmQuestion"));
  setWindowTitle(QStringLiteral("Users Found Questions"));
  setModal(true);
  auto* hint1 =
      Label(this, "lblHint1", QStringLiteral("If you find any questions regarding %s, after filling them out,"));
  auto* hint2 = Label(this, "lblHint2",
                      QStringLiteral("please send to the server, thanks for your enthusiastic support for %s!"));
  auto* hint3 = Label(this, "lblHint3", QStringLiteral("Suggest you to make your comments on Forum(%s)."));
  hint3->setCursor(Qt::PointingHandCursor);
  report_ = new QPlainTextEdit(this);
  report_->setObjectName(QStringLiteral("mmoContext"));
  report_->setMinimumSize(420, 160);
  auto* hint4 = Label(this, "lblHint4", QStringLiteral("Your contact way (Email etc.)"));
  contact_ = new QLineEdit(this);
  contact_->setObjectName(QStringLiteral("edtEmail"));
  send_ = Button(this, "btnSend", QStringLiteral("Send"));
  if (language != nullptr) TranslateWindow(*this, *language);
  FillPlaceholder(hint1, title);
  FillPlaceholder(hint2, title);
  FillPlaceholder(hint3, FromGb(HomePage()));

  // At most 500 characters.
  connect(report_, &QPlainTextEdit::textChanged, this, [this] {
    const QString text = report_->toPlainText();
    if (text.size() > 500) {
      report_->setPlainText(text.left(500));
      report_->moveCursor(QTextCursor::End);
    }
    send_->setEnabled(true);
  });
  connect(contact_, &QLineEdit::textChanged, this, [this] { send_->setEnabled(true); });
  connect(contact_, &QLineEdit::returnPressed, this, &TfrmQuestion::Send);
  connect(send_, &QPushButton::clicked, this, &TfrmQuestion::Send);

  auto* layout = new QVBoxLayout(this);
  for (QWidget* w : std::initializer_list<QWidget*>{hint1, hint2, hint3, report_, hint4, contact_}) {
    layout->addWidget(w);
  }
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(send_);
  layout->addLayout(buttons);
  report_->setFocus();
}

void TfrmQuestion::Send() {
  const std::string report = ToGb(report_->toPlainText());
  if (TrimBlanks(report).empty()) {
    prompts_.ShowInfo(Msg(119));
    return;
  }
  send_->setEnabled(false);
  const std::string text = ProblemReportText(report, ToGb(contact_->text()));
  QPointer<TfrmQuestion> self(this);
  submit_("6", text, [self, text](std::string answer) {
    if (self) self->Answered(text, answer);
  });
}

void TfrmQuestion::Answered(const std::string& text, const std::string& answer) {
  if (!IsAccepted(answer) && prompts_.AskQuestion(FormatSlot(Msg(118), FeedbackMail()))) {
    const std::string subject = "!Question : " + ToGb(report_->toPlainText().left(20));
    if (open_address_) open_address_(MailLink(FeedbackMail(), subject, text));
    close();
  }
  send_->setEnabled(true);
}

// ---------------------------------------------------------------------------

TfrmGetProxy::TfrmGetProxy(std::filesystem::path proxy_file, const IniFile* language, SubmitFunction submit,
                           QWidget* parent)
    : QDialog(parent), proxy_file_(std::move(proxy_file)), submit_(std::move(submit)) {
  setObjectName(QStringLiteral("frmGetProxy"));
  setWindowTitle(QStringLiteral("Get The Latest Proxy List"));
  memo_ = new QPlainTextEdit(this);
  memo_->setObjectName(QStringLiteral("Memo"));
  memo_->setMinimumSize(420, 240);
  get_ = Button(this, "btnGet", QStringLiteral("&Get New List"));
  auto* cancel = Button(this, "btnCancel", QStringLiteral("Cancel"));
  auto* ok = Button(this, "btnOk", QStringLiteral("OK"));
  if (language != nullptr) TranslateWindow(*this, *language);
  if (std::optional<std::string> text = ReadWholeFile(proxy_file_, 1u << 20)) memo_->setPlainText(FromGb(*text));
  connect(get_, &QPushButton::clicked, this, &TfrmGetProxy::GetNewList);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(ok, &QPushButton::clicked, this, [this] {
    Save();
    accept();
  });
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(get_);
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(memo_, 1);
  layout->addLayout(buttons);
}

void TfrmGetProxy::GetNewList() {
  get_->setEnabled(false);
  QPointer<TfrmGetProxy> self(this);
  submit_("7", "", [self](std::string answer) {
    if (!self) return;
    // An error page of some host is no proxy list.
    if (!answer.empty() && !LooksLikeWebPage(answer)) self->memo_->setPlainText(FromGb(answer));
    self->get_->setEnabled(true);
  });
}

void TfrmGetProxy::Save() {
  std::string text;
  const QStringList lines = memo_->toPlainText().split(u'\n');
  for (const QString& line : lines) text += ToGb(line) + "\r\n";
  WriteFileAtomically(proxy_file_, text);
}

}  // namespace tazmel
