// The Options dialog in the running program: what it shows on every show,
// what Apply writes, the hotkey page, and a station's proxy kept out of the
// user's settings.
#include "app/application.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>

#include "app/options_controller.h"
#include "core/ini_file.h"
#include "core/messages.h"
#include "core/program_paths.h"
#include "online/browser_fetch.h"
#include "platform/registry.h"
#include "playback/media_kind.h"
#include "playback/player_network.h"
#include "stations/radio_table.h"
#include "stations/text_table.h"
#include "support/http_server.h"
#include "support/program_folder.h"
#include "support/scoped_env.h"
#include "support/test_audio.h"
#include "temp_dir.h"
#include "ui/main/main_window.h"
#include "ui/online/online_dialogs.h"
#include "ui/options/options_dialog.h"
#include "ui/qt_app.h"
#include "ui/translator.h"

namespace tazmel {
namespace {

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

const std::string kWmp9 = "HKEY_CURRENT_USER\\Software\\Microsoft\\MediaPlayer\\Preferences\\ProxySettings\\";
constexpr std::string_view kWmp6Local = "HKEY_CURRENT_USER\\Software\\Microsoft\\NetShow\\Player\\Local";
const std::string kRealUser = "HKEY_CURRENT_USER\\Software\\RealNetworks\\RealMediaSDK\\6.0\\Preferences\\";

class OptionsTest : public ::testing::Test {
 protected:
  OptionsTest() {
    test::QtApp();
    test::StageProgramFolder(home_.path());
    fs::create_directories(paths_.DataFolder());
    fs::copy_file(home_ / "Tazmel.ini", paths_.UserIni());
    Set("Language", "CurLng", "eng");
  }
  void Set(const char* section, const char* key, const std::string& value) {
    EXPECT_TRUE(WriteProfileString(paths_.UserIni(), section, key, value));
  }
  std::string Get(const char* section, const char* key) { return ReadProfileString(paths_.UserIni(), section, key); }
  Registry Reg() const { return Registry(Registry::DefaultFile()); }

  // Opens the dialog from the main menu.
  TfrmOptions& Open(Application& app) {
    app.MainWindow().Action("nOptions")->trigger();
    auto* dialog = app.MainWindow().findChild<TfrmOptions*>();
    if (dialog == nullptr) {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* d = qobject_cast<TfrmOptions*>(w)) dialog = d;
      }
    }
    EXPECT_NE(dialog, nullptr);
    return *dialog;
  }
  template <typename T>
  T& Child(TfrmOptions& dialog, const char* name) {
    T* child = dialog.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return *child;
  }
  void Click(TfrmOptions& dialog, const char* button) { Child<QPushButton>(dialog, button).click(); }
  void Type(TfrmOptions& dialog, const char* edit, const QString& text) {
    // Typed, as the user would, so the dialog sees the edit.
    QLineEdit& field = Child<QLineEdit>(dialog, edit);
    field.selectAll();
    QTest::keyClick(&field, Qt::Key_Backspace);
    QTest::keyClicks(&field, text);
  }

  test::TempDir home_;
  ProgramPaths paths_{home_.path()};
  test::ScopedEnv config_{"XDG_CONFIG_HOME", (home_ / "config").string()};
  test::ScopedEnv audio_{"TAZMEL_AUDIO_OUTPUT", "null"};
  test::ScopedEnv no_env_proxy_{"http_proxy", std::nullopt};
  test::ScopedEnv tazmel_home_{"TAZMEL_HOME", home_.path().string()};
};

