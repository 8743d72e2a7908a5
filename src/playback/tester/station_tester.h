#pragma once

// The station tester: walks a branch of the station tree, tries every
// station in it with hidden players of its own and sorts the stations into
// two result groups beside the branch, one of those that played and one of
// those that did not, each mirroring the branch's groups. A run can be
// paused, stopped and resumed, also after a restart (the positions are kept
// as tree paths in the settings).

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "playback/media_kind.h"
#include "playback/station_learning.h"
#include "stations/radio_table.h"

namespace tazmel {

class Clock;
class Dispatcher;
class StationTree;
class Timer;
class TreeNode;

// The hidden players the tester tries addresses on. Every outcome carries
// the attempt number it was started with; the tester drops the outcome of an
// attempt it gave up meanwhile.
class TesterPlayers {
 public:
  struct Outcome {
    int attempt = 0;
    bool good = false;
    std::string bandwidth;  // "128K", "" while unknown
    int audio_language = -1;
  };
  using Sink = std::function<void(const Outcome&)>;

  virtual ~TesterPlayers() = default;
  // Outcomes arrive on the user-interface thread, never inside a call made
  // here.
  virtual void SetSink(Sink sink) = 0;
  // False when no control can play the kind: the address fails at once.
  virtual bool Start(int attempt, MediaKind kind, const std::string& address, const std::string& proxy) = 0;
  virtual void StopAll() = 0;
  // The user's own proxy settings come back for every player.
  virtual void RestoreProxies() = 0;
};

// Stations, tree files and the resume keys as the tester reads and writes
// them.
class TesterStore {
 public:
  virtual ~TesterStore() = default;
  virtual StationRecord LoadStation(int id) = 0;
  virtual void LearnStart(int id, StationRecord& record, const StationLearning::StartFacts& facts) = 0;
  virtual void MarkBad(int id, StationRecord& record) = 0;
  // Loads a top node's subtree when it has not been loaded yet.
  virtual void EnsureLoaded(TreeNode& top) = 0;
  virtual void SaveSubtree(const TreeNode& top) = 0;
  virtual void SaveTopLists() = 0;
  virtual std::string ReadKey(std::string_view key) = 0;
  // All keys in one write: each write of the settings file reaches the disk.
  virtual void WriteKeys(const std::vector<std::pair<std::string, std::string>>& keys) = 0;
};

// What the dialog shows.
class TesterView {
 public:
  enum class Status { kIdle, kTesting, kPaused, kStopped, kDone };
  virtual ~TesterView() = default;
  virtual void ShowStatus(Status status) = 0;
  // Go, Pause, Stop enabled; `paused` turns Pause into Continue.
  virtual void ShowButtons(bool go, bool pause, bool stop, bool paused) = 0;
  // 0..6 dots; hidden while not testing.
  virtual void ShowDots(int count, bool visible) = 0;
  virtual void ShowStation(const std::string& path) = 0;
  virtual void AppendLog(const std::string& line) = 0;
  virtual void ClearLog() = 0;
  // The whole branch was tested.
  virtual void Finished() = 0;
  // Result nodes are about to be added to the tree, and were added: a view
  // of the tree brackets the change.
  virtual void BeginTreeChange() {}
  virtual void EndTreeChange() {}
};

// The resume keys in section frmTest of User.ini.
inline constexpr std::string_view kTesterSection = "frmTest";

// An address that is given up after this many whole seconds without
// playing.
inline constexpr long long kTesterLimitSeconds = 240;

class StationTester {
 public:
  StationTester(Dispatcher& dispatcher, const Clock& clock, StationTree& tree, TesterPlayers& players,
                TesterStore& store, TesterView& view);
  ~StationTester();
  StationTester(const StationTester&) = delete;
  StationTester& operator=(const StationTester&) = delete;

  // The branch the next Go tests (the tree's selection when the dialog is
  // shown); a node without children is no branch.
  void SetSource(TreeNode* source);
  TreeNode* Source() const { return source_; }

  void Go();
  // Pause or Continue.
  void TogglePause();
  void Stop();
  // Stop is enabled: a run is under way (testing or paused).
  bool Running() const { return running_; }
  bool Paused() const { return paused_; }
  bool AttemptRunning() const { return attempt_running_; }

  // Stops a run and lets go of every node, before the tree is reloaded or
  // the tester goes away.
  void Detach();

  // The node may not be changed while the tester uses it or a node below.
  bool GuardsNode(const TreeNode& node) const;

  TreeNode* GoodTop() const { return good_top_; }
  TreeNode* BadTop() const { return bad_top_; }
  TreeNode* Current() const { return current_; }

 private:
  void Prepare();
  TreeNode* ResultGroup(const std::string& name);
  void ResetPositions();
  bool Resume();
  void NextStation();
  void TestStation();
  void StartAttempt();
  void OnOutcome(const TesterPlayers::Outcome& outcome);
  void Succeeded();
  void AddressFailed();
  void Finish();
  void Tick();
  void Mirror(TreeNode& node, TreeNode*& previous, TreeNode*& last);
  void Save();
  void CancelWaits();
  void StartWait(Timer& timer);
  bool WaitIsCurrent() const;
  long long SecondsSinceStart() const;
  std::string LogLine(bool good) const;

  Dispatcher& dispatcher_;
  const Clock& clock_;
  StationTree& tree_;
  TesterPlayers& players_;
  TesterStore& store_;
  TesterView& view_;

  TreeNode* source_ = nullptr;
  TreeNode* good_top_ = nullptr;
  TreeNode* bad_top_ = nullptr;
  TreeNode* current_ = nullptr;
  TreeNode* previous_good_ = nullptr;
  TreeNode* previous_bad_ = nullptr;
  TreeNode* last_good_ = nullptr;
  TreeNode* last_bad_ = nullptr;

  StationRecord record_;
  int station_id_ = 0;
  std::vector<std::string> addresses_;
  int address_index_ = 0;
  MediaKind kind_ = MediaKind::kUnknown;
  std::chrono::steady_clock::time_point attempt_start_{};

  bool running_ = false;
  bool attempt_running_ = false;
  bool paused_ = false;
  bool stopped_ = false;
  bool tree_modified_ = false;
  int dots_ = 0;

  // Counts attempts, pauses and stops: an outcome or a wait of an attempt
  // given up meanwhile finds a newer number and does nothing.
  int attempt_ = 0;
  int wait_attempt_ = 0;

  std::unique_ptr<Timer> dots_timer_;
  std::unique_ptr<Timer> next_address_timer_;
  std::unique_ptr<Timer> next_station_timer_;
};

// Node texts from `stop` down to `node` joined by "->"; from the tree's top
// when `node` is `stop` or lies outside it; "" for no node.
std::string TesterPathText(const TreeNode* node, const TreeNode& stop);
// The node a path names below `stop`, following its second and later texts
// through children of exactly that text; null for a path of fewer than two
// texts or a missing step.
TreeNode* ResolveTesterPath(std::string_view path, TreeNode& stop);

}  // namespace tazmel
