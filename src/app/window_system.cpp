#include "app/window_system.h"

#include <cstdlib>

namespace tazmel {
namespace {

std::optional<std::string> Read(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

bool Set(const std::optional<std::string>& value) { return value && !value->empty(); }

}  // namespace

WindowSystemEnvironment WindowSystemEnvironment::FromProcess() {
  return {Read("QT_QPA_PLATFORM"), Read("DISPLAY"), Read("WAYLAND_DISPLAY"), Read("XDG_SESSION_TYPE")};
}

std::optional<std::string> ChooseQtPlatform(const WindowSystemEnvironment& env) {
  if (Set(env.qt_qpa_platform) || !Set(env.display)) return std::nullopt;
  const bool wayland = Set(env.wayland_display) || env.xdg_session_type.value_or("") == "wayland";
  if (!wayland) return std::nullopt;
  return "xcb";
}

}  // namespace tazmel
