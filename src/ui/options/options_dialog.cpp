#include "ui/options/options_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTime>
#include <QTimeEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/messages.h"
#include "core/text_utils.h"
#include "settings/hotkeys.h"
#include "ui/message_slots.h"
#include "ui/options/qt_virtual_keys.h"
#include "ui/text_edge.h"

namespace tazmel {
namespace {

using namespace Qt::StringLiterals;

enum Radio { kAuto, kBrowser, kNo, kUse };
constexpr int kSimpleSlot = 93;  // "&Simple"
constexpr int kMoreSlot = 94;    // "&More"
constexpr int kBindingRole = Qt::UserRole;

QTime TimeOfSeconds(int seconds) { return QTime(0, 0).addSecs(((seconds % 86400) + 86400) % 86400); }
int SecondsOfTime(const QTime& time) { return QTime(0, 0).secsTo(time); }

QString Q(std::string_view text) { return FromGb(text); }
std::string Trimmed(const QLineEdit* edit) { return std::string(TrimBlanks(ToGb(edit->text()))); }

template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

}  // namespace

THotkeyEdit::THotkeyEdit(QWidget* parent) : QLineEdit(parent) {}

void THotkeyEdit::SetBinding(const HotkeyBinding& binding) {
  binding_ = binding;
  setText(Q(HotkeyText(binding)));
  setCursorPosition(static_cast<int>(text().size()));
}

void THotkeyEdit::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (key == Qt::Key_Backspace) {
    SetBinding({});
  } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    emit setRequested();
  } else {
    int modifiers = HotkeyModifiersOf(event->modifiers());
    // Whether a modifier's own press carries its flag differs between
    // platforms: count it held either way.
    if (key == Qt::Key_Control) modifiers |= kModCtrl;
    if (key == Qt::Key_Alt) modifiers |= kModAlt;
    if (key == Qt::Key_Shift) modifiers |= kModShift;
    const bool modifier_only =
        key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Shift || key == Qt::Key_Meta;
    const int vk = modifier_only ? 0 : VirtualKeyOfQtKey(key, event->modifiers());
    const std::string text = CaptureText(modifiers, vk);
    const bool prefixed = modifiers == 0 && !KeyName(vk).empty() && !(vk >= 112 && vk <= 123);
    binding_ = {prefixed ? (kModCtrl | kModAlt) : modifiers, vk};
    setText(Q(text));
    setCursorPosition(static_cast<int>(text.size()));
  }
  event->accept();
}

void THotkeyEdit::keyReleaseEvent(QKeyEvent* event) {
  // Modifiers pressed alone leave nothing behind.
  if (text().endsWith(u' ')) SetBinding({});
  event->accept();
}

