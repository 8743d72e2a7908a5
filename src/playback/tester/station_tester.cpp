#include "playback/tester/station_tester.h"

#include <filesystem>
#include <system_error>

#include "core/clock.h"
#include "core/dispatcher.h"
#include "core/messages.h"
#include "stations/station_tree.h"
#include "stations/tree_files.h"

namespace tazmel {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kDotsInterval{300};
constexpr milliseconds kWaitInterval{1000};
constexpr int kMaxDots = 6;
constexpr int kGoodSlot = 88;
constexpr int kBadSlot = 89;

// The resume keys in the order they are read; each is read only when the
// one before resolved.
constexpr std::string_view kCurrentKey = "sCurNode";
constexpr std::string_view kPreviousGoodKey = "sPreNodeGood";
constexpr std::string_view kPreviousBadKey = "sPreNodeBad";
constexpr std::string_view kLastGoodKey = "dNodeGood";
constexpr std::string_view kLastBadKey = "dNodeBad";

bool IsLocalFile(const std::string& address) {
  if (address.empty()) return false;
  std::error_code error;
  return std::filesystem::is_regular_file(std::filesystem::path(address), error);
}

std::string DisplayPath(const TreeNode& node) {
  std::vector<const TreeNode*> chain;
  for (const TreeNode* at = &node; at != nullptr; at = at->parent()) chain.push_back(at);
  std::string text;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (!text.empty()) text += " -> ";
    text += (*it)->caption();
  }
  return text;
}

TreeNode* ChildNamed(const TreeNode& parent, std::string_view caption, int id) {
  for (const auto& child : parent.children()) {
    if (child->caption() == caption && NodeID(*child) == id) return child.get();
  }
  return nullptr;
}

}  // namespace

std::string TesterPathText(const TreeNode* node, const TreeNode& stop) {
  if (node == nullptr) return {};
  const TreeNode* top = node != &stop && stop.Contains(*node) ? &stop : nullptr;
  std::vector<const TreeNode*> chain;
  for (const TreeNode* at = node; at != nullptr; at = at->parent()) {
    chain.push_back(at);
    if (at == top) break;
  }
  std::string text;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (it != chain.rbegin()) text += "->";
    text += (*it)->caption();
  }
  return text;
}

TreeNode* ResolveTesterPath(std::string_view path, TreeNode& stop) {
  std::vector<std::string_view> texts;
  for (std::size_t at; (at = path.find("->")) != path.npos; path.remove_prefix(at + 2)) {
    texts.push_back(path.substr(0, at));
  }
  texts.push_back(path);
  if (texts.size() < 2) return nullptr;
  TreeNode* node = &stop;
  for (std::size_t i = 1; i < texts.size(); ++i) {
    TreeNode* found = nullptr;
    for (const auto& child : node->children()) {
      if (child->caption() == texts[i]) {
        found = child.get();
        break;
      }
    }
    if (found == nullptr) return nullptr;
    node = found;
  }
  return node;
}

StationTester::StationTester(Dispatcher& dispatcher, const Clock& clock, StationTree& tree, TesterPlayers& players,
                             TesterStore& store, TesterView& view)
    : dispatcher_(dispatcher), clock_(clock), tree_(tree), players_(players), store_(store), view_(view) {
  dots_timer_ = dispatcher_.CreateTimer([this] { Tick(); });
  next_address_timer_ = dispatcher_.CreateTimer([this] {
    if (WaitIsCurrent()) StartAttempt();
  });
  next_station_timer_ = dispatcher_.CreateTimer([this] {
    if (WaitIsCurrent()) NextStation();
  });
  next_address_timer_->SetSingleShot(true);
  next_station_timer_->SetSingleShot(true);
  players_.SetSink([this](const TesterPlayers::Outcome& outcome) { OnOutcome(outcome); });
}

StationTester::~StationTester() {
  players_.SetSink(nullptr);
  Detach();
}

void StationTester::SetSource(TreeNode* source) {
  if (running_) return;
  source_ = source;
}

// ---------------------------------------------------------------------------
// Preparing a run.