// "Proxy:" with an address goes to all three players; unchecked clears
// RealPlayer and Windows Media Player 9 and leaves 6.4 alone; checked
// without an address counts as unchecked.
TEST_F(OptionsTest, SimpleProxyApplied) {
  Application app(paths_);
  app.Start();
  TfrmOptions& dialog = Open(app);
  EXPECT_FALSE(Child<QPushButton>(dialog, "btnApply").isEnabled());
  Child<QCheckBox>(dialog, "chkProxy").setChecked(true);
  Type(dialog, "edtHost", u"10.0.0.5"_s);
  Type(dialog, "edtPort", u"3128"_s);
  EXPECT_TRUE(Child<QPushButton>(dialog, "btnApply").isEnabled());
  Click(dialog, "btnApply");
  EXPECT_FALSE(Child<QPushButton>(dialog, "btnApply").isEnabled());
  {
    const Registry r = Reg();
    EXPECT_EQ(r.ReadString(kRealUser + "RTSPProxyHost", "@"), "10.0.0.5");
    EXPECT_EQ(r.ReadInteger(kWmp9 + "MMS", "ProxyStyle"), 2);
    EXPECT_EQ(r.ReadInteger(kWmp9 + "MMS", "ProxyPort"), 3128);
    EXPECT_EQ(r.ReadString(kWmp6Local, "ProxyHost"), "10.0.0.5");
    EXPECT_EQ(r.ReadInteger(kWmp6Local, "ProxyEnabled"), 1);
  }
  // The next show reads them back.
  dialog.hide();
  Open(app);
  EXPECT_TRUE(Child<QCheckBox>(dialog, "chkProxy").isChecked());
  EXPECT_EQ(Child<QLineEdit>(dialog, "edtHost").text(), u"10.0.0.5"_s);

  // Checked without an address, then unchecked: both clear the same two.
  for (bool checked : {true, false}) {
    Child<QCheckBox>(dialog, "chkProxy").setChecked(checked);
    Type(dialog, "edtHost", QString());
    Click(dialog, "btnApply");
    const Registry r = Reg();
    EXPECT_EQ(r.ReadString(kRealUser + "HTTPProxyHost", "@"), "") << checked;
    EXPECT_EQ(r.ReadString(kRealUser + "HTTPProxySupport", "@"), "0") << checked;
    EXPECT_EQ(r.ReadInteger(kWmp9 + "HTTP", "ProxyStyle"), 0) << checked;
    EXPECT_EQ(r.ReadInteger(kWmp6Local, "ProxyEnabled"), 1) << checked;
  }
  app.Close();
}

// The advanced pages write all three players' sets; Windows Media Player
// 6.4's automatic mode shows as "Auto detect" and is written back as such.
TEST_F(OptionsTest, AdvancedPagesMapTheOlderPlayersAutomaticMode) {
  {
    Registry r = Reg();
    r.WriteString(kComponentsKey, kWmp9File, "missing");
    r.WriteInteger(kWmp6Local, "EnableAutoProxy", 1);
    r.WriteInteger(kWmp6Local, "ProxyEnabled", 1);
    r.WriteInteger(kWmp6Local, "ProxyPort", 80);
    r.WriteInteger(kWmp9 + "HTTP", "ProxyStyle", 0);
    r.WriteInteger(kWmp9 + "MMS", "ProxyStyle", 0);
    r.WriteInteger(kWmp9 + "RTSP", "ProxyStyle", 0);
    r.WriteInteger(kWmp9 + "RTSP", "ProxyPort", 0);
    r.WriteInteger(kWmp9 + "MMS", "ProxyPort", 0);
    r.WriteInteger(kWmp9 + "HTTP", "ProxyPort", 0);
  }
  Application app(paths_);
  app.Start();
  TfrmOptions& dialog = Open(app);
  Click(dialog, "btnMore");
  EXPECT_FALSE(Child<QCheckBox>(dialog, "chkProxy").isEnabled());
  EXPECT_TRUE(Child<QRadioButton>(dialog, "rbAuto_WMP").isChecked());
  EXPECT_FALSE(Child<QRadioButton>(dialog, "rbBrowser_WMP").isChecked());
  // RealPlayer's RTSP row to a given proxy; nothing else touched.
  Child<QComboBox>(dialog, "cbbProtocol_RP").setCurrentIndex(2);
  EXPECT_FALSE(Child<QRadioButton>(dialog, "rbBrowser_RP").isEnabled());
  Child<QRadioButton>(dialog, "rbUse_RP").click();
  Type(dialog, "edtHost_RP", u"rtsp.proxy"_s);
  Type(dialog, "edtPort_RP", u"554"_s);
  Click(dialog, "btnOk");
  EXPECT_FALSE(dialog.isVisible());
  const Registry r = Reg();
  EXPECT_EQ(r.ReadString(kRealUser + "RTSPProxySupport", "@"), "1");
  EXPECT_EQ(r.ReadString(kRealUser + "RTSPProxyHost", "@"), "rtsp.proxy");
  EXPECT_EQ(r.ReadString(kRealUser + "RTSPProxyPort", "@"), "554");
  EXPECT_EQ(r.ReadString(kRealUser + "HTTPProxySupport", "@"), "");
  EXPECT_EQ(r.ReadInteger(kWmp6Local, "EnableAutoProxy"), 1);
  EXPECT_EQ(r.ReadInteger(kWmp6Local, "ProxyEnabled"), 1);
  EXPECT_EQ(r.ReadInteger(kWmp9 + "HTTP", "ProxyStyle"), 3);
  app.Close();
}

