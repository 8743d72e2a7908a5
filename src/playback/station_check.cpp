#include "playback/station_check.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "core/clock.h"
#include "core/dispatcher.h"
#include "core/text_utils.h"
#include "online/page_fetcher.h"
#include "playback/resolver.h"

namespace tazmel {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kWatchInterval{1000};

bool IsExistingFile(std::string_view address) {
  if (address.starts_with("file://")) address.remove_prefix(7);
  if (address.empty()) return false;
  std::error_code ec;
  return std::filesystem::is_regular_file(std::filesystem::path(address), ec);
}

MediaKind Family(MediaKind kind) {
  return kind == MediaKind::kWmp6 || kind == MediaKind::kWmp9 ? MediaKind::kWindowsMedia : kind;
}

}  // namespace

StationCheck::StationCheck(StationCheckServices services) : services_(std::move(services)) {
  watch_timer_ = services_.dispatcher.CreateTimer([this] { OnWatch(); });
  next_timer_ = services_.dispatcher.CreateTimer([this] { Attempt(); });
  next_timer_->SetSingleShot(true);
}

StationCheck::~StationCheck() {
  watch_timer_->Stop();
  next_timer_->Stop();
  if (driver_) driver_->StopAll();
}

bool StationCheck::Start(std::vector<std::string> addresses, MediaKind kind, MediaKind stored_kind, std::string proxy) {
  Abort();
  addresses_.clear();
  for (std::string& address : addresses) {
    std::string trimmed(TrimBlanks(address));
    if (!trimmed.empty()) addresses_.push_back(std::move(trimmed));
  }
  if (addresses_.empty()) return false;
  if (!driver_) {
    driver_ = std::make_unique<ControlDriver>(services_.factory, [this](const ControlEvent& e) { OnEvent(e); });
    driver_->SetStationProxies(services_.proxies);
  }
  index_ = 0;
  kind_ = kind;
  stored_kind_ = stored_kind;
  kind_reported_ = kind != MediaKind::kUnknown;
  proxy_ = std::move(proxy);
  running_ = true;
  watch_timer_->Start(kWatchInterval);
  Attempt();
  return true;
}

void StationCheck::Abort() {
  ++serial_;
  running_ = false;
  attempt_running_ = false;
  watch_timer_->Stop();
  next_timer_->Stop();
  if (driver_) driver_->StopAll();
}

long long StationCheck::SecondsSinceStart() const {
  return std::chrono::duration_cast<std::chrono::seconds>(services_.clock.MonotonicNow() - start_).count();
}

void StationCheck::Attempt() {
  if (!running_) return;
  const unsigned serial = ++serial_;
  audio_language_ = -1;
  start_ = services_.clock.MonotonicNow();
  attempt_running_ = true;
  local_ = IsExistingFile(Address());
  driver_->StopActiveForSwitch();
  if (kind_ == MediaKind::kUnknown) kind_ = GetMediaKind(Address());
  if (kind_ == MediaKind::kUnknown && !local_ && services_.pages) {
    services_.pages->Fetch(Address(), [this, alive = std::weak_ptr<int>(alive_), serial](PageReply reply) {
      // Aborted, timed out or another attempt meanwhile.
      if (alive.expired() || serial != serial_ || !attempt_running_) return;
      const std::string address = Address();
      const MediaKind found = ResolveMediaKind(reply, address, addresses_, index_);
      kind_ = found == MediaKind::kUnknown ? GetMediaKind(Address()) : found;
      StartChosen();
    });
    return;
  }
  StartChosen();
}

void StationCheck::StartChosen() {
  if (!kind_reported_ && kind_ != MediaKind::kUnknown) {
    kind_reported_ = true;
    if (on_kind) on_kind(Family(kind_));
  }
  const PlayerChoice choice = driver_->Choose(kind_, services_.wmp9_installed ? services_.wmp9_installed() : true);
  start_ = services_.clock.MonotonicNow();
  if (choice.player == PlayerId::kNone) {
    // No control could be made: nothing would ever answer. The failure
    // comes from a posted call, like every other result.
    services_.dispatcher.Post([this, alive = std::weak_ptr<int>(alive_), serial = serial_] {
      if (!alive.expired() && serial == serial_ && attempt_running_) Fail();
    });
    return;
  }
  driver_->SetStationProxy(local_ ? std::string() : proxy_);
  driver_->Start(choice.player, Address());
}

void StationCheck::OnEvent(const ControlEvent& event) {
  // Stops of our own, and whatever comes while no attempt runs.
  if (!attempt_running_ || event.by_us) return;
  using Type = ControlEvent::Type;
  switch (event.type) {
    case Type::kPlaying:
      if (event.plays_now || local_) Succeed(event.player);
      break;
    case Type::kBufferingEnded:
      Succeed(event.player);
      break;
    case Type::kFailed:
      Fail();
      break;
    case Type::kAudioLanguage:
      audio_language_ = event.value;
      break;
    default:
      break;
  }
}

void StationCheck::Succeed(PlayerId player) {
  StationCheckResult result{.good = true,
                            .address_index = index_,
                            .seconds = SecondsSinceStart(),
                            .bandwidth = driver_->LearntBandwidth(player),
                            .audio_language = audio_language_};
  Finish(std::move(result));
}

void StationCheck::Fail() {
  attempt_running_ = false;
  if (running_ && index_ + 1 < static_cast<int>(addresses_.size())) {
    driver_->StopAll();
    ++index_;
    kind_ = stored_kind_;
    if (on_address) on_address(index_);
    next_timer_->Start(kNextAddressDelay);
    return;
  }
  StationCheckResult result;
  result.address_index = index_;
  result.seconds = SecondsSinceStart();
  Finish(std::move(result));
}

void StationCheck::Finish(StationCheckResult result) {
  Abort();
  if (on_done) on_done(result);
}

void StationCheck::OnWatch() {
  if (attempt_running_ && SecondsSinceStart() > kLimit.count()) Fail();
}

}  // namespace tazmel
