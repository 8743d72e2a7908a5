#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include "core/dispatcher.h"
#include "schedule/auto_shutdown.h"

namespace tazmel {

// Powers the machine off through systemd-logind on the system bus
// (org.freedesktop.login1.Manager.PowerOff), without an interactive
// authentication prompt: the timed shutdown runs unattended, so a system
// that wants a password refuses, and says why. The call runs on a thread of
// its own and its result is posted to the user-interface thread.
class LogindPowerOff {
 public:
  using Done = std::function<void(const PowerOffResult&)>;

  static constexpr std::chrono::seconds kCallTimeout{10};

  explicit LogindPowerOff(Dispatcher& dispatcher);
  ~LogindPowerOff();
  LogindPowerOff(const LogindPowerOff&) = delete;
  LogindPowerOff& operator=(const LogindPowerOff&) = delete;

  void PowerOff(Done done);

  // The call itself, blocking the calling thread.
  static PowerOffResult CallLogind();

 private:
  struct Pending;

  Dispatcher& dispatcher_;
  std::shared_ptr<Pending> pending_;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace tazmel