TfrmOptions::TfrmOptions(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmOptions"));
  setWindowTitle(QStringLiteral("Options"));
  tabs_ = new QTabWidget(this);
  auto* general = Named(new QWidget, "tsGeneral");
  auto* player = Named(new QWidget, "tsPlayer");
  ts_proxy_rp_ = Named(new QWidget, "tsProxy_RP");
  ts_proxy_wmp_ = Named(new QWidget, "tsProxy_WMP");
  auto* hotkeys = Named(new QWidget, "tsHotkeys");
  BuildGeneral(general);
  BuildPlayer(player);
  BuildProxyPage(ts_proxy_rp_, true);
  BuildProxyPage(ts_proxy_wmp_, false);
  BuildHotkeys(hotkeys);
  tabs_->addTab(general, QStringLiteral("General"));
  tabs_->addTab(player, QStringLiteral("Player"));
  tabs_->addTab(ts_proxy_rp_, QStringLiteral("Real Proxy"));
  tabs_->addTab(ts_proxy_wmp_, QStringLiteral("Windows Media Proxy"));
  tabs_->addTab(hotkeys, QStringLiteral("Hotkeys"));
  tabs_->setTabVisible(2, false);
  tabs_->setTabVisible(3, false);

  auto* ok = Named(new QPushButton(QStringLiteral("&OK")), "btnOk");
  auto* cancel = Named(new QPushButton(QStringLiteral("&Cancel")), "btnCancel");
  btn_apply_ = Named(new QPushButton(QStringLiteral("&Apply")), "btnApply");
  ok->setDefault(true);
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(ok, QDialogButtonBox::AcceptRole);
  buttons->addButton(cancel, QDialogButtonBox::RejectRole);
  buttons->addButton(btn_apply_, QDialogButtonBox::ApplyRole);
  connect(ok, &QPushButton::clicked, this, [this] {
    Apply();
    hide();
  });
  connect(cancel, &QPushButton::clicked, this, &QWidget::hide);
  connect(btn_apply_, &QPushButton::clicked, this, &TfrmOptions::Apply);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  layout->addWidget(buttons);

  // Any change enables Apply and the dependent controls follow.
  for (QCheckBox* box : findChildren<QCheckBox*>()) connect(box, &QCheckBox::toggled, this, &TfrmOptions::Changed);
  for (QLineEdit* edit : findChildren<QLineEdit*>()) {
    if (edit != edt_hotkey_) connect(edit, &QLineEdit::textEdited, this, &TfrmOptions::Changed);
  }
  for (QSpinBox* spin : findChildren<QSpinBox*>()) {
    connect(spin, &QSpinBox::valueChanged, this, &TfrmOptions::Changed);
  }
  for (QTimeEdit* time : findChildren<QTimeEdit*>()) {
    connect(time, &QTimeEdit::timeChanged, this, &TfrmOptions::Changed);
  }
  connect(cbb_talk_clock_, &QComboBox::currentIndexChanged, this, &TfrmOptions::Changed);
  for (QRadioButton* radio : findChildren<QRadioButton*>()) {
    connect(radio, &QRadioButton::toggled, this, &TfrmOptions::Changed);
  }
}

void TfrmOptions::FormatCaptions(const QString& app_title) {
  for (QCheckBox* box : {chk_auto_run_, chk_auto_play_, chk_auto_hide_}) {
    box->setText(box->text().replace(u"%s"_s, app_title));
  }
}

void TfrmOptions::BuildGeneral(QWidget* page) {
  auto box = [page](const char* name, const QString& text) { return Named(new QCheckBox(text, page), name); };
  chk_enable_sound_ = box("chkEnableSound", QStringLiteral("Enable sound"));
  chk_show_hint_ = box("chkShowHint", QStringLiteral("Show hint"));
  chk_show_video_ = box("chkShowVideoForm", QStringLiteral("Show video window"));
  chk_auto_update_ = box("chkAutoUpdate", QStringLiteral("Automatically download and install updates."));
  chk_auto_run_ = box("chkAutoRun", QStringLiteral("Automatically run %s when I log onto Windows."));
  chk_auto_play_ = box("chkAutoPlay", QStringLiteral("Automatically play when %s starts."));
  chk_auto_hide_ = box("chkAutoHide", QStringLiteral("Hide to tray icon when %s starts."));
  chk_tray_visible_ = box("chkTrayIconVisible", QStringLiteral("Show tray icon"));
  chk_animate_ = box("chkEnabledAnimate", QStringLiteral("Enable cycle icons."));
  chk_tray_click_tree_ = box("chkTrayClickTree", QStringLiteral("Pop-up radio tree on tray icon click"));
  chk_shutdown_ = box("chkTimingShutDown", QString());
  auto* lbl_shutdown = Named(new QLabel(QStringLiteral("Automatically shut down computer at:"), page), "lblShutDown");
  dtp_shutdown_ = Named(new QTimeEdit(page), "dtpShutDown");
  chk_talk_clock_ = box("chkTalkClock", QString());
  auto* lbl_talk1 = Named(new QLabel(QStringLiteral("Automatically talking clock at:"), page), "lblTalkClock1");
  cbb_talk_clock_ = Named(new QComboBox(page), "cbbTalkClock");
  cbb_talk_clock_->addItems({QStringLiteral("60"), QStringLiteral("30"), QStringLiteral("15")});
  auto* lbl_talk2 = Named(new QLabel(QStringLiteral("minutes."), page), "lblTalkClock2");
  chk_mute_talk_clock_ = box("chkMuteTalkClock", QStringLiteral("Player mute when talking clock."));
  dtp_shutdown_->setDisplayFormat(QStringLiteral("H:mm:ss"));
  // Clicking the label toggles the box before it.
  lbl_shutdown_ = lbl_shutdown;
  lbl_talk_clock_ = lbl_talk1;
  lbl_shutdown->installEventFilter(this);
  lbl_talk1->installEventFilter(this);

  auto* layout = new QVBoxLayout(page);
  for (QCheckBox* b : {chk_enable_sound_, chk_show_hint_, chk_show_video_, chk_auto_update_, chk_auto_run_,
                       chk_auto_play_, chk_auto_hide_, chk_tray_visible_, chk_animate_, chk_tray_click_tree_}) {
    layout->addWidget(b);
  }
  auto* shutdown_row = new QHBoxLayout;
  shutdown_row->addWidget(chk_shutdown_);
  shutdown_row->addWidget(lbl_shutdown);
  shutdown_row->addWidget(dtp_shutdown_);
  shutdown_row->addStretch();
  layout->addLayout(shutdown_row);
  auto* talk_row = new QHBoxLayout;
  talk_row->addWidget(chk_talk_clock_);
  talk_row->addWidget(lbl_talk1);
  talk_row->addWidget(cbb_talk_clock_);
  talk_row->addWidget(lbl_talk2);
  talk_row->addStretch();
  layout->addLayout(talk_row);
  layout->addWidget(chk_mute_talk_clock_);
  layout->addStretch();
}