// "Check latest proxy list" opens the proxy list dialog over the Options
// dialog, with the list kept in the program folder.
TEST_F(OptionsTest, ProxyPagesOpenTheProxyList) {
  test::WriteFile(home_ / "proxy.txt", "old.example:3128\r\n");
  Application app(paths_);
  app.Start();
  TfrmOptions& dialog = Open(app);
  Click(dialog, "btnMore");
  for (const char* button : {"btnView_RP", "btnView_WMP"}) {
    QString shown;
    QTimer::singleShot(0, [&shown] {
      if (auto* list = qobject_cast<TfrmGetProxy*>(QApplication::activeModalWidget())) {
        shown = list->Memo()->toPlainText();
        list->reject();
      }
    });
    Click(dialog, button);
    EXPECT_EQ(shown.trimmed(), u"old.example:3128"_s) << button;
  }
  app.Close();
}

// The hotkey page: a plain letter gets Ctrl + Alt, F5 stays alone, Cancel
// keeps the old combination, OK makes the new one the program's; a key
// without a name in the settings survives an Apply.
TEST_F(OptionsTest, HotkeyPage) {
  Set("Hotkeys", "Stop", "3,19");
  Application app(paths_);
  app.Start();
  TfrmOptions& dialog = Open(app);
  auto& list = Child<QTreeWidget>(dialog, "lvHotkeys");
  auto& field = Child<QLineEdit>(dialog, "edtHotkey");
  ASSERT_EQ(list.topLevelItemCount(), 23);
  EXPECT_EQ(list.topLevelItem(0)->text(0), u"Play/Pause"_s);
  EXPECT_EQ(list.topLevelItem(22)->text(0), u"Search Stations"_s);
  EXPECT_EQ(list.topLevelItem(22)->text(1), u"Ctrl + Alt + F"_s);
  EXPECT_EQ(list.topLevelItem(0)->text(1), u"Ctrl + Alt + P"_s);
  list.setCurrentItem(list.topLevelItem(0));
  EXPECT_EQ(field.text(), u"Ctrl + Alt + P"_s);

  QTest::keyClick(&field, Qt::Key_K);
  EXPECT_EQ(field.text(), u"Ctrl + Alt + K"_s);
  QTest::keyClick(&field, Qt::Key_F5);
  EXPECT_EQ(field.text(), u"F5"_s);
  QTest::keyPress(&field, Qt::Key_Control, Qt::ControlModifier);
  EXPECT_EQ(field.text(), u"Ctrl + "_s);
  QTest::keyRelease(&field, Qt::Key_Control, Qt::ControlModifier);
  EXPECT_EQ(field.text(), QString());
  QTest::keyClick(&field, Qt::Key_F5);
  Click(dialog, "btnHotkey");
  EXPECT_EQ(list.topLevelItem(0)->text(1), u"F5"_s);

  Click(dialog, "btnCancel");
  Open(app);
  EXPECT_EQ(list.topLevelItem(0)->text(1), u"Ctrl + Alt + P"_s);
  list.setCurrentItem(list.topLevelItem(0));
  QTest::keyClick(&field, Qt::Key_F5);
  QTest::keyClick(&field, Qt::Key_Return);
  Click(dialog, "btnOk");
  app.Close();
  EXPECT_EQ(Get("Hotkeys", "Play"), "0,116");
  EXPECT_EQ(Get("Hotkeys", "Stop"), "3,19");
}

// Auto-run writes the login entry (with the program folder), a talk-clock
// interval not in the list shows none and applies as 60, and a step that
// fails leaves Apply available while the others still take effect.
TEST_F(OptionsTest, AutoRunTalkClockAndFailingStep) {
  Set("Options", "TalkClockInterval", "45");
  Application app(paths_);
  app.Start();
  TfrmOptions& dialog = Open(app);
  EXPECT_EQ(Child<QComboBox>(dialog, "cbbTalkClock").currentIndex(), -1);
  Child<QCheckBox>(dialog, "chkAutoRun").setChecked(true);
  Click(dialog, "btnApply");
  const fs::path entry = home_ / "config" / "autostart" / "tazmel.desktop";
  ASSERT_TRUE(fs::exists(entry));
  EXPECT_NE(test::ReadFile(entry).find("Exec=env TAZMEL_HOME="), std::string::npos);
  EXPECT_FALSE(Child<QPushButton>(dialog, "btnApply").isEnabled());

  // The entry cannot be written while a folder stands in its place.
  fs::remove(entry);
  fs::create_directories(entry / "blocker");
  Open(app);
  EXPECT_FALSE(Child<QCheckBox>(dialog, "chkAutoRun").isChecked());
  Child<QCheckBox>(dialog, "chkAutoRun").setChecked(true);
  Child<QCheckBox>(dialog, "chkBuffer").setChecked(true);
  Click(dialog, "btnApply");
  EXPECT_TRUE(Child<QPushButton>(dialog, "btnApply").isEnabled());
  EXPECT_EQ(
      Reg().ReadInteger("HKEY_CURRENT_USER\\Software\\Microsoft\\MediaPlayer\\Preferences", "UseDefaultBufferTime"), 0);
  app.Close();
  EXPECT_EQ(Get("Options", "TalkClockInterval"), "60");
}

