#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tazmel {

// Starting the program when the user logs in: a desktop entry in the
// autostart folder of the XDG desktops.

// $XDG_CONFIG_HOME/autostart/tazmel.desktop, else ~/.config/autostart/...
std::filesystem::path AutostartFile();

// One argument of an Exec line, quoted when it holds anything but plain
// characters; the escapes of the Exec quoting and of the file's string
// values are both applied.
std::string QuoteExecArgument(std::string_view argument);

// The entry's text. The program folder, when given, is handed on through
// TAZMEL_HOME so that the login start finds the same settings.
std::string AutostartEntry(std::string_view name, const std::filesystem::path& program,
                           const std::optional<std::filesystem::path>& tazmel_home);

bool AutostartExists(const std::filesystem::path& file = AutostartFile());
// Written whole under a temporary name and renamed; false on failure.
bool WriteAutostart(std::string_view text, const std::filesystem::path& file = AutostartFile());
// True when the entry is gone afterwards.
bool RemoveAutostart(const std::filesystem::path& file = AutostartFile());

}  // namespace tazmel
