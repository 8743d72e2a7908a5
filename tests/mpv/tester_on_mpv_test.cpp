// The station tester with its hidden players on real libmpv (no sound, no
// video) against a loopback HTTP server, writing to a real program folder.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/program_paths.h"
#include "platform/registry.h"
#include "playback/media_kind.h"
#include "playback/mpv/mpv_factory.h"
#include "playback/tester/control_tester_players.h"
#include "playback/tester/station_tester.h"
#include "playback/tester/tester_store.h"
#include "stations/radio_table.h"
#include "stations/text_table.h"
#include "stations/tree_files.h"
#include "stations/tree_outline.h"
#include "support/http_server.h"
#include "support/loop_dispatcher.h"
#include "temp_dir.h"
#include "test_media.h"

namespace tazmel {
namespace {

using namespace std::chrono_literals;
using test::TestHttpConnection;

class LogView : public TesterView {
 public:
  void ShowStatus(Status value) override { status = value; }
  void ShowButtons(bool, bool, bool, bool) override {}
  void ShowDots(int, bool) override {}
  void ShowStation(const std::string&) override {}
  void AppendLog(const std::string& line) override { log.push_back(line); }
  void ClearLog() override { log.clear(); }
  void Finished() override { finished = true; }

  Status status = Status::kIdle;
  std::vector<std::string> log;
  bool finished = false;
};

StationRecord Station(int id, std::string name, std::string urls) {
  StationRecord record;
  record.VID = std::to_string(id);
  record.VRadioName = std::move(name);
  record.VFormat = "0";
  record.VStreamURL = std::move(urls);
  return record;
}

// The log line's fields: ID, caption, verdict, seconds, address number.
std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t from = 0;
  for (std::size_t tab; (tab = line.find('\t', from)) != std::string::npos; from = tab + 1) {
    fields.push_back(line.substr(from, tab - from));
  }
  fields.push_back(line.substr(from));
  return fields;
}

TEST(TesterOnMpvTest, GoodSlowDeadAndMissingStreamsAreSortedAndLearnt) {
  test::TempDir home;
  ProgramPaths paths{home.path()};
  std::filesystem::create_directories(paths.DataFolder());
  Registry registry{home / "registry.ini"};
  RegisterPlayerControls(registry);
  test::LoopDispatcher dispatcher;
  SystemClock clock;
  test::TestHttpServer server;
  server.ServeHandler("/live", [](TestHttpConnection& c) { test::StreamMp3(c, "Good"); });
  server.ServeHandler("/slow", [](TestHttpConnection& c) {
    c.SleepFor(1500ms);
    test::StreamMp3(c, "Slow");
  });
  // The server answers and then sends nothing at all.
  server.ServeHandler("/silent", [](TestHttpConnection& c) {
    if (c.WriteHead(200, {{"Content-Type", "audio/mpeg"}})) c.SleepFor(10min);
  });
  const std::string refused = "http://127.0.0.1:" + std::to_string(test::UnusedLoopbackPort()) + "/a";

  std::vector<std::string> lines;
  for (const StationRecord& record :
       {Station(100001, "Good", server.Url("/live")), Station(100002, "Slow", server.Url("/slow")),
        Station(100003, "Dead", refused), Station(100004, "Missing", server.Url("/missing")),
        Station(100005, "Silent", server.Url("/silent")),
        Station(100006, "Second", refused + "||" + server.Url("/live"))}) {
    lines.push_back(FormatStationLine(record));
  }
  ASSERT_TRUE(WriteTextTable(paths.UserTablePath(), lines));

  StationTree tree;
  test::BuildTree(tree, R"(
Mine [-101] tree_user1.dat
  Branch [-1]
    Good [100001]
    Slow [100002]
    Dead [100003]
    Missing [100004]
    Silent [100005]
    Second [100006]
)");
  ASSERT_TRUE(SaveSubtree(*tree.Top(0), paths.DataFolder()));

  MpvOptions options = test::TestOptions("4");
  MpvPlayerFactory factory(dispatcher, registry, options);
  ControlTesterPlayers players(factory, IsWmp9Installed(registry), nullptr);
  FileTesterStore store(paths, tree, 0x0409);
  LogView view;
  {
    StationTester tester(dispatcher, clock, tree, players, store, view);
    tester.SetSource(test::NodeNamed(tree, "Branch"));
    tester.Go();
    ASSERT_TRUE(dispatcher.RunUntil([&] { return view.finished; }, 90s)) << view.log.size() << " stations tested";
  }
  dispatcher.RunFor(100ms);

  ASSERT_EQ(view.log.size(), 6u);
  struct Expect {
    const char* caption;
    const char* verdict;
    const char* address;
  };
  const Expect expected[] = {{"Good", "-Good", "1/1"},   {"Slow", "-Good", "1/1"},  {"Dead", "-Bad", "1/1"},
                             {"Missing", "-Bad", "1/1"}, {"Silent", "-Bad", "1/1"}, {"Second", "-Good", "2/2"}};
  for (std::size_t i = 0; i < view.log.size(); ++i) {
    const std::vector<std::string> fields = Fields(view.log[i]);
    ASSERT_EQ(fields.size(), 5u) << view.log[i];
    EXPECT_EQ(fields[1], expected[i].caption);
    EXPECT_EQ(fields[2], expected[i].verdict) << view.log[i];
    EXPECT_EQ(fields[4], expected[i].address) << view.log[i];
  }
  // The slow server kept it waiting.
  EXPECT_GE(std::stoi(Fields(view.log[1])[3]), 1);

  // The result groups are in the subtree file, as the next start reads it.
  StationTree reread;
  LoadTopLists(reread, paths.DataFolder());
  reread.AddTop(std::make_unique<TreeNode>("Mine", 2, -1, -101));
  SetNodeID(*reread.Top(0), -101);
  reread.Top(0)->set_file_name("tree_user1.dat");
  ASSERT_TRUE(LoadSubtree(*reread.Top(0), paths.DataFolder()));
  EXPECT_EQ(test::Outline(reread),
            "Mine [-101] tree_user1.dat\n"
            "  Branch-Good [-1]\n    Good [100001]\n    Slow [100002]\n    Second [100006]\n"
            "  Branch-Bad [-1]\n    Dead [100003]\n    Missing [100004]\n    Silent [100005]\n"
            "  Branch [-1]\n    Good [100001]\n    Slow [100002]\n    Dead [100003]\n    Missing [100004]\n"
            "    Silent [100005]\n    Second [100006]\n");

  // What was learnt went into the user table.
  TRadioTable table;
  auto validity = [&](int id) {
    table.ClearFields();
    EXPECT_TRUE(table.OpenFor(id, paths));
    table.LoadByID(id);
    std::string value = table.Fields().VValidity;
    table.Close();
    return value;
  };
  EXPECT_EQ(validity(100001), "4");
  EXPECT_EQ(validity(100003), "1");
  EXPECT_EQ(validity(100004), "1");
  EXPECT_EQ(validity(100005), "1");
}

}  // namespace
}  // namespace tazmel
