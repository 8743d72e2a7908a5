#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tazmel {

// What decides the window-system choice, read from the environment.
struct WindowSystemEnvironment {
  std::optional<std::string> qt_qpa_platform;   // QT_QPA_PLATFORM
  std::optional<std::string> display;           // DISPLAY
  std::optional<std::string> wayland_display;   // WAYLAND_DISPLAY
  std::optional<std::string> xdg_session_type;  // XDG_SESSION_TYPE
  static WindowSystemEnvironment FromProcess();
};

// Shaped frameless windows at exact positions, docking and global key grabs
// need X11, so on a Wayland session with XWayland available ("DISPLAY" set)
// the program asks Qt for the xcb platform. A platform the user chose stays.
// Returns the platform to set, or nothing to leave Qt's own choice.
std::optional<std::string> ChooseQtPlatform(const WindowSystemEnvironment& env);

}  // namespace tazmel