void TfrmOptions::BuildPlayer(QWidget* page) {
  chk_proxy_ = Named(new QCheckBox(QStringLiteral("Proxy:"), page), "chkProxy");
  lbl_address_ = Named(new QLabel(QStringLiteral("Address"), page), "lblAddress");
  edt_host_ = Named(new QLineEdit(page), "edtHost");
  lbl_port_ = Named(new QLabel(QStringLiteral("Port"), page), "lblPort");
  edt_port_ = Named(new QLineEdit(page), "edtPort");
  edt_port_->setMaxLength(5);
  edt_port_->setMaximumWidth(edt_port_->fontMetrics().horizontalAdvance(u'0') * 8);
  btn_more_ = Named(new QPushButton(Q(Msg(kMoreSlot))), "btnMore");
  chk_buffer_ = Named(new QCheckBox(QStringLiteral("Buffer"), page), "chkBuffer");
  se_buffer_ = Named(new QSpinBox(page), "seBuffer");
  se_buffer_->setRange(0, 999);
  auto* lbl_buffer = Named(new QLabel(QStringLiteral("seconds of content"), page), "lblBuffer");
  chk_reconnect_ = Named(new QCheckBox(QStringLiteral("Number of retries:"), page), "chkReconnect");
  se_retry_num_ = Named(new QSpinBox(page), "seRetryNum");
  se_retry_num_->setRange(0, 999);
  auto* lbl_delay = Named(new QLabel(QStringLiteral("Retry delay:"), page), "lblRetryDelay");
  se_retry_delay_ = Named(new QSpinBox(page), "seRetrydelay");
  se_retry_delay_->setRange(0, 999);
  chk_timing_play_ = Named(new QCheckBox(QStringLiteral("Automatically play at:"), page), "chkTimingPlay");
  dtp_timing_play_ = Named(new QTimeEdit(page), "dtpTimingPlay");
  chk_timing_record_ = Named(new QCheckBox(QStringLiteral("Automatically record between"), page), "chkTimingRecord");
  dtp_record_start_ = Named(new QTimeEdit(page), "dtpTimingRecordStart");
  auto* lbl_and = Named(new QLabel(QStringLiteral("and"), page), "lblAnd");
  dtp_record_end_ = Named(new QTimeEdit(page), "dtpTimingRecordEnd");
  for (QTimeEdit* t : {dtp_timing_play_, dtp_record_start_, dtp_record_end_}) {
    t->setDisplayFormat(QStringLiteral("H:mm:ss"));
  }
  connect(btn_more_, &QPushButton::clicked, this, &TfrmOptions::ToggleAdvanced);

  auto* grid = new QGridLayout(page);
  grid->addWidget(chk_proxy_, 0, 0);
  auto* proxy_row = new QHBoxLayout;
  proxy_row->addWidget(lbl_address_);
  proxy_row->addWidget(edt_host_, 1);
  proxy_row->addWidget(lbl_port_);
  proxy_row->addWidget(edt_port_);
  proxy_row->addWidget(btn_more_);
  grid->addLayout(proxy_row, 0, 1);
  grid->addWidget(chk_buffer_, 1, 0);
  auto* buffer_row = new QHBoxLayout;
  buffer_row->addWidget(se_buffer_);
  buffer_row->addWidget(lbl_buffer);
  buffer_row->addStretch();
  grid->addLayout(buffer_row, 1, 1);
  grid->addWidget(chk_reconnect_, 2, 0);
  auto* retry_row = new QHBoxLayout;
  retry_row->addWidget(se_retry_num_);
  retry_row->addWidget(lbl_delay);
  retry_row->addWidget(se_retry_delay_);
  retry_row->addStretch();
  grid->addLayout(retry_row, 2, 1);
  grid->addWidget(chk_timing_play_, 3, 0);
  auto* play_row = new QHBoxLayout;
  play_row->addWidget(dtp_timing_play_);
  play_row->addStretch();
  grid->addLayout(play_row, 3, 1);
  grid->addWidget(chk_timing_record_, 4, 0);
  auto* record_row = new QHBoxLayout;
  record_row->addWidget(dtp_record_start_);
  record_row->addWidget(lbl_and);
  record_row->addWidget(dtp_record_end_);
  record_row->addStretch();
  grid->addLayout(record_row, 4, 1);
  grid->setRowStretch(5, 1);
}

