#pragma once

// The station tester on a manual clock with test players and an in-memory
// store: each address says what the player does with it.
//
//   "good:2000"  plays after 2000 ms      "dead:1000"  fails after 1000 ms
//   "hang"       never answers            "none"  no control can play it

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/dispatcher.h"
#include "core/text_utils.h"
#include "playback/tester/station_tester.h"
#include "stations/station_tree.h"
#include "stations/tree_outline.h"
#include "support/manual_clock.h"
#include "support/manual_dispatcher.h"

namespace tazmel::test {

class TestPlayers : public TesterPlayers {
 public:
  explicit TestPlayers(Dispatcher& dispatcher) : dispatcher_(dispatcher) {}

  void SetSink(Sink sink) override { sink_ = std::move(sink); }
  bool Start(int attempt, MediaKind, const std::string& address, const std::string&) override {
    starts.push_back(address);
    if (address == "none") return false;
    const std::size_t colon = address.find(':');
    const std::string verb = address.substr(0, colon);
    if (verb == "hang") return true;
    const int delay = colon == std::string::npos ? 0 : ParseInteger(address.substr(colon + 1)).value_or(0);
    // Answers arrive later, like a real control's, and also after a stop:
    // the tester has to drop them.
    pending_.push_back({dispatcher_.CreateTimer([this, attempt, good = verb != "dead"] {
                          if (sink_) sink_({attempt, good, "128K", -1});
                        }),
                        attempt});
    pending_.back().timer->SetSingleShot(true);
    pending_.back().timer->Start(std::chrono::milliseconds(delay));
    return true;
  }
  void StopAll() override { ++stops; }
  void RestoreProxies() override { ++restores; }

  std::vector<std::string> starts;
  int stops = 0;
  int restores = 0;

 private:
  struct Pending {
    std::unique_ptr<Timer> timer;
    int attempt;
  };
  Dispatcher& dispatcher_;
  Sink sink_;
  std::vector<Pending> pending_;
};

class MemoryStore : public TesterStore {
 public:
  StationRecord LoadStation(int id) override {
    auto it = stations.find(id);
    return it == stations.end() ? StationRecord{} : it->second;
  }
  void LearnStart(int id, StationRecord&, const StationLearning::StartFacts& facts) override {
    learnt[id] = ValidityFromSeconds(facts.seconds);
  }
  void MarkBad(int id, StationRecord&) override { learnt[id] = "1"; }
  void EnsureLoaded(TreeNode&) override {}
  void SaveSubtree(const TreeNode& top) override { saved.push_back(top.caption()); }
  void SaveTopLists() override { ++top_list_saves; }
  std::string ReadKey(std::string_view key) override { return keys[std::string(key)]; }
  void WriteKeys(const std::vector<std::pair<std::string, std::string>>& values) override {
    for (const auto& [key, value] : values) keys[key] = value;
  }

  std::map<int, StationRecord> stations;
  std::map<int, std::string> learnt;
  std::map<std::string, std::string> keys;
  std::vector<std::string> saved;
  int top_list_saves = 0;
};

class RecordingView : public TesterView {
 public:
  void ShowStatus(Status value) override { status = value; }
  void ShowButtons(bool go_on, bool pause_on, bool stop_on, bool is_paused) override {
    go = go_on;
    pause = pause_on;
    stop = stop_on;
    paused = is_paused;
  }
  void ShowDots(int count, bool visible) override { dots = visible ? count : -1; }
  void ShowStation(const std::string& path) override { station = path; }
  void AppendLog(const std::string& line) override { log.push_back(line); }
  void ClearLog() override {
    log.clear();
    ++log_clears;
  }
  void Finished() override { ++finished; }

  Status status = Status::kIdle;
  bool go = true, pause = false, stop = false, paused = false;
  int dots = -1;
  std::string station;
  std::vector<std::string> log;
  int log_clears = 0;
  int finished = 0;
};

class TesterFixture : public ::testing::Test {
 protected:
  // Stations of the outline get their addresses from `urls` (by ID).
  // The tester lets go of the old tree first, as before any reload.
  void Build(std::string_view outline, const std::map<int, std::string>& urls) {
    if (tester) tester->Detach();
    BuildTree(tree, outline);
    for (const auto& [id, url] : urls) {
      StationRecord record;
      record.VID = std::to_string(id);
      record.VStreamURL = url;
      store.stations[id] = record;
    }
  }
  std::unique_ptr<StationTester> MakeTester() {
    return std::make_unique<StationTester>(dispatcher, clock, tree, players, store, view);
  }
  // A new tester, as after a restart; the old one goes first and takes its
  // hold on the players with it.
  void Restart() {
    tester.reset();
    tester = MakeTester();
  }
  void Start(std::string_view source) {
    tester->SetSource(NodeNamed(tree, source));
    tester->Go();
  }
  // Both clocks move together, in small steps, so the 300 ms ticks read
  // the time they fire at.
  void Advance(std::chrono::milliseconds span) {
    for (std::chrono::milliseconds done{0}; done < span; done += step) {
      const auto part = std::min(step, span - done);
      clock.Advance(part);
      dispatcher.Advance(part);
    }
  }
  // The subtree below a node as an outline, without the node itself.
  std::string Below(std::string_view caption) const {
    const TreeNode* node = NodeNamed(tree, caption);
    if (node == nullptr) return "(missing)";
    std::string text;
    for (const TreeNode* at = node->Next(); at != nullptr && node->Contains(*at); at = at->Next()) {
      text += std::string(2 * static_cast<std::size_t>(at->Depth() - node->Depth() - 1), ' ') + at->caption() + "\n";
    }
    return text;
  }

  std::chrono::milliseconds step{100};
  ManualClock clock;
  ManualDispatcher dispatcher;
  StationTree tree;
  TestPlayers players{dispatcher};
  MemoryStore store;
  RecordingView view;
  std::unique_ptr<StationTester> tester = MakeTester();
};

}  // namespace tazmel::test
