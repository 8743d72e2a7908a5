#include "ui/schedule/adjust_time_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>
#include <mutex>
#include <thread>

#include "core/dispatcher.h"
#include "core/ini_file.h"
#include "core/messages.h"
#include "core/system.h"
#include "ui/text_edge.h"
#include "ui/translator.h"

namespace tazmel {
namespace {

QString LocalText(const QDateTime& time) {
  const QLocale locale;
  return locale.toString(time.date(), QLocale::ShortFormat) + u' ' + time.time().toString(QStringLiteral("HH:mm:ss"));
}

}  // namespace

QStringList TfrmAdjustTime::DefaultServers() {
  return {QStringLiteral("time.nist.gov"),        QStringLiteral("time-a-g.nist.gov"),
          QStringLiteral("time-b-g.nist.gov"),    QStringLiteral("time-c-g.nist.gov"),
          QStringLiteral("time-d-g.nist.gov"),    QStringLiteral("time-e-g.nist.gov"),
          QStringLiteral("time-a-wwv.nist.gov"),  QStringLiteral("time-b-wwv.nist.gov"),
          QStringLiteral("time-c-wwv.nist.gov"),  QStringLiteral("time-d-wwv.nist.gov"),
          QStringLiteral("time-e-wwv.nist.gov"),  QStringLiteral("time-a-b.nist.gov"),
          QStringLiteral("time-b-b.nist.gov"),    QStringLiteral("time-c-b.nist.gov"),
          QStringLiteral("time-d-b.nist.gov"),    QStringLiteral("time-e-b.nist.gov"),
          QStringLiteral("utcnist.colorado.edu"), QStringLiteral("utcnist2.colorado.edu"),
          QStringLiteral("129.6.15.28")};
}

TfrmAdjustTime::TfrmAdjustTime(Dispatcher& dispatcher, std::shared_ptr<ClockSetter> setter, UserPrompts& prompts,
                               const IniFile* language, DaytimeOptions options, QWidget* parent)
    : QDialog(parent),
      dispatcher_(dispatcher),
      setter_(std::move(setter)),
      prompts_(prompts),
      language_(language),
      client_(std::make_unique<DaytimeClient>(dispatcher, options)) {
  setObjectName(QStringLiteral("frmAdjustTime"));
  setWindowTitle(QStringLiteral("Adjust Time"));
  auto* select = new QLabel(QStringLiteral("Select Daytime Server"), this);
  select->setObjectName(QStringLiteral("lblSelect"));
  servers_ = new QComboBox(this);
  servers_->setObjectName(QStringLiteral("ServerCmb"));
  servers_->setEditable(true);
  servers_->addItems(DefaultServers());
  servers_->setMinimumContentsLength(24);
  adjust_ = new QPushButton(QStringLiteral("Adjust Time"), this);
  adjust_->setObjectName(QStringLiteral("btnAdjust"));
  adjust_->setDefault(true);
  connect(adjust_, &QPushButton::clicked, this, &TfrmAdjustTime::Adjust);
  auto* row = new QHBoxLayout;
  row->addWidget(servers_, 1);
  row->addWidget(adjust_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(select);
  layout->addLayout(row);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  if (language_ != nullptr) TranslateWindow(*this, *language_);
}

TfrmAdjustTime::~TfrmAdjustTime() {
  {
    std::lock_guard lock(gate_->mutex);
    gate_->dropped = true;
  }
  if (busy_) QApplication::restoreOverrideCursor();
}

void TfrmAdjustTime::showEvent(QShowEvent* event) {
  if (!busy_ && servers_->count() > 0) servers_->setCurrentIndex(0);
  QDialog::showEvent(event);
}

std::string TfrmAdjustTime::Text(const char* key, const char* english) const {
  if (language_ == nullptr) return english;
  return language_->ReadString("frmAdjustTime", key, english);
}

void TfrmAdjustTime::Adjust() {
  if (busy_) return;
  const std::string server = ToGb(servers_->currentText().trimmed());
  if (server.empty()) return;
  busy_ = true;
  adjust_->setEnabled(false);
  QApplication::setOverrideCursor(Qt::BusyCursor);
  client_->Fetch(server, [this](const DaytimeResult& result) { Fetched(result); });
}

void TfrmAdjustTime::Fetched(const DaytimeResult& result) {
  NistTime time;
  if (result.error != DaytimeError::kNone || ParseNistReply(result.reply, time) != DaytimeError::kNone) {
    Report(AdjustClock(result, *setter_), {});
    return;
  }
  const QString before = LocalText(QDateTime::currentDateTime());
  // Setting goes through the system bus, which may take its time.
  std::thread([dispatcher = &dispatcher_, setter = setter_, result, before, alive = std::weak_ptr<int>(alive_),
               gate = gate_, self = this] {
    const ClockAdjustment adjustment = AdjustClock(result, *setter);
    std::lock_guard lock(gate->mutex);
    if (gate->dropped) return;
    dispatcher->Post([alive, self, adjustment, before] {
      if (alive.lock()) self->Report(adjustment, before);
    });
  }).detach();
}

std::string TfrmAdjustTime::Reason(const ClockAdjustment& a) const {
  switch (a.error) {
    case DaytimeError::kNone:
      break;
    case DaytimeError::kNoServer:
    case DaytimeError::kCancelled:
      return {};
    case DaytimeError::kResolve:
      return Text("ErrResolve", "The server's name could not be found.");
    case DaytimeError::kConnect:
      return Text("ErrConnect", "The server could not be reached.");
    case DaytimeError::kTimedOut:
      return Text("ErrTimedOut", "The server did not finish its answer in time.");
    case DaytimeError::kEmpty:
      return Text("ErrEmpty", "The server closed the connection without an answer.");
    case DaytimeError::kTooLong:
    case DaytimeError::kLayout:
      return Text("ErrLayout", "The server's answer is not a time in the NIST form.");
    case DaytimeError::kDateMismatch:
    case DaytimeError::kBadYear:
      return Text("ErrDate", "The server's answer holds an impossible date.");
    case DaytimeError::kUnhealthy:
      return Text("ErrUnhealthy", "The server says its own time may be wrong.");
  }
  switch (a.set) {
    case ClockSetResult::kSet:
      return {};
    case ClockSetResult::kNtpActive:
      return Text("ErrNtp",
                  "The system keeps the clock by network time (NTP) and does not take a time by hand; the clock "
                  "is unchanged.");
    case ClockSetResult::kNotPermitted:
      return Text("ErrNotPermitted", "The system did not allow this program to set the clock; the clock is unchanged.");
    case ClockSetResult::kFailed:
      break;
  }
  return Text("ErrSet", "The system could not set the clock; the clock is unchanged.");
}

void TfrmAdjustTime::Report(const ClockAdjustment& adjustment, const QString& before) {
  Done();
  if (adjustment.error == DaytimeError::kCancelled) return;
  if (adjustment.Succeeded()) {
    const QDateTime server = QDateTime::fromSecsSinceEpoch(adjustment.server_time.utc_seconds).toLocalTime();
    prompts_.ShowInfo(Msg(95) + ToGb(before) + "\r\n" + Msg(96) + ToGb(LocalText(server)) + "\r\n\r\n" + Msg(97));
    if (on_reported) on_reported(true);
    accept();
    return;
  }
  const std::string reason = Reason(adjustment);
  const bool network = adjustment.error == DaytimeError::kResolve || adjustment.error == DaytimeError::kConnect ||
                       adjustment.error == DaytimeError::kTimedOut || adjustment.error == DaytimeError::kEmpty;
  // A server that could not be asked is no error in setting the time.
  prompts_.ShowInfo(network ? reason : Msg(98) + "\r\n" + reason);
  if (on_reported) on_reported(false);
}

void TfrmAdjustTime::Done() {
  if (!busy_) return;
  busy_ = false;
  adjust_->setEnabled(true);
  QApplication::restoreOverrideCursor();
}

}  // namespace tazmel
