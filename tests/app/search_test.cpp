// The directory search in the running program: opened from the main menu,
// the tree's menu and the main window's Ctrl + F, it lists the stations
// typed for and plays the chosen one through the real engine from a
// loopback server (no sound server).
#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QTest>
#include <filesystem>

#include "app/application.h"
#include "core/ini_file.h"
#include "core/program_paths.h"
#include "stations/radio_table.h"
#include "stations/text_table.h"
#include "support/http_server.h"
#include "support/program_folder.h"
#include "support/scoped_env.h"
#include "support/test_audio.h"
#include "temp_dir.h"
#include "ui/controls/scroll_label.h"
#include "ui/main/main_window.h"
#include "ui/playlist/playlist_window.h"
#include "ui/qt_app.h"
#include "ui/search/search_dialog.h"

namespace tazmel {
namespace {

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

bool WaitUntil(const std::function<bool()>& done) { return test::WaitUntil(done, 15000); }

TfrmSearch* SearchWindow() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (auto* search = qobject_cast<TfrmSearch*>(window)) return search;
  }
  return nullptr;
}

class SearchTest : public ::testing::Test {
 protected:
  SearchTest() {
    test::QtApp();
    test::StageProgramFolder(home_.path());
    server_.ServeLoop("/live.mp3", mp3_);
    fs::create_directories(paths_.DataFolder());
    // One station the search finds in each table; the system one has no
    // server behind it, so only the chosen user station can play.
    StationRecord system;
    system.VID = "7";
    system.VRadioName = "Harbour Jazz";
    system.VGenre = "Jazz";
    system.VStreamURL = "http://127.0.0.1:1/none";
    EXPECT_TRUE(WriteTextTable(paths_.SystemTablePath(), {ScrambleLine(FormatStationLine(system))}));
    StationRecord user;
    user.VID = "100001";
    user.VRadioName = "Loopback FM";
    user.VGenre = "Jazz";
    user.VCountry = "Testland";
    user.VStreamURL = server_.Url("/live.mp3");
    EXPECT_TRUE(WriteTextTable(paths_.UserTablePath(), {FormatStationLine(user)}));
    fs::copy_file(home_ / "Tazmel.ini", paths_.UserIni());
    EXPECT_TRUE(WriteProfileString(paths_.UserIni(), "Language", "CurLng", "eng"));
  }

  test::TempDir home_;
  ProgramPaths paths_{home_.path()};
  test::ScopedEnv config_{"XDG_CONFIG_HOME", (home_ / "config").string()};
  test::ScopedEnv audio_{"TAZMEL_AUDIO_OUTPUT", "null"};
  std::string mp3_ = test::MakeToneMp3(2.0);
  test::TestHttpServer server_;
};

TEST_F(SearchTest, TypedStationPlaysWhenChosen) {
  Application app(paths_);
  app.Start();
  TfrmMain& window = app.MainWindow();
  ASSERT_EQ(SearchWindow(), nullptr);
  window.Action("nSearch")->trigger();
  TfrmSearch* search = SearchWindow();
  ASSERT_NE(search, nullptr);
  EXPECT_TRUE(search->isVisible());
  EXPECT_EQ(search->windowTitle(), u"Search Stations"_s);
  ASSERT_TRUE(WaitUntil([&] { return !search->Loading(); }));

  auto* field = search->findChild<QLineEdit*>(u"edtSearch"_s);
  ASSERT_NE(field, nullptr);
  QTest::keyClicks(field, u"jazz"_s);
  EXPECT_EQ(search->ListedIds(), (std::vector<int>{7, 100001}));
  QTest::keyClicks(field, u" testland"_s);
  ASSERT_EQ(search->ListedIds(), std::vector<int>{100001});
  QTest::keyClick(field, Qt::Key_Return);
  EXPECT_TRUE(WaitUntil([&] { return window.StateLabel().Caption() == u"Playing"_s; }))
      << window.StateLabel().Caption().toStdString();
  EXPECT_TRUE(window.RadioNameLabel().Caption().contains(u"Loopback FM"_s))
      << window.RadioNameLabel().Caption().toStdString();

  app.Close();
  EXPECT_EQ(SearchWindow(), nullptr);
  EXPECT_EQ(ReadProfileString(paths_.UserIni(), "Player", "CurPlayID"), "100001");
}

// Each way in shows the one dialog again; a language switch retranslates
// it with its column captions.
TEST_F(SearchTest, OpenedFromBothWindowsAndTheKey) {
  Application app(paths_);
  app.Start();
  TfrmMain& window = app.MainWindow();
  window.Action("nSearch")->trigger();
  TfrmSearch* search = SearchWindow();
  ASSERT_NE(search, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return !search->Loading(); }));

  search->hide();
  auto* tree_item = app.PlayListWindow().findChild<QAction*>(u"nSearch"_s);
  ASSERT_NE(tree_item, nullptr);
  tree_item->trigger();
  EXPECT_TRUE(search->isVisible());

  search->hide();
  QTest::keyClick(&window, Qt::Key_F, Qt::ControlModifier);
  EXPECT_TRUE(search->isVisible());
  EXPECT_EQ(SearchWindow(), search);
  ASSERT_TRUE(WaitUntil([&] { return !search->Loading(); }));

  emit window.languageChosen(u"chs"_s);
  EXPECT_EQ(search->windowTitle(), u"搜索电台"_s);
  auto* results = search->findChild<QAbstractItemView*>(u"lvResults"_s);
  ASSERT_NE(results, nullptr);
  EXPECT_EQ(results->model()->headerData(2, Qt::Horizontal).toString(), u"国家/地区"_s);
  app.Close();
}

}  // namespace
}  // namespace tazmel
