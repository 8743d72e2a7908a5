#pragma once

#include <cstdio>
#include <sstream>
#include <string>

#include <string_view>
#include "support/shell.h"

// What the sound tests read from the private PulseAudio server through its
// own tools (pactl), independent of the code under test.
namespace tazmel::test {

// What the server holds that nobody but its user should change: the
// defaults, and every sink's and source's name, mute and volume.
inline std::string ServerState() {
  std::string state;
  std::istringstream info(Shell("pactl info"));
  for (std::string line; std::getline(info, line);) {
    if (line.starts_with("Default Sink") || line.starts_with("Default Source")) state += line + "\n";
  }
  std::istringstream lists(Shell("pactl list sinks; pactl list sources"));
  for (std::string line; std::getline(lists, line);) {
    const std::size_t text = line.find_first_not_of("\t ");
    if (text == std::string::npos) continue;
    const std::string_view l = std::string_view(line).substr(text);
    if (l.starts_with("Name:") || l.starts_with("Mute:") || l.starts_with("Volume:")) state += line + "\n";
  }
  return state;
}

}  // namespace tazmel::test
