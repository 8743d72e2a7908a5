#include "schedule/sleep_timer.h"

#include <algorithm>
#include <cmath>

namespace tazmel {

using std::chrono::milliseconds;

SleepTimer::SleepTimer(Dispatcher& dispatcher, const Clock& clock, SleepTimerPort& port)
    : dispatcher_(dispatcher), clock_(clock), port_(port), timer_(dispatcher_.CreateTimer([this] { Tick(); })) {}

SleepTimer::~SleepTimer() { timer_->Stop(); }

void SleepTimer::Start(milliseconds delay) {
  Restore();
  const auto now = clock_.MonotonicNow();
  deadline_ = now + std::max(delay, milliseconds(0));
  fade_start_ = deadline_ - std::min<milliseconds>(kFade, std::max(delay, milliseconds(0)));
  active_ = true;
  timer_->Start(kFadeStep);
  if (on_changed) on_changed();
}

void SleepTimer::Cancel() {
  if (!active_) return;
  Restore();
  active_ = false;
  timer_->Stop();
  if (on_changed) on_changed();
}

milliseconds SleepTimer::Remaining() const {
  if (!active_) return milliseconds(0);
  return std::max(milliseconds(0), std::chrono::duration_cast<milliseconds>(deadline_ - clock_.MonotonicNow()));
}

void SleepTimer::Restore() {
  if (!fading_) return;
  fading_ = false;
  port_.SetVolume(user_volume_);
  last_set_ = -1;
}

void SleepTimer::Tick() {
  if (!active_) return;
  const auto now = clock_.MonotonicNow();
  if (now >= deadline_) {
    // Fading to silence first, even when the last ticks came late.
    if (!fading_) user_volume_ = port_.Volume();
    fading_ = true;
    port_.SetVolume(0);
    port_.StopPlayback();
    Restore();
    active_ = false;
    timer_->Stop();
    if (on_changed) on_changed();
    return;
  }
  if (now < fade_start_) return;
  if (!fading_) {
    fading_ = true;
    user_volume_ = port_.Volume();
  } else if (port_.Volume() != last_set_) {
    // The user moved the volume during the fade: that is the level to give
    // back, and the fade goes on from it.
    user_volume_ = port_.Volume();
  }
  const double left =
      std::chrono::duration<double>(deadline_ - now) / std::chrono::duration<double>(deadline_ - fade_start_);
  last_set_ = static_cast<int>(std::lround(user_volume_ * std::clamp(left, 0.0, 1.0)));
  port_.SetVolume(last_set_);
}

}  // namespace tazmel
