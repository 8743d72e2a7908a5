#pragma once

#include <QDialog>
#include <QLineEdit>
#include <array>

#include "ui/options/options_state.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QTimeEdit;
class QTreeWidget;
class QWidget;

namespace tazmel {

// The hotkey capture field: takes key presses instead of text.
class THotkeyEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit THotkeyEdit(QWidget* parent = nullptr);
  // The (modifiers, key) pair the text stands for; kept beside the text so
  // that a key without a name is not lost.
  HotkeyBinding Binding() const { return binding_; }
  void SetBinding(const HotkeyBinding& binding);

 signals:
  void setRequested();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;

 private:
  HotkeyBinding binding_;
};

// Options: general behaviour, the player, the players' proxies and the
// hotkeys. Non-modal, made once and shown again; Load() sets every control
// from the current settings before each show, Collect() reads them back.
class TfrmOptions : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmOptions(QWidget* parent = nullptr);
  // Puts the application title into the captions that name it; after the
  // captions were translated.
  void FormatCaptions(const QString& app_title);

  void Load(const OptionsState& state);
  OptionsState Collect() const;
  // Shows the page (1: Player) or keeps the current one for -1.
  void ShowPage(int index);
  // After an Apply that failed, Apply stays available.
  void ApplyFinished(bool ok);
  bool AdvancedVisible() const { return advanced_; }

 signals:
  // Apply or OK; OK closes the dialog after.
  void applyRequested();
  // "Check latest proxy list" on either proxy page.
  void proxyListRequested();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildGeneral(QWidget* page);
  void BuildPlayer(QWidget* page);
  void BuildProxyPage(QWidget* page, bool real);
  void BuildHotkeys(QWidget* page);
  void Changed();
  void UpdateEnabled();
  void ToggleAdvanced();
  void LoadRealProtocol();
  void StoreRealRadio();
  void StoreRealFields();
  void LoadWmpProtocol();
  void StoreWmpRadio();
  void StoreWmpFields();
  void SetHotkeyOfRow();
  void ShowHotkeyRow(int row);
  void Apply();

  bool loading_ = false;
  bool advanced_ = false;
  OptionsState state_;

  QTabWidget* tabs_ = nullptr;
  QWidget* ts_proxy_rp_ = nullptr;
  QWidget* ts_proxy_wmp_ = nullptr;
  // General.
  QCheckBox* chk_enable_sound_ = nullptr;
  QCheckBox* chk_show_hint_ = nullptr;
  QCheckBox* chk_show_video_ = nullptr;
  QCheckBox* chk_auto_update_ = nullptr;
  QCheckBox* chk_auto_run_ = nullptr;
  QCheckBox* chk_auto_play_ = nullptr;
  QCheckBox* chk_auto_hide_ = nullptr;
  QCheckBox* chk_tray_visible_ = nullptr;
  QCheckBox* chk_animate_ = nullptr;
  QCheckBox* chk_tray_click_tree_ = nullptr;
  QCheckBox* chk_shutdown_ = nullptr;
  QTimeEdit* dtp_shutdown_ = nullptr;
  QLabel* lbl_shutdown_ = nullptr;
  QLabel* lbl_talk_clock_ = nullptr;
  QCheckBox* chk_talk_clock_ = nullptr;
  QComboBox* cbb_talk_clock_ = nullptr;
  QCheckBox* chk_mute_talk_clock_ = nullptr;
  // Player.
  QCheckBox* chk_proxy_ = nullptr;
  QLabel* lbl_address_ = nullptr;
  QLineEdit* edt_host_ = nullptr;
  QLabel* lbl_port_ = nullptr;
  QLineEdit* edt_port_ = nullptr;
  QPushButton* btn_more_ = nullptr;
  QCheckBox* chk_buffer_ = nullptr;
  QSpinBox* se_buffer_ = nullptr;
  QCheckBox* chk_reconnect_ = nullptr;
  QSpinBox* se_retry_num_ = nullptr;
  QSpinBox* se_retry_delay_ = nullptr;
  QCheckBox* chk_timing_play_ = nullptr;
  QTimeEdit* dtp_timing_play_ = nullptr;
  QCheckBox* chk_timing_record_ = nullptr;
  QTimeEdit* dtp_record_start_ = nullptr;
  QTimeEdit* dtp_record_end_ = nullptr;
  // The two proxy pages: protocol, Auto, Browser, No, Use, host, port.
  struct ProxyPage {
    QComboBox* protocol = nullptr;
    std::array<QRadioButton*, 4> radios{};  // Auto, Browser, No, Use
    QLineEdit* host = nullptr;
    QLineEdit* port = nullptr;
  };
  ProxyPage rp_;
  ProxyPage wmp_;
  // Hotkeys.
  QCheckBox* chk_enabled_hotkeys_ = nullptr;
  QTreeWidget* lv_hotkeys_ = nullptr;
  THotkeyEdit* edt_hotkey_ = nullptr;
  QPushButton* btn_hotkey_ = nullptr;
  QPushButton* btn_apply_ = nullptr;
};

}  // namespace tazmel
