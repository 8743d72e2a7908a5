#include "playback/tester/station_tester.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "core/clock.h"
#include "playback/tester_fixture.h"

namespace tazmel::test {
namespace {

using std::chrono::hours;
using std::chrono::milliseconds;
using std::chrono::seconds;
using Status = TesterView::Status;

constexpr std::string_view kTwoGroups = R"(
Radio [-101] tree_user1.dat
  Branch [-1]
    G1 [-1]
      S1 [1]
      S2 [2]
      S3 [3]
    G2 [-1]
      S4 [4]
      S5 [5]
      S6 [6]
  After [7]
)";

constexpr std::string_view kOneStation = R"(
Radio [-101] tree_user1.dat
  Branch [-1]
    S1 [1]
)";

using StationTesterTest = TesterFixture;

TEST_F(StationTesterTest, GoodAndBadGroupsMirrorTheBranchesGroups) {
  Build(kTwoGroups, {{1, "good:500"},
                     {2, "dead:500"},
                     {3, "dead:500"},
                     {4, "good:500"},
                     {5, "dead:500"},
                     {6, "dead:500"},
                     {7, "good:500"}});
  Start("Branch");
  Advance(seconds(60));

  EXPECT_EQ(Below("Branch-Good"), "G1\n  S1\nG2\n  S4\n");
  EXPECT_EQ(Below("Branch-Bad"), "G1\n  S2\n  S3\nG2\n  S5\n  S6\n");
  // Both groups go before the branch, which stays as it was.
  const TreeNode& radio = *NodeNamed(tree, "Radio");
  ASSERT_EQ(radio.child_count(), 4);
  EXPECT_EQ(radio.child(0)->caption(), "Branch-Good");
  EXPECT_EQ(radio.child(1)->caption(), "Branch-Bad");
  EXPECT_EQ(radio.child(2)->caption(), "Branch");
  EXPECT_EQ(Below("Branch"), "G1\n  S1\n  S2\n  S3\nG2\n  S4\n  S5\n  S6\n");
  // The station after the branch is not part of it.
  EXPECT_EQ(players.starts.size(), 6u);
  EXPECT_EQ(view.log.size(), 6u);
  EXPECT_EQ(store.learnt, (std::map<int, std::string>{{1, "4"}, {2, "1"}, {3, "1"}, {4, "4"}, {5, "1"}, {6, "1"}}));
  EXPECT_EQ(view.finished, 1);
  EXPECT_EQ(view.status, Status::kDone);
  EXPECT_FALSE(tester->Running());
  EXPECT_TRUE(view.go);
  EXPECT_FALSE(view.stop);
  EXPECT_FALSE(store.saved.empty());
  EXPECT_EQ(store.saved.back(), "Radio");
}