void TfrmOptions::BuildProxyPage(QWidget* page, bool real) {
  ProxyPage& p = real ? rp_ : wmp_;
  const char* suffix = real ? "_RP" : "_WMP";
  const auto name = [suffix](const char* base) { return QString::fromLatin1(base) + QString::fromLatin1(suffix); };
  auto* heading = new QLabel(
      real ? QStringLiteral("Real Proxy Server Settings") : QStringLiteral("Windows Media Proxy Server Settings"),
      page);
  heading->setObjectName(name("lblHeading"));
  p.protocol = new QComboBox(page);
  p.protocol->setObjectName(name("cbbProtocol"));
  p.protocol->addItems(real ? QStringList{QStringLiteral("HTTP"), QStringLiteral("PNA"), QStringLiteral("RTSP")}
                            : QStringList{QStringLiteral("HTTP"), QStringLiteral("MMS"), QStringLiteral("RTSP")});
  const char* radio_names[] = {"rbAuto", "rbBrowser", "rbNo", "rbUse"};
  const QString radio_texts[] = {
      QStringLiteral("&Auto detect proxy settings"), QStringLiteral("Use proxy settings of the Web &browser"),
      QStringLiteral("&Do not use a proxy server"), QStringLiteral("&Use the following proxy server")};
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(heading);
  layout->addWidget(p.protocol);
  for (int i = 0; i < 4; ++i) {
    p.radios[i] = new QRadioButton(radio_texts[i], page);
    p.radios[i]->setObjectName(name(radio_names[i]));
    layout->addWidget(p.radios[i]);
    connect(p.radios[i], &QRadioButton::clicked, this,
            real ? &TfrmOptions::StoreRealRadio : &TfrmOptions::StoreWmpRadio);
  }
  p.radios[kNo]->setChecked(true);
  auto* lbl_host = new QLabel(QStringLiteral("Add&ress:"), page);
  lbl_host->setObjectName(name("lblHost"));
  p.host = new QLineEdit(page);
  p.host->setObjectName(name("edtHost"));
  auto* lbl_port = new QLabel(QStringLiteral("&Port:"), page);
  lbl_port->setObjectName(name("lblPort"));
  p.port = new QLineEdit(QStringLiteral("80"), page);
  p.port->setObjectName(name("edtPort"));
  p.port->setMaxLength(5);
  lbl_host->setBuddy(p.host);
  lbl_port->setBuddy(p.port);
  auto* fields = new QHBoxLayout;
  fields->addWidget(lbl_host);
  fields->addWidget(p.host, 1);
  fields->addWidget(lbl_port);
  fields->addWidget(p.port);
  layout->addLayout(fields);
  auto* view = new QPushButton(QStringLiteral("Check latest proxy list"), page);
  view->setObjectName(name("btnView"));
  connect(view, &QPushButton::clicked, this, &TfrmOptions::proxyListRequested);
  layout->addWidget(view, 0, Qt::AlignLeft);
  layout->addStretch();
  connect(p.protocol, &QComboBox::currentIndexChanged, this,
          real ? &TfrmOptions::LoadRealProtocol : &TfrmOptions::LoadWmpProtocol);
  for (QLineEdit* edit : {p.host, p.port}) {
    connect(edit, &QLineEdit::textEdited, this, real ? &TfrmOptions::StoreRealFields : &TfrmOptions::StoreWmpFields);
  }
}

