#include "schedule/auto_shutdown.h"

namespace tazmel {

AutoShutdown::AutoShutdown(Dispatcher& dispatcher, ShutdownPort& port) : dispatcher_(dispatcher), port_(port) {
  timer_ = dispatcher_.CreateTimer([this] { Tick(); });
}

AutoShutdown::~AutoShutdown() = default;

void AutoShutdown::Trigger() {
  if (in_progress_) return;
  in_progress_ = true;
  dispatcher_.Post([this, alive = std::weak_ptr<int>(alive_)] {
    if (alive.lock()) Start();
  });
}

void AutoShutdown::Start() {
  counting_ = true;
  seconds_left_ = kCountdownSeconds;
  port_.ShowCountdown(seconds_left_);
  timer_->Start(std::chrono::seconds(1));
}

void AutoShutdown::Tick() {
  if (!counting_) return;
  --seconds_left_;
  port_.ShowCountdown(seconds_left_);
  if (seconds_left_ < 1) Finish(true);
}

void AutoShutdown::Confirm() {
  if (counting_) Finish(true);
}

void AutoShutdown::Cancel() {
  if (counting_) Finish(false);
}

void AutoShutdown::Finish(bool confirmed) {
  counting_ = false;
  timer_->Stop();
  port_.CloseCountdown();
  if (!confirmed) {
    in_progress_ = false;
    return;
  }
  port_.PrepareForPowerOff();
  powering_off_ = true;
  port_.PowerOff([this, alive = std::weak_ptr<int>(alive_)](const PowerOffResult& result) {
    if (alive.lock()) PowerOffDone(result);
  });
}

void AutoShutdown::PowerOffDone(const PowerOffResult& result) {
  if (!powering_off_) return;
  powering_off_ = false;
  if (result.Accepted()) {
    port_.Quit();
    return;  // the program ends; the mark stays so nothing starts again
  }
  port_.PowerOffRefused(result);
  in_progress_ = false;
}

}  // namespace tazmel
