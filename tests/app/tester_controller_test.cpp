// The Test Radio window over its controller, offscreen, with the hidden
// players on libmpv against a loopback server that never answers.
#include "app/tester_controller.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>

#include "app/qt_dispatcher.h"
#include "core/ini_file.h"
#include "core/messages.h"
#include "core/program_paths.h"
#include "fake_prompts.h"
#include "platform/registry.h"
#include "playback/media_kind.h"
#include "playback/tester/station_tester.h"
#include "stations/radio_table.h"
#include "stations/text_table.h"
#include "stations/tree_editor.h"
#include "stations/tree_outline.h"
#include "support/http_server.h"
#include "temp_dir.h"
#include "ui/qt_app.h"
#include "ui/tester/test_dialog.h"
#include "ui/text_edge.h"

namespace tazmel {
namespace {

using namespace std::chrono_literals;

class TesterControllerTest : public ::testing::Test {
 protected:
  TesterControllerTest() {
    test::QtApp();
    std::filesystem::create_directories(paths.DataFolder());
    RegisterPlayerControls(registry);
    // The server takes the request and then says nothing: the attempt runs
    // until the test ends it.
    server.ServeHandler("/hang", [](test::TestHttpConnection& c) { c.SleepFor(10min); });
    StationRecord record;
    record.VID = "100001";
    record.VRadioName = "Quiet";
    record.VStreamURL = server.Url("/hang");
    EXPECT_TRUE(WriteTextTable(paths.UserTablePath(), {FormatStationLine(record)}));
    test::BuildTree(tree.tree(), R"(
Mine [-101] tree_user1.dat
  Branch [-1]
    Quiet [100001]
Other [-101] tree_user2.dat
  Loose [100002]
)");
    controller = std::make_unique<TesterController>(TesterParts{.dispatcher = dispatcher,
                                                                .tree = tree,
                                                                .paths = paths,
                                                                .language = language,
                                                                .prompts = prompts,
                                                                .registry = registry,
                                                                .proxies = nullptr,
                                                                .user_language = 0x0409,
                                                                .owner = nullptr,
                                                                .volume = {},
                                                                .begin_tree_change = {},
                                                                .end_tree_change = {}});
  }
  ~TesterControllerTest() override { controller.reset(); }

  void OpenOn(std::string_view caption) {
    tree.Select(test::NodeNamed(tree.tree(), caption));
    controller->Open();
  }
  bool StartRun() {
    OpenOn("Branch");
    if (controller->Window() == nullptr) return false;
    controller->Window()->Button("btnStart").click();
    return test::WaitUntil([&] { return controller->Tester()->AttemptRunning(); });
  }

  test::TempDir home;
  ProgramPaths paths{home.path()};
  Registry registry{home / "registry.ini"};
  QtDispatcher dispatcher;
  IniFile language;
  test::FakePrompts prompts;
  TreeEditor tree{paths.DataFolder(), prompts};
  test::TestHttpServer server;
  std::unique_ptr<TesterController> controller;
};

TEST_F(TesterControllerTest, OpensOnlyOnABranch) {
  OpenOn("Quiet");
  EXPECT_EQ(controller->Window(), nullptr);
  OpenOn("Branch");
  ASSERT_NE(controller->Window(), nullptr);
  EXPECT_TRUE(controller->IsVisible());
  EXPECT_EQ(controller->Tester()->Source(), test::NodeNamed(tree.tree(), "Branch"));
  // While it shows, the command does nothing: the branch stays the one shown.
  OpenOn("Mine");
  EXPECT_EQ(controller->Tester()->Source(), test::NodeNamed(tree.tree(), "Branch"));
}

TEST_F(TesterControllerTest, ClosingDuringARunAsksAndStopsOnlyOnYes) {
  ASSERT_TRUE(StartRun());
  TfrmTest& window = *controller->Window();
  EXPECT_FALSE(window.Button("btnStart").isEnabled());
  EXPECT_TRUE(window.Button("btnStop").isEnabled());
  EXPECT_EQ(window.Status().text(), FromGb(Msg(92)));
  // The run's nodes may not be cut while the window shows.
  EXPECT_FALSE(tree.MayBeCut(*test::NodeNamed(tree.tree(), "Branch")));
  EXPECT_FALSE(tree.MayBeCut(*test::NodeNamed(tree.tree(), "Quiet")));
  EXPECT_TRUE(tree.MayBeCut(*test::NodeNamed(tree.tree(), "Loose")));

  prompts.answers = {false};
  window.close();
  ASSERT_EQ(prompts.questions.size(), 1u);
  EXPECT_EQ(prompts.questions[0], Msg(87));
  EXPECT_TRUE(window.isVisible());
  EXPECT_TRUE(controller->Running());

  prompts.answers = {true};
  window.close();
  EXPECT_FALSE(window.isVisible());
  EXPECT_FALSE(controller->Running());
  EXPECT_EQ(window.Status().text(), FromGb(Msg(35)));
  EXPECT_TRUE(window.Button("btnStart").isEnabled());
}

// A reload frees every node: the run stops before, and Go afterwards has no
// branch to walk.
TEST_F(TesterControllerTest, TreeReloadStopsTheRunFirst) {
  ASSERT_TRUE(StartRun());
  tree.ReloadTree(-1, -1);
  EXPECT_FALSE(controller->Running());
  EXPECT_EQ(controller->Tester()->Source(), nullptr);
  controller->Window()->Button("btnStart").click();
  EXPECT_FALSE(controller->Running());
  test::WaitUntil([] { return false; }, 300);
  EXPECT_FALSE(controller->Tester()->AttemptRunning());
}

}  // namespace
}  // namespace tazmel