void TfrmOptions::BuildHotkeys(QWidget* page) {
  chk_enabled_hotkeys_ = Named(new QCheckBox(QStringLiteral("Enabled Hotkeys"), page), "chkEnabledHotkeys");
  lv_hotkeys_ = Named(new QTreeWidget(page), "lvHotkeys");
  lv_hotkeys_->setProperty("listView", true);
  lv_hotkeys_->setColumnCount(2);
  lv_hotkeys_->setHeaderLabels({QStringLiteral("Action"), QStringLiteral("Hotkey")});
  lv_hotkeys_->setRootIsDecorated(false);
  lv_hotkeys_->setSelectionBehavior(QAbstractItemView::SelectRows);
  lv_hotkeys_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lv_hotkeys_->setAllColumnsShowFocus(true);
  lv_hotkeys_->setStyleSheet(QStringLiteral("QTreeView::item { border: 1px solid palette(midlight); }"));
  for (const TDefHotkey& def : DefaultHotkeys()) {
    lv_hotkeys_->addTopLevelItem(new QTreeWidgetItem({Q(def.Caption), QString()}));
  }
  lv_hotkeys_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  lv_hotkeys_->header()->setSectionResizeMode(1, QHeaderView::Stretch);
  auto* lbl = Named(new QLabel(QStringLiteral("Hotkey:"), page), "lblHotkey");
  edt_hotkey_ = Named(new THotkeyEdit(page), "edtHotkey");
  btn_hotkey_ = Named(new QPushButton(QStringLiteral("Set"), page), "btnHotkey");
  lbl->setBuddy(edt_hotkey_);
  connect(lv_hotkeys_, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* item) { ShowHotkeyRow(lv_hotkeys_->indexOfTopLevelItem(item)); });
  connect(lv_hotkeys_, &QTreeWidget::itemDoubleClicked, this, [this] {
    edt_hotkey_->setFocus();
    edt_hotkey_->end(false);
  });
  connect(lv_hotkeys_, &QTreeWidget::itemActivated, this, [this] {
    edt_hotkey_->setFocus();
    edt_hotkey_->end(false);
  });
  connect(btn_hotkey_, &QPushButton::clicked, this, &TfrmOptions::SetHotkeyOfRow);
  connect(edt_hotkey_, &THotkeyEdit::setRequested, this, &TfrmOptions::SetHotkeyOfRow);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(chk_enabled_hotkeys_);
  layout->addWidget(lv_hotkeys_, 1);
  auto* row = new QHBoxLayout;
  row->addWidget(lbl);
  row->addWidget(edt_hotkey_, 1);
  row->addWidget(btn_hotkey_);
  layout->addLayout(row);
}

bool TfrmOptions::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress) {
    if (watched == lbl_shutdown_ && chk_shutdown_->isEnabled()) chk_shutdown_->toggle();
    if (watched == lbl_talk_clock_ && chk_talk_clock_->isEnabled()) chk_talk_clock_->toggle();
  }
  return QDialog::eventFilter(watched, event);
}