// A station with its own proxy plays through it; meanwhile the dialog shows
// and keeps the user's own settings, which come back when it stops.
TEST_F(OptionsTest, StationProxyNeverBecomesTheUsers) {
  test::TestHttpServer proxy;
  const std::string mp3 = test::MakeToneMp3(2.0);
  proxy.ServeLoop("/live.mp3", mp3);
  StationRecord record;
  record.VID = "100001";
  record.VRadioName = "Proxied FM";
  record.VStreamURL = "http://radio.invalid/live.mp3";
  record.VFormat = "4";
  record.VProxy = "127.0.0.1:" + std::to_string(proxy.Port());
  ASSERT_TRUE(WriteTextTable(paths_.UserTablePath(), {FormatStationLine(record)}));
  Set("Channel", "1", "100001-Proxied FM");
  {
    Registry r = Reg();
    PlayerNetwork(r).SetWmp9Proxy("user.proxy", "8081");
  }
  Application app(paths_);
  app.Start();
  emit app.MainWindow().channelClicked(0);
  ASSERT_TRUE(test::WaitUntil([&] { return !proxy.RequestTargets().empty(); }, 15000));
  EXPECT_EQ(proxy.RequestTargets().front().rfind("http://radio.invalid", 0), 0u) << proxy.RequestTargets().front();
  EXPECT_EQ(Reg().ReadString(kWmp9 + "HTTP", "ProxyName"), "127.0.0.1");

  TfrmOptions& dialog = Open(app);
  EXPECT_EQ(Child<QLineEdit>(dialog, "edtHost").text(), u"user.proxy"_s);
  Click(dialog, "btnOk");
  EXPECT_EQ(Reg().ReadString(kWmp9 + "HTTP", "ProxyName"), "127.0.0.1");
  app.MainWindow().Action("nStop")->trigger();
  EXPECT_EQ(Reg().ReadString(kWmp9 + "HTTP", "ProxyName"), "user.proxy");
  EXPECT_EQ(Reg().ReadInteger(kWmp9 + "HTTP", "ProxyPort"), 8081);
  app.Close();
}

// Every language's captions fit on every page; the pages can be saved for a
// look (TAZMEL_DIALOG_SHOTS, say under Xvfb at another scale).
TEST(OptionsLanguageTest, TranslatedPagesFit) {
  test::QtApp();
  for (const char* code : {"eng", "chs", "cht"}) {
    IniFile language;
    ASSERT_EQ(language.Load(fs::path(TAZMEL_STAGE_DIR) / "Language" / (std::string(code) + ".ini")),
              IniFile::LoadStatus::kLoaded);
    Messages().Load(language);
    TfrmOptions dialog;
    TranslateWindow(dialog, language);
    dialog.FormatCaptions(u"Tazmel"_s);
    dialog.Load(OptionsState{});
    EXPECT_EQ(dialog.findChild<QCheckBox*>(u"chkAutoPlay"_s)->text().contains(u"Tazmel"_s), true) << code;
    if (std::string_view(code) != "eng") {
      EXPECT_NE(dialog.findChild<QCheckBox*>(u"chkEnableSound"_s)->text(), u"Enable sound"_s) << code;
      EXPECT_NE(dialog.findChild<QTreeWidget*>(u"lvHotkeys"_s)->topLevelItem(0)->text(0), u"Play/Pause"_s) << code;
    }
    dialog.findChild<QPushButton*>(u"btnMore"_s)->click();
    dialog.show();
    auto* tabs = dialog.findChild<QTabWidget*>();
    for (int page = 0; page < tabs->count(); ++page) {
      tabs->setCurrentIndex(page);
      QCoreApplication::processEvents();
      for (QWidget* w : tabs->currentWidget()->findChildren<QWidget*>()) {
        if (!qobject_cast<QLabel*>(w) && !qobject_cast<QAbstractButton*>(w)) continue;
        EXPECT_GE(w->width(), w->sizeHint().width()) << code << " " << w->objectName().toStdString();
      }
      if (const char* shots = std::getenv("TAZMEL_DIALOG_SHOTS"); shots != nullptr && *shots != '\0') {
        dialog.grab().save(QString::fromLocal8Bit(shots) + u'/' + QString::fromLatin1(code) + u"_frmOptions_"_s +
                           tabs->currentWidget()->objectName() + u".png"_s);
      }
    }
  }
  IniFile english;
  english.Load(fs::path(TAZMEL_STAGE_DIR) / "Language" / "eng.ini");
  Messages().Load(english);
}

}  // namespace
}  // namespace tazmel
