#include "schedule/logind_power_off.h"

#include <systemd/sd-bus.h>

#include <cstring>
#include <mutex>
#include <thread>

namespace tazmel {

// The worker posts only while holding the mutex and not dropped; the owner
// drops it under the same mutex, so nothing is posted once the owner (and
// possibly the dispatcher after it) went away.
struct LogindPowerOff::Pending {
  std::mutex mutex;
  bool dropped = false;
};

LogindPowerOff::LogindPowerOff(Dispatcher& dispatcher)
    : dispatcher_(dispatcher), pending_(std::make_shared<Pending>()) {}

LogindPowerOff::~LogindPowerOff() {
  std::lock_guard lock(pending_->mutex);
  pending_->dropped = true;
}

PowerOffResult LogindPowerOff::CallLogind() {
  PowerOffResult result;
  sd_bus* bus = nullptr;
  int r = sd_bus_open_system(&bus);
  if (r < 0) {
    result.outcome = PowerOffResult::Outcome::kUnavailable;
    result.detail = std::string("system bus: ") + std::strerror(-r);
    return result;
  }
  sd_bus_message* call = nullptr;
  sd_bus_message* reply = nullptr;
  sd_bus_error error = SD_BUS_ERROR_NULL;
  r = sd_bus_message_new_method_call(bus, &call, "org.freedesktop.login1", "/org/freedesktop/login1",
                                     "org.freedesktop.login1.Manager", "PowerOff");
  if (r >= 0) r = sd_bus_message_append(call, "b", 0);
  if (r >= 0) {
    r = sd_bus_call(bus, call, std::chrono::duration_cast<std::chrono::microseconds>(kCallTimeout).count(), &error,
                    &reply);
  }
  if (r >= 0) {
    result.outcome = PowerOffResult::Outcome::kAccepted;
  } else {
    // No logind on the bus is "unavailable"; anything it answered is its
    // refusal (not permitted, authentication required, inhibited).
    const bool missing = sd_bus_error_has_name(&error, SD_BUS_ERROR_SERVICE_UNKNOWN) ||
                         sd_bus_error_has_name(&error, SD_BUS_ERROR_NAME_HAS_NO_OWNER) || !sd_bus_error_is_set(&error);
    result.outcome = missing ? PowerOffResult::Outcome::kUnavailable : PowerOffResult::Outcome::kRefused;
    result.detail = sd_bus_error_is_set(&error) && error.message ? error.message : std::strerror(-r);
  }
  sd_bus_error_free(&error);
  sd_bus_message_unref(reply);
  sd_bus_message_unref(call);
  sd_bus_flush_close_unref(bus);
  return result;
}

void LogindPowerOff::PowerOff(Done done) {
  Dispatcher* dispatcher = &dispatcher_;
  std::thread([dispatcher, pending = pending_, alive = std::weak_ptr<int>(alive_), done = std::move(done)]() mutable {
    const PowerOffResult result = CallLogind();
    std::lock_guard lock(pending->mutex);
    if (pending->dropped) return;
    dispatcher->Post([alive, done = std::move(done), result] {
      if (alive.lock() && done) done(result);
    });
  }).detach();
}

}  // namespace tazmel