void TfrmOptions::Load(const OptionsState& state) {
  loading_ = true;
  state_ = state;
  const Settings::Options& o = state.options;
  chk_enable_sound_->setChecked(o.enable_sound);
  chk_show_hint_->setChecked(o.show_hint);
  chk_show_video_->setChecked(o.video_form_visible);
  chk_auto_update_->setChecked(o.auto_update);
  chk_auto_run_->setChecked(state.auto_run);
  chk_auto_play_->setChecked(o.auto_play);
  chk_auto_hide_->setChecked(o.auto_hide);
  chk_tray_visible_->setChecked(o.tray_icon_visible);
  chk_animate_->setChecked(o.enabled_animate);
  chk_tray_click_tree_->setChecked(state.tray_click_tree);
  chk_shutdown_->setChecked(o.timing_shutdown);
  dtp_shutdown_->setTime(TimeOfSeconds(o.shutdown_time));
  chk_talk_clock_->setChecked(o.auto_talk_clock);
  cbb_talk_clock_->setCurrentIndex(cbb_talk_clock_->findText(QString::number(o.talk_clock_interval)));
  chk_mute_talk_clock_->setChecked(o.mute_talk_clock);

  chk_buffer_->setChecked(state.buffer.custom);
  se_buffer_->setValue(state.buffer.seconds);
  chk_reconnect_->setChecked(o.reconnect);
  se_retry_num_->setValue(o.retry_num);
  se_retry_delay_->setValue(o.retry_delay);
  chk_timing_play_->setChecked(o.timing_play);
  dtp_timing_play_->setTime(TimeOfSeconds(o.timing_play_time));
  chk_timing_record_->setChecked(o.timing_record);
  dtp_record_start_->setTime(TimeOfSeconds(o.timing_record_start_time));
  dtp_record_end_->setTime(TimeOfSeconds(o.timing_record_end_time));

  rp_.protocol->setCurrentIndex(0);
  wmp_.protocol->setCurrentIndex(0);
  LoadRealProtocol();
  LoadWmpProtocol();
  // The simple proxy: RealPlayer's HTTP row when it uses a proxy, else the
  // Windows Media one's.
  const RealProxySet& r = state_.real;
  if (r[RealProxySet::kHttpSupport] == "1" || r[RealProxySet::kHttpFromBrowser] == "1") {
    chk_proxy_->setChecked(true);
    edt_host_->setText(Q(r[RealProxySet::kHttpHost]));
    edt_port_->setText(Q(r[RealProxySet::kHttpPort]));
  } else if (state_.wmp.http_style == 2 || state_.wmp.http_style == 1) {
    chk_proxy_->setChecked(true);
    edt_host_->setText(Q(state_.wmp.http_name));
    edt_port_->setText(QString::number(state_.wmp.http_port));
  } else {
    chk_proxy_->setChecked(false);
    edt_host_->clear();
    edt_port_->clear();
  }

  chk_enabled_hotkeys_->setChecked(o.enabled_hotkeys);
  for (int i = 0; i < kHotkeyCount; ++i) {
    QTreeWidgetItem* item = lv_hotkeys_->topLevelItem(i);
    item->setText(1, Q(HotkeyText(state_.hotkeys[i])));
  }
  edt_hotkey_->SetBinding({});
  if (lv_hotkeys_->currentItem() != nullptr)
    ShowHotkeyRow(lv_hotkeys_->indexOfTopLevelItem(lv_hotkeys_->currentItem()));
  loading_ = false;
  UpdateEnabled();
  btn_apply_->setEnabled(false);
}

OptionsState TfrmOptions::Collect() const {
  OptionsState s = state_;
  Settings::Options& o = s.options;
  o.enable_sound = chk_enable_sound_->isChecked();
  o.show_hint = chk_show_hint_->isChecked();
  o.video_form_visible = chk_show_video_->isChecked();
  o.auto_update = chk_auto_update_->isChecked();
  s.auto_run = chk_auto_run_->isChecked();
  o.auto_play = chk_auto_play_->isChecked();
  o.auto_hide = chk_auto_hide_->isChecked();
  o.tray_icon_visible = chk_tray_visible_->isChecked();
  o.enabled_animate = chk_animate_->isChecked();
  s.tray_click_tree = chk_tray_click_tree_->isChecked();
  o.timing_shutdown = chk_shutdown_->isChecked();
  o.shutdown_time = SecondsOfTime(dtp_shutdown_->time());
  o.auto_talk_clock = chk_talk_clock_->isChecked();
  o.talk_clock_interval = ParseInteger(ToGb(cbb_talk_clock_->currentText())).value_or(60);
  o.mute_talk_clock = chk_mute_talk_clock_->isChecked();
  s.proxy = chk_proxy_->isChecked();
  s.proxy_host = Trimmed(edt_host_);
  s.proxy_port = Trimmed(edt_port_);
  s.buffer = {chk_buffer_->isChecked(), se_buffer_->value()};
  o.reconnect = chk_reconnect_->isChecked();
  o.retry_num = se_retry_num_->value();
  o.retry_delay = se_retry_delay_->value();
  o.timing_play = chk_timing_play_->isChecked();
  o.timing_play_time = SecondsOfTime(dtp_timing_play_->time());
  o.timing_record = chk_timing_record_->isChecked();
  o.timing_record_start_time = SecondsOfTime(dtp_record_start_->time());
  o.timing_record_end_time = SecondsOfTime(dtp_record_end_->time());
  s.advanced = advanced_;
  o.enabled_hotkeys = chk_enabled_hotkeys_->isChecked();
  return s;
}

