#include "schedule/timedated_clock_setter.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cstring>

namespace tazmel {

ClockSetResult TimedatedClockSetter::MapBusError(const std::string& error_name) {
  if (error_name == "org.freedesktop.timedate1.AutomaticTimeSyncEnabled") return ClockSetResult::kNtpActive;
  if (error_name == SD_BUS_ERROR_ACCESS_DENIED || error_name == SD_BUS_ERROR_INTERACTIVE_AUTHORIZATION_REQUIRED ||
      error_name == "org.freedesktop.PolicyKit1.Error.NotAuthorized") {
    return ClockSetResult::kNotPermitted;
  }
  return ClockSetResult::kFailed;
}

bool TimedatedClockSetter::HasSysTimeCapability() {
  __user_cap_header_struct header{};
  header.version = _LINUX_CAPABILITY_VERSION_3;
  header.pid = 0;
  __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
  if (::syscall(SYS_capget, &header, data) != 0) return false;
  return (data[CAP_SYS_TIME / 32].effective & (1u << (CAP_SYS_TIME % 32))) != 0;
}

ClockSetResult TimedatedClockSetter::SetUtc(std::int64_t utc_seconds) {
  detail_.clear();
  sd_bus* bus = nullptr;
  int r = sd_bus_open_system(&bus);
  bool unanswered = r < 0;
  ClockSetResult result = ClockSetResult::kFailed;
  if (r < 0) {
    detail_ = std::string("system bus: ") + std::strerror(-r);
  } else {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    const auto usec = static_cast<std::int64_t>(utc_seconds) * 1'000'000;
    sd_bus_set_method_call_timeout(
        bus, static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(kCallTimeout).count()));
    r = sd_bus_call_method(bus, "org.freedesktop.timedate1", "/org/freedesktop/timedate1", "org.freedesktop.timedate1",
                           "SetTime", &error, &reply, "xbb", usec, 0, 0);
    if (r >= 0) {
      result = ClockSetResult::kSet;
    } else {
      const std::string name = sd_bus_error_is_set(&error) && error.name ? error.name : "";
      detail_ = sd_bus_error_is_set(&error) && error.message ? error.message : std::strerror(-r);
      // Nobody owns the name: no timedated on this system.
      unanswered = name.empty() || name == SD_BUS_ERROR_SERVICE_UNKNOWN || name == SD_BUS_ERROR_NAME_HAS_NO_OWNER;
      result = MapBusError(name);
    }
    sd_bus_error_free(&error);
    sd_bus_message_unref(reply);
    sd_bus_flush_close_unref(bus);
  }
  if (unanswered && direct_ && HasSysTimeCapability()) {
    result = direct_->SetUtc(utc_seconds);
    if (result == ClockSetResult::kSet) detail_.clear();
  }
  return result;
}

}  // namespace tazmel
