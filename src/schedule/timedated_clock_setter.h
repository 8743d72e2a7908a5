#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "schedule/daytime.h"

namespace tazmel {

// Sets the clock through systemd-timedated on the system bus
// (org.freedesktop.timedate1.SetTime), without an interactive password
// prompt. Where no timedated answers, clock_settime is tried, but only when
// the process holds CAP_SYS_TIME (without it the call can only be refused).
// Blocks the calling thread for up to kCallTimeout: call it off the
// user-interface thread.
class TimedatedClockSetter : public ClockSetter {
 public:
  static constexpr std::chrono::seconds kCallTimeout{10};

  // `direct` sets the clock where no timedated answers (clock_settime by
  // default).
  explicit TimedatedClockSetter(std::unique_ptr<ClockSetter> direct = std::make_unique<PosixClockSetter>())
      : direct_(std::move(direct)) {}

  ClockSetResult SetUtc(std::int64_t utc_seconds) override;

  // The system's own words for the last refusal or failure.
  const std::string& Detail() const { return detail_; }

  // How a D-Bus error name from SetTime maps: automatic time sync on, not
  // authorised, or any other failure. Empty names (no reply) are failures.
  static ClockSetResult MapBusError(const std::string& error_name);
  // Whether the process may set the clock itself.
  static bool HasSysTimeCapability();

 private:
  std::unique_ptr<ClockSetter> direct_;
  std::string detail_;
};

}  // namespace tazmel