void TfrmOptions::ShowPage(int index) {
  if (index >= 0 && index < tabs_->count()) tabs_->setCurrentIndex(index);
}

void TfrmOptions::ApplyFinished(bool ok) {
  if (!ok) btn_apply_->setEnabled(true);
}

void TfrmOptions::Changed() {
  if (loading_) return;
  btn_apply_->setEnabled(true);
  UpdateEnabled();
}

void TfrmOptions::UpdateEnabled() {
  dtp_shutdown_->setEnabled(chk_shutdown_->isChecked());
  cbb_talk_clock_->setEnabled(chk_talk_clock_->isChecked());
  dtp_timing_play_->setEnabled(chk_timing_play_->isChecked());
  dtp_record_start_->setEnabled(chk_timing_record_->isChecked());
  dtp_record_end_->setEnabled(chk_timing_record_->isChecked());
  se_retry_num_->setEnabled(chk_reconnect_->isChecked());
  se_retry_delay_->setEnabled(chk_reconnect_->isChecked());
  se_buffer_->setEnabled(chk_buffer_->isChecked());
  chk_proxy_->setEnabled(!advanced_);
  const bool simple_proxy = chk_proxy_->isChecked() && chk_proxy_->isEnabled();
  for (QWidget* w : std::initializer_list<QWidget*>{lbl_address_, edt_host_, lbl_port_, edt_port_}) {
    w->setEnabled(simple_proxy);
  }
  for (ProxyPage* p : {&rp_, &wmp_}) {
    const bool use = p->radios[kUse]->isChecked();
    p->host->setEnabled(use);
    p->port->setEnabled(use);
  }
  const bool hotkeys = chk_enabled_hotkeys_->isChecked();
  lv_hotkeys_->setEnabled(hotkeys);
  edt_hotkey_->setEnabled(hotkeys);
  btn_hotkey_->setEnabled(hotkeys);
}

void TfrmOptions::ToggleAdvanced() {
  advanced_ = !advanced_;
  tabs_->setTabVisible(2, advanced_);
  tabs_->setTabVisible(3, advanced_);
  btn_more_->setText(Q(Msg(advanced_ ? kSimpleSlot : kMoreSlot)));
  Changed();
}

// RealPlayer: members by protocol (support, host, port) and Auto's member.
namespace {
struct RealRow {
  int use, host, port, auto_member;
};
RealRow RealRowOf(int protocol) {
  switch (protocol) {
    case 1:
      return {RealProxySet::kPnaSupport, RealProxySet::kPnaHost, RealProxySet::kPnaPort,
              RealProxySet::kRtspPnmAutoConfig};
    case 2:
      return {RealProxySet::kRtspSupport, RealProxySet::kRtspHost, RealProxySet::kRtspPort,
              RealProxySet::kRtspPnmAutoConfig};
    default:
      return {RealProxySet::kHttpSupport, RealProxySet::kHttpHost, RealProxySet::kHttpPort,
              RealProxySet::kHttpAutoConfig};
  }
}
}  // namespace

void TfrmOptions::LoadRealProtocol() {
  const bool was_loading = std::exchange(loading_, true);
  const int protocol = rp_.protocol->currentIndex();
  const RealRow row = RealRowOf(protocol);
  const RealProxySet& r = state_.real;
  rp_.radios[kBrowser]->setEnabled(protocol == 0);
  Radio radio = kNo;
  if (r[row.use] == "1") {
    radio = kUse;
  } else if (protocol == 0 && r[RealProxySet::kHttpFromBrowser] == "1") {
    radio = kBrowser;
  } else if (r[row.auto_member] == "1") {
    radio = kAuto;
  }
  rp_.radios[radio]->setChecked(true);
  rp_.host->setText(Q(r[row.host]));
  rp_.port->setText(Q(r[row.port]));
  loading_ = was_loading;
  UpdateEnabled();
}