TEST_F(StationTesterTest, LogLineNamesTheAddressThatDecided) {
  struct Case {
    const char* urls;
    std::vector<std::string> starts;
    const char* line;
  };
  const Case cases[] = {
      {"dead:1000||dead:1000||good:2000", {"dead:1000", "dead:1000", "good:2000"}, "1\tS1\t-Good\t2\t3/3"},
      {"none||good:3000", {"none", "good:3000"}, "1\tS1\t-Good\t3\t2/2"},
      {"dead:1000||hang", {"dead:1000", "hang"}, "1\tS1\t-Bad\t241\t2/2"},
      {"", {}, "1\tS1\t-Bad\t0\t0/0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.urls);
    Build(kOneStation, {{1, c.urls}});
    players.starts.clear();
    view.log.clear();
    Restart();
    Start("Branch");
    Advance(seconds(300));
    EXPECT_EQ(players.starts, c.starts);
    ASSERT_EQ(view.log.size(), 1u);
    EXPECT_EQ(view.log[0], c.line);
    EXPECT_EQ(view.finished > 0, true);
  }
}

TEST_F(StationTesterTest, AddressThatNeverPlaysFailsAfter241SecondsOfMonotonicTime) {
  setenv("TZ", "UTC0", 1);
  tzset();
  struct Case {
    const char* name;
    std::int64_t start_utc_ms;  // of the wall clock
    milliseconds wall_step;     // the wall clock is set 100 s into the attempt
  };
  const std::int64_t day = 20'000LL * 86'400'000;
  const Case cases[] = {
      {"plain", day + 12 * 3'600'000LL, milliseconds(0)},
      {"across midnight", day + 86'400'000 - 60'000, milliseconds(0)},
      {"wall clock set back an hour", day + 86'400'000 - 60'000, -hours(1)},
      {"wall clock set forward a day", day + 3'600'000LL, hours(24)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Build(kOneStation, {{1, "hang"}});
    view.log.clear();
    clock.SetUtcMs(c.start_utc_ms);
    Restart();
    Start("Branch");
    Advance(seconds(100));
    clock.StepWall(c.wall_step);
    Advance(milliseconds(140'900));
    EXPECT_TRUE(tester->AttemptRunning());
    EXPECT_TRUE(view.log.empty());
    Advance(milliseconds(400));
    EXPECT_FALSE(tester->AttemptRunning());
    ASSERT_EQ(view.log.size(), 1u);
    EXPECT_EQ(view.log[0], "1\tS1\t-Bad\t241\t1/1");
  }
}

TEST_F(StationTesterTest, AnswerAfterTheLimitCountsForNothing) {
  Build(R"(
Radio [-101] tree_user1.dat
  Branch [-1]
    S1 [1]
    S2 [2]
)",
        {{1, "good:250000"}, {2, "good:20000"}});
  Start("Branch");
  Advance(seconds(300));
  EXPECT_EQ(view.log, (std::vector<std::string>{"1\tS1\t-Bad\t241\t1/1", "2\tS2\t-Good\t20\t1/1"}));
  EXPECT_EQ(Below("Branch-Good"), "S2\n");
  EXPECT_EQ(Below("Branch-Bad"), "S1\n");
}

// Pause and Stop cancel the attempt and the 1 s wait: nothing starts and
// nothing is judged afterwards. Continue tests the interrupted station
// again; Go after Stop starts the branch from its beginning.
TEST_F(StationTesterTest, PauseAndStopCancelAttemptsAndWaits) {
  struct Case {
    const char* name;
    const char* s1;
    milliseconds at;
    bool pause;
    std::size_t log_lines;  // when interrupted
  };
  const Case cases[] = {
      {"pause during the attempt", "good:5000", milliseconds(2000), true, 0},
      {"pause during the wait", "good:1000", milliseconds(1500), true, 1},
      {"stop during the attempt", "good:5000", milliseconds(2000), false, 0},
      {"stop during the wait", "good:1000", milliseconds(1500), false, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Build(R"(
Radio [-101] tree_user1.dat
  Branch [-1]
    S1 [1]
    S2 [2]
)",
          {{1, c.s1}, {2, "good:1000"}});
    players.starts.clear();
    view.log.clear();
    Restart();
    Start("Branch");
    Advance(c.at);
    const int stops_before = players.stops;
    if (c.pause) {
      tester->TogglePause();
      EXPECT_EQ(view.status, Status::kPaused);
      EXPECT_TRUE(view.paused);
    } else {
      tester->Stop();
      EXPECT_EQ(view.status, Status::kStopped);
      EXPECT_EQ(players.restores > 0, true);
    }
    EXPECT_GT(players.stops, stops_before);
    EXPECT_EQ(view.log.size(), c.log_lines);
    Advance(seconds(30));
    EXPECT_EQ(players.starts, std::vector<std::string>{c.s1});
    EXPECT_EQ(view.log.size(), c.log_lines);
    EXPECT_FALSE(tester->AttemptRunning());

    if (c.pause) {
      tester->TogglePause();
      EXPECT_EQ(view.status, Status::kTesting);
    } else {
      tester->Go();
      EXPECT_TRUE(view.log.empty());
    }
    ASSERT_EQ(players.starts.size(), 2u);
    EXPECT_EQ(players.starts[1], c.s1);
    Advance(seconds(30));
    EXPECT_EQ(view.status, Status::kDone);
    EXPECT_EQ(Below("Branch-Good"), "S1\nS2\n");
  }
}

TEST_F(StationTesterTest, RunClosedMidwayContinuesAfterARestart) {
  Build(kTwoGroups, {{1, "good:500"}, {2, "dead:500"}, {3, "hang"}, {4, "good:500"}, {5, "good:500"}, {6, "dead:500"}});
  Start("Branch");
  Advance(seconds(5));
  ASSERT_EQ(view.station, "Radio -> Branch -> G1 -> S3");
  // The program closes: the run stops and is saved.
  tester->Detach();
  tester.reset();
  EXPECT_EQ(store.keys["sCurNode"], "Branch->G1->S2");
  EXPECT_EQ(store.keys["sPreNodeGood"], "Branch->G1->S1");
  EXPECT_EQ(store.keys["sPreNodeBad"], "Branch->G1->S2");
  EXPECT_EQ(store.keys["dNodeGood"], "Branch-Good->G1->S1");
  EXPECT_EQ(store.keys["dNodeBad"], "Branch-Bad->G1->S2");

  store.stations[3].VStreamURL = "good:500";
  players.starts.clear();
  const int clears = view.log_clears;
  Restart();
  Start("Branch");
  EXPECT_EQ(view.log_clears, clears);
  ASSERT_FALSE(players.starts.empty());
  EXPECT_EQ(players.starts[0], "good:500");
  EXPECT_EQ(view.station, "Radio -> Branch -> G1 -> S3");
  Advance(seconds(30));
  EXPECT_EQ(view.status, Status::kDone);
  EXPECT_EQ(Below("Branch-Good"), "G1\n  S1\n  S3\nG2\n  S4\n  S5\n");
  EXPECT_EQ(Below("Branch-Bad"), "G1\n  S2\nG2\n  S6\n");
}

TEST_F(StationTesterTest, PositionsThatNoLongerResolveStartAfresh) {
  struct Case {
    const char* name;
    std::string_view outline;
    const char* rename_from;  // a group renamed while the program was closed
  };
  const Case cases[] = {
      // The bad position is still the branch itself: its path has one text.
      {"nothing bad yet, no groups", R"(
Radio [-101] tree_user1.dat
  Branch [-1]
    S1 [1]
    S2 [2]
    S3 [3]
)",
       nullptr},
      {"group renamed", kTwoGroups, "G1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Build(c.outline,
          {{1, "good:500"}, {2, "good:500"}, {3, "hang"}, {4, "good:500"}, {5, "good:500"}, {6, "good:500"}});
    store.keys.clear();
    Restart();
    Start("Branch");
    Advance(seconds(5));
    tester->Detach();
    if (c.rename_from != nullptr) {
      NodeNamed(tree, "Branch-Good")->child(0)->set_caption("Renamed");
      NodeNamed(tree, "Branch")->child(0)->set_caption("Renamed");
    }
    players.starts.clear();
    const int clears = view.log_clears;
    Restart();
    Start("Branch");
    EXPECT_EQ(view.log_clears, clears + 1);
    ASSERT_FALSE(players.starts.empty());
    EXPECT_EQ(players.starts[0], "good:500");
    EXPECT_EQ(view.station.substr(view.station.rfind(' ') + 1), "S1");
  }
}

TEST_F(StationTesterTest, TopNodeGetsResultTopNodesWithNewSubtreeFiles) {
  Build(R"(
Mine [-101] tree_user1.dat
  S1 [1]
  S2 [2]
)",
        {{1, "good:500"}, {2, "dead:500"}});
  Start("Mine");
  Advance(seconds(10));
  EXPECT_EQ(Outline(tree),
            "Mine-Good [-101] tree_user2.dat\n  S1 [1]\n"
            "Mine-Bad [-101] tree_user3.dat\n  S2 [2]\n"
            "Mine [-101] tree_user1.dat\n  S1 [1]\n  S2 [2]\n");
  EXPECT_GT(store.top_list_saves, 0);
  EXPECT_NE(std::find(store.saved.begin(), store.saved.end(), "Mine-Good"), store.saved.end());
  EXPECT_NE(std::find(store.saved.begin(), store.saved.end(), "Mine-Bad"), store.saved.end());

  // A second run reuses both groups and adds nothing twice.
  tester->Go();
  Advance(seconds(10));
  EXPECT_EQ(tree.TopCount(), 3);
  EXPECT_EQ(Below("Mine-Good"), "S1\n");
  EXPECT_EQ(Below("Mine-Bad"), "S2\n");
}

TEST_F(StationTesterTest, GuardsTheNodesItUses) {
  Build(kTwoGroups, {{1, "hang"}});
  Start("Branch");
  EXPECT_TRUE(tester->GuardsNode(*NodeNamed(tree, "Radio")));
  EXPECT_TRUE(tester->GuardsNode(*NodeNamed(tree, "S1")));
  EXPECT_TRUE(tester->GuardsNode(*NodeNamed(tree, "Branch-Good")));
  EXPECT_FALSE(tester->GuardsNode(*NodeNamed(tree, "G2")));
  EXPECT_FALSE(tester->GuardsNode(*NodeNamed(tree, "After")));
}

// A tree reload frees the nodes: the tester lets go of them first, and
// nothing of the run reaches them afterwards.
TEST_F(StationTesterTest, DetachBeforeATreeReloadLeavesNothingRunning) {
  Build(kTwoGroups, {{1, "good:3000"}, {2, "good:500"}});
  Start("Branch");
  Advance(seconds(1));
  tester->Detach();
  tree.Clear();
  Advance(seconds(30));
  EXPECT_EQ(players.starts, std::vector<std::string>{"good:3000"});
  EXPECT_FALSE(tester->Running());
  EXPECT_EQ(tester->Source(), nullptr);
  tester->Go();
  EXPECT_EQ(players.starts.size(), 1u);
}

}  // namespace
}  // namespace tazmel::test
