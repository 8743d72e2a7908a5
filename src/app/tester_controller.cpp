#include "app/tester_controller.h"

#include <QPushButton>

#include "core/dispatcher.h"
#include "core/messages.h"
#include "core/program_paths.h"
#include "core/system.h"
#include "platform/registry.h"
#include "playback/media_kind.h"
#include "playback/mpv/mpv_factory.h"
#include "playback/tester/control_tester_players.h"
#include "playback/tester/station_tester.h"
#include "playback/tester/tester_store.h"
#include "stations/station_tree.h"
#include "stations/tree_editor.h"
#include "ui/tester/test_dialog.h"
#include "ui/text_edge.h"
#include "ui/translator.h"

namespace tazmel {
namespace {

constexpr int kStoppedSlot = 35;
constexpr int kPausedSlot = 36;
constexpr int kPauseSlot = 17;
constexpr int kAbortQuestionSlot = 87;
constexpr int kDoneSlot = 90;
constexpr int kContinueSlot = 91;
constexpr int kTestingSlot = 92;

}  // namespace

// The tester's view onto the window, in the window's own texts.
class TesterController::View : public TesterView {
 public:
  explicit View(TesterController& owner) : owner_(owner) {}

  void ShowStatus(Status status) override {
    int slot = 0;
    switch (status) {
      case Status::kIdle:
        break;
      case Status::kTesting:
        slot = kTestingSlot;
        break;
      case Status::kPaused:
        slot = kPausedSlot;
        break;
      case Status::kStopped:
        slot = kStoppedSlot;
        break;
      case Status::kDone:
        slot = kDoneSlot;
        break;
    }
    if (TfrmTest* w = owner_.window_) w->SetStatus(slot == 0 ? QString() : FromGb(Msg(slot)));
  }
  void ShowButtons(bool go, bool pause, bool stop, bool paused) override {
    if (TfrmTest* w = owner_.window_) {
      w->SetButtons(go, pause, stop);
      w->SetPauseText(FromGb(Msg(paused ? kContinueSlot : kPauseSlot)));
    }
  }
  void ShowDots(int count, bool visible) override {
    if (TfrmTest* w = owner_.window_) w->SetDots(count, visible);
  }
  void ShowStation(const std::string& path) override {
    if (TfrmTest* w = owner_.window_) w->SetStation(FromGb(path));
  }
  void AppendLog(const std::string& line) override {
    if (TfrmTest* w = owner_.window_) w->AppendLog(FromGb(line));
  }
  void ClearLog() override {
    if (TfrmTest* w = owner_.window_) w->ClearLog();
  }
  void Finished() override {
    // The message waits for the user; the tick that finished the run
    // returns first.
    owner_.parts_.dispatcher.Post([&owner = owner_, alive = std::weak_ptr<int>(owner_.alive_)] {
      if (alive.expired()) return;
      owner.parts_.prompts.ShowInfo(Msg(kDoneSlot));
      if (owner.window_) owner.window_->hide();
    });
  }
  void BeginTreeChange() override {
    if (owner_.parts_.begin_tree_change) owner_.parts_.begin_tree_change();
  }
  void EndTreeChange() override {
    if (owner_.parts_.end_tree_change) owner_.parts_.end_tree_change();
  }

 private:
  TesterController& owner_;
};

TesterController::TesterController(TesterParts parts) : parts_(std::move(parts)) {}

TesterController::~TesterController() {
  alive_.reset();
  Close();
}

void TesterController::Create() {
  view_ = std::make_unique<View>(*this);
  MpvOptions options;
  // The tester's controls are never seen.
  options.hidden = true;
  factory_ = std::make_unique<MpvPlayerFactory>(parts_.dispatcher, parts_.registry, options);
  players_ = std::make_unique<ControlTesterPlayers>(*factory_, IsWmp9Installed(parts_.registry), parts_.proxies);
  players_->SetVolumeSource(parts_.volume);
  store_ = std::make_unique<FileTesterStore>(parts_.paths, parts_.tree.tree(), parts_.user_language);
  tester_ = std::make_unique<StationTester>(parts_.dispatcher, clock_, parts_.tree.tree(), *players_, *store_, *view_);

  window_ = new TfrmTest(parts_.owner);
  TranslateWindow(*window_, parts_.language);
  window_->may_close = [this] {
    if (!tester_->Running()) return true;
    if (!parts_.prompts.AskQuestion(Msg(kAbortQuestionSlot))) return false;
    tester_->Stop();
    return true;
  };
  connect(window_, &TfrmTest::startClicked, this, [this] { tester_->Go(); });
  connect(window_, &TfrmTest::pauseClicked, this, [this] { tester_->TogglePause(); });
  connect(window_, &TfrmTest::stopClicked, this, [this] { tester_->Stop(); });

  // While the window shows, the nodes the run uses stay as they are.
  cut_veto_ = parts_.tree.AddCutVeto(
      [this](const TreeNode& node) { return IsVisible() && tester_ && tester_->GuardsNode(node); });
  // A reload (null) or a removed branch the run uses: stop before the
  // nodes go.
  removal_listener_ = parts_.tree.AddRemovalListener([this](const TreeNode* removed) {
    if (!tester_) return;
    if (removed == nullptr || tester_->GuardsNode(*removed) ||
        (tester_->Source() != nullptr && removed->Contains(*tester_->Source()))) {
      tester_->Detach();
    } else if (TreeNode* top = tester_->GoodTop(); top != nullptr && removed->Contains(*top)) {
      tester_->Detach();
    } else if (TreeNode* bad = tester_->BadTop(); bad != nullptr && removed->Contains(*bad)) {
      tester_->Detach();
    }
  });
}

void TesterController::Open() {
  if (IsVisible()) return;
  TreeNode* node = parts_.tree.selected();
  if (node == nullptr) return;
  if (node->parent() == nullptr) parts_.tree.EnsureLoaded(*node);
  if (!node->HasChildren()) return;
  if (!tester_) Create();
  tester_->SetSource(node);
  window_->show();
  window_->raise();
  window_->activateWindow();
}

TfrmTest* TesterController::Window() const { return window_.data(); }

bool TesterController::IsVisible() const { return window_ && window_->isVisible(); }

bool TesterController::Running() const { return tester_ && tester_->Running(); }

void TesterController::Close() {
  if (tester_) tester_->Detach();
  if (cut_veto_ != 0) parts_.tree.RemoveCutVeto(std::exchange(cut_veto_, 0));
  if (removal_listener_ != 0) parts_.tree.RemoveRemovalListener(std::exchange(removal_listener_, 0));
  // The window goes before the tester whose texts it shows.
  delete window_.data();
  tester_.reset();
  players_.reset();
  factory_.reset();
  store_.reset();
}

void TesterController::Retranslate() {
  if (window_) TranslateWindow(*window_, parts_.language);
}

}  // namespace tazmel