void TfrmOptions::StoreRealRadio() {
  const int protocol = rp_.protocol->currentIndex();
  const RealRow row = RealRowOf(protocol);
  RealProxySet& r = state_.real;
  const auto flag = [](bool on) { return std::string(on ? "1" : "0"); };
  r[row.use] = flag(rp_.radios[kUse]->isChecked());
  r[row.auto_member] = flag(rp_.radios[kAuto]->isChecked());
  if (protocol == 0) {
    const bool browser = rp_.radios[kBrowser]->isChecked();
    r[RealProxySet::kHttpFromBrowser] = flag(browser);
    if (browser) {
      if (!state_.browser.host.empty() || !state_.browser.port.empty()) {
        r[RealProxySet::kHttpHost] = state_.browser.host;
        r[RealProxySet::kHttpPort] = state_.browser.port;
        r[RealProxySet::kHttpSupport] = "1";
      } else {
        r[RealProxySet::kHttpSupport] = "0";
      }
      rp_.host->setText(Q(r[RealProxySet::kHttpHost]));
      rp_.port->setText(Q(r[RealProxySet::kHttpPort]));
    }
  }
  Changed();
}

void TfrmOptions::StoreRealFields() {
  const RealRow row = RealRowOf(rp_.protocol->currentIndex());
  state_.real[row.host] = Trimmed(rp_.host);
  state_.real[row.port] = Trimmed(rp_.port);
}

namespace {
struct WmpRow {
  int* style;
  int* port;
  std::string* name;
};
WmpRow WmpRowOf(Wmp9ProxySet& s, int protocol) {
  switch (protocol) {
    case 1:
      return {&s.mms_style, &s.mms_port, &s.mms_name};
    case 2:
      return {&s.rtsp_style, &s.rtsp_port, &s.rtsp_name};
    default:
      return {&s.http_style, &s.http_port, &s.http_name};
  }
}
constexpr int kStyleOfRadio[4] = {3, 1, 0, 2};  // Auto, Browser, No, Use
}  // namespace

void TfrmOptions::LoadWmpProtocol() {
  const bool was_loading = std::exchange(loading_, true);
  const WmpRow row = WmpRowOf(state_.wmp, wmp_.protocol->currentIndex());
  Radio radio = kNo;
  for (int r = 0; r < 4; ++r) {
    if (kStyleOfRadio[r] == *row.style) radio = static_cast<Radio>(r);
  }
  wmp_.radios[radio]->setChecked(true);
  wmp_.host->setText(Q(*row.name));
  wmp_.port->setText(QString::number(*row.port));
  loading_ = was_loading;
  UpdateEnabled();
}

void TfrmOptions::StoreWmpRadio() {
  const WmpRow row = WmpRowOf(state_.wmp, wmp_.protocol->currentIndex());
  for (int r = 0; r < 4; ++r) {
    if (wmp_.radios[r]->isChecked()) *row.style = kStyleOfRadio[r];
  }
  Changed();
}

void TfrmOptions::StoreWmpFields() {
  const WmpRow row = WmpRowOf(state_.wmp, wmp_.protocol->currentIndex());
  *row.name = Trimmed(wmp_.host);
  *row.port = ProxyPortOr80(Trimmed(wmp_.port));
}

void TfrmOptions::ShowHotkeyRow(int row) {
  if (row < 0 || row >= kHotkeyCount) return;
  edt_hotkey_->SetBinding(state_.hotkeys[row]);
}

void TfrmOptions::SetHotkeyOfRow() {
  QTreeWidgetItem* item = lv_hotkeys_->currentItem();
  if (item != nullptr) {
    const int row = lv_hotkeys_->indexOfTopLevelItem(item);
    state_.hotkeys[row] = edt_hotkey_->Binding();
    item->setText(1, Q(HotkeyText(state_.hotkeys[row])));
    Changed();
  }
  lv_hotkeys_->setFocus();
}

void TfrmOptions::Apply() {
  btn_apply_->setEnabled(false);
  emit applyRequested();
}

}  // namespace tazmel