TreeNode* StationTester::ResultGroup(const std::string& name) {
  TreeNode* parent = source_->parent();
  if (parent != nullptr) {
    for (const auto& child : parent->children()) {
      if (child->caption() == name && !IsStationNode(*child)) return child.get();
    }
    auto group = std::make_unique<TreeNode>(name, source_->image_index(), source_->state_index(), kNewGroupID);
    return &parent->InsertChild(source_->ChildIndex(), std::move(group));
  }
  const std::string caption = TopCaption(name);
  for (const auto& top : tree_.top_nodes()) {
    if (top->caption() == caption && IsUserTreeID(top->id_text())) {
      store_.EnsureLoaded(*top);
      return top.get();
    }
  }
  auto top = std::make_unique<TreeNode>(caption, source_->image_index(), source_->state_index(), kNewUserTreeID);
  SetNodeID(*top, kNewUserTreeID);
  top->set_file_name(NewUserTreeFileName(tree_));
  TreeNode& added = tree_.InsertTop(source_->ChildIndex(), std::move(top));
  // A new, empty user tree is one the top-level list must name.
  tree_modified_ = true;
  return &added;
}

void StationTester::ResetPositions() {
  current_ = previous_good_ = previous_bad_ = source_;
  last_good_ = good_top_;
  last_bad_ = bad_top_;
  view_.ClearLog();
}

bool StationTester::Resume() {
  current_ = previous_good_ = previous_bad_ = last_good_ = last_bad_ = nullptr;
  if (!good_top_->HasChildren() || !bad_top_->HasChildren()) return false;
  struct Key {
    std::string_view name;
    TreeNode** node;
    TreeNode* stop;
  };
  const Key keys[] = {{kCurrentKey, &current_, source_},
                      {kPreviousGoodKey, &previous_good_, source_},
                      {kPreviousBadKey, &previous_bad_, source_},
                      {kLastGoodKey, &last_good_, good_top_},
                      {kLastBadKey, &last_bad_, bad_top_}};
  for (const Key& key : keys) {
    *key.node = ResolveTesterPath(store_.ReadKey(key.name), *key.stop);
    if (*key.node == nullptr) return false;
  }
  return true;
}

void StationTester::Prepare() {
  view_.BeginTreeChange();
  good_top_ = ResultGroup(source_->caption() + Msg(kGoodSlot));
  bad_top_ = ResultGroup(source_->caption() + Msg(kBadSlot));
  view_.EndTreeChange();
  if (!Resume()) ResetPositions();
}

// ---------------------------------------------------------------------------
// Commands.

void StationTester::Go() {
  if (running_ || source_ == nullptr || !source_->HasChildren()) return;
  running_ = true;
  paused_ = false;
  view_.ShowButtons(false, true, true, false);
  Prepare();
  view_.ShowStatus(TesterView::Status::kTesting);
  view_.ShowDots(dots_, true);
  attempt_start_ = clock_.MonotonicNow();
  if (stopped_) {
    // A run after Stop or after a finished run starts from the beginning.
    stopped_ = false;
    ResetPositions();
  }
  dots_timer_->Start(kDotsInterval);
  NextStation();
}

void StationTester::TogglePause() {
  if (!running_) return;
  if (!paused_) {
    paused_ = true;
    view_.ShowButtons(false, true, true, true);
    dots_timer_->Stop();
    view_.ShowDots(dots_, false);
    view_.ShowStatus(TesterView::Status::kPaused);
    attempt_running_ = false;
    CancelWaits();
    players_.StopAll();
    Save();
    return;
  }
  paused_ = false;
  view_.ShowButtons(false, true, true, false);
  view_.ShowStatus(TesterView::Status::kTesting);
  view_.ShowDots(dots_, true);
  // The interrupted station is tested again. At the branch's start there is
  // nothing to step back to: the walk begins at the branch itself.
  if (current_ != source_) {
    if (TreeNode* previous = current_->Previous()) current_ = previous;
  }
  attempt_start_ = clock_.MonotonicNow();
  dots_timer_->Start(kDotsInterval);
  NextStation();
}

void StationTester::Stop() {
  if (!running_) return;
  running_ = false;
  view_.ShowButtons(true, false, false, false);
  dots_timer_->Stop();
  attempt_running_ = false;
  CancelWaits();
  stopped_ = true;
  paused_ = false;
  view_.ShowStatus(TesterView::Status::kStopped);
  view_.ShowDots(dots_, false);
  players_.StopAll();
  players_.RestoreProxies();
  Save();
}

void StationTester::Detach() {
  Stop();
  source_ = good_top_ = bad_top_ = current_ = nullptr;
  previous_good_ = previous_bad_ = last_good_ = last_bad_ = nullptr;
}

bool StationTester::GuardsNode(const TreeNode& node) const {
  for (const TreeNode* used : {last_good_, last_bad_, current_, previous_good_, previous_bad_, source_}) {
    if (used != nullptr && node.Contains(*used)) return true;
  }
  return false;
}

// ---------------------------------------------------------------------------
// The walk.

void StationTester::NextStation() {
  for (;;) {
    TreeNode* next = current_->Next();
    if (next == nullptr || next->Depth() <= source_->Depth()) {
      Finish();
      return;
    }
    current_ = next;
    if (IsStationNode(*next)) {
      TestStation();
      return;
    }
    Mirror(*next, previous_good_, last_good_);
    Mirror(*next, previous_bad_, last_bad_);
    previous_good_ = previous_bad_ = next;
  }
}

void StationTester::TestStation() {
  view_.ShowStation(DisplayPath(*current_));
  station_id_ = NodeID(*current_);
  record_ = store_.LoadStation(station_id_);
  addresses_ = SplitUrls(record_.VStreamURL);
  address_index_ = 0;
  kind_ = MediaKindFromFormat(record_.VFormat);
  if (addresses_.empty()) {
    attempt_start_ = clock_.MonotonicNow();
    AddressFailed();
    return;
  }
  StartAttempt();
}

void StationTester::StartAttempt() {
  const int attempt = ++attempt_;
  const std::string& address = addresses_[static_cast<std::size_t>(address_index_)];
  attempt_start_ = clock_.MonotonicNow();
  attempt_running_ = true;
  const bool local = IsLocalFile(address);
  players_.StopAll();
  MediaKind kind = kind_;
  if (kind == MediaKind::kUnknown) kind = GetMediaKind(address);
  attempt_start_ = clock_.MonotonicNow();
  if (!players_.Start(attempt, kind, address, local ? std::string() : record_.VProxy)) AddressFailed();
}

void StationTester::OnOutcome(const TesterPlayers::Outcome& outcome) {
  if (outcome.attempt != attempt_ || !attempt_running_) return;
  if (outcome.good) {
    StationLearning::StartFacts facts;
    facts.seconds = SecondsSinceStart();
    facts.bandwidth = outcome.bandwidth;
    facts.audio_language = outcome.audio_language;
    store_.LearnStart(station_id_, record_, facts);
    Succeeded();
  } else {
    AddressFailed();
  }
}

void StationTester::Succeeded() {
  attempt_running_ = false;
  players_.StopAll();
  if (!running_ || paused_) return;
  view_.AppendLog(LogLine(true));
  Mirror(*current_, previous_good_, last_good_);
  previous_good_ = current_;
  StartWait(*next_station_timer_);
}

void StationTester::AddressFailed() {
  attempt_running_ = false;
  // A later answer of the control given up on counts for nothing.
  ++attempt_;
  players_.StopAll();
  if (!running_ || paused_) return;
  if (address_index_ + 1 < static_cast<int>(addresses_.size())) {
    ++address_index_;
    kind_ = MediaKindFromFormat(record_.VFormat);
    StartWait(*next_address_timer_);
    return;
  }
  view_.AppendLog(LogLine(false));
  store_.MarkBad(station_id_, record_);
  Mirror(*current_, previous_bad_, last_bad_);
  previous_bad_ = current_;
  address_index_ = 0;
  StartWait(*next_station_timer_);
}

void StationTester::Finish() {
  Stop();
  view_.ShowStatus(TesterView::Status::kDone);
  Save();
  view_.Finished();
}

void StationTester::Tick() {
  dots_ = dots_ >= kMaxDots ? 0 : dots_ + 1;
  view_.ShowDots(dots_, true);
  if (attempt_running_ && SecondsSinceStart() > kTesterLimitSeconds) AddressFailed();
}

// ---------------------------------------------------------------------------
// Waits between attempts.

void StationTester::StartWait(Timer& timer) {
  wait_attempt_ = attempt_;
  timer.Start(kWaitInterval);
}

void StationTester::CancelWaits() {
  next_address_timer_->Stop();
  next_station_timer_->Stop();
  // A wait whose tick is already on its way finds the number changed.
  ++attempt_;
}

bool StationTester::WaitIsCurrent() const { return running_ && !paused_ && wait_attempt_ == attempt_; }

long long StationTester::SecondsSinceStart() const {
  return std::chrono::duration_cast<std::chrono::seconds>(clock_.MonotonicNow() - attempt_start_).count();
}

std::string StationTester::LogLine(bool good) const {
  std::string line = std::to_string(station_id_);
  line += '\t';
  line += current_->caption();
  line += '\t';
  line += Msg(good ? kGoodSlot : kBadSlot);
  line += '\t';
  line += std::to_string(SecondsSinceStart());
  line += '\t';
  // A station without addresses tried none of them.
  const std::size_t count = addresses_.size();
  const std::size_t number = count == 0 ? 0 : static_cast<std::size_t>(address_index_) + 1;
  line += std::to_string(number) + "/" + std::to_string(count);
  return line;
}

// ---------------------------------------------------------------------------
// Result trees.

void StationTester::Mirror(TreeNode& node, TreeNode*& previous, TreeNode*& last) {
  const int depth = node.Depth();
  TreeNode* parent = nullptr;
  if (depth == previous->Depth()) {
    parent = last->parent();
  } else if (previous->Depth() < depth) {
    parent = last;
  } else {
    TreeNode* at = last;
    while (at->parent() != nullptr && at->Depth() > depth) at = at->parent();
    parent = at->parent();
  }
  // The result group itself is the shallowest a mirrored node can go.
  TreeNode* top = last == good_top_ || good_top_->Contains(*last) ? good_top_ : bad_top_;
  if (parent == nullptr || !top->Contains(*parent)) parent = top;
  const int id = NodeID(node);
  TreeNode* mirrored = ChildNamed(*parent, node.caption(), id);
  if (mirrored == nullptr) {
    auto copy = std::make_unique<TreeNode>(node.caption(), node.image_index(), node.state_index(), id);
    view_.BeginTreeChange();
    mirrored = &parent->AddChild(std::move(copy));
    view_.EndTreeChange();
  }
  last = mirrored;
  tree_modified_ = true;
}

void StationTester::Save() {
  if (!tree_modified_ || good_top_ == nullptr || bad_top_ == nullptr) return;
  store_.SaveSubtree(TopNode(*good_top_));
  if (bad_top_->parent() == nullptr || bad_top_->parent() != good_top_->parent()) {
    store_.SaveSubtree(TopNode(*bad_top_));
  }
  if (good_top_->parent() == nullptr || bad_top_->parent() == nullptr) store_.SaveTopLists();
  // The current station is tested again on resume.
  const TreeNode* before_current = current_ != nullptr ? current_->Previous() : nullptr;
  store_.WriteKeys({{std::string(kCurrentKey), TesterPathText(before_current, *source_)},
                    {std::string(kPreviousGoodKey), TesterPathText(previous_good_, *source_)},
                    {std::string(kPreviousBadKey), TesterPathText(previous_bad_, *source_)},
                    {std::string(kLastGoodKey), TesterPathText(last_good_, *good_top_)},
                    {std::string(kLastBadKey), TesterPathText(last_bad_, *bad_top_)}});
  tree_modified_ = false;
}

}  // namespace tazmel
