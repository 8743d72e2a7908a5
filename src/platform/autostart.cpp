#include "platform/autostart.h"

#include <cstdlib>

#include "core/file_utils.h"

namespace tazmel {

std::filesystem::path AutostartFile() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::filesystem::path base;
  if (config != nullptr && *config == '/') {
    base = config;
  } else {
    const char* home = std::getenv("HOME");
    base = std::filesystem::path(home != nullptr ? home : "") / ".config";
  }
  return base / "autostart" / "tazmel.desktop";
}

std::string QuoteExecArgument(std::string_view argument) {
  constexpr std::string_view kPlain = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789/._-+=:,@";
  bool plain = !argument.empty();
  for (char c : argument) plain = plain && kPlain.find(c) != std::string_view::npos;
  if (plain) return std::string(argument);
  // Inside double quotes ", `, $ and \ take a backslash; "%" becomes "%%"
  // (a field code otherwise); then every backslash is doubled once more for
  // the string value the line is.
  std::string quoted = "\"";
  for (char c : argument) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    if (c == '%') quoted += '%';
    if (c == '\n' || c == '\r') continue;
    quoted += c;
  }
  quoted += '"';
  std::string escaped;
  for (char c : quoted) {
    if (c == '\\') escaped += '\\';
    escaped += c;
  }
  return escaped;
}

std::string AutostartEntry(std::string_view name, const std::filesystem::path& program,
                           const std::optional<std::filesystem::path>& tazmel_home) {
  std::string exec;
  if (tazmel_home) exec = "env " + QuoteExecArgument("TAZMEL_HOME=" + tazmel_home->string()) + " ";
  exec += QuoteExecArgument(program.string());
  std::string clean_name;
  for (char c : name) clean_name += (c == '\n' || c == '\r') ? ' ' : c;
  return "[Desktop Entry]\nType=Application\nName=" + clean_name + "\nExec=" + exec +
         "\nTerminal=false\nX-GNOME-Autostart-enabled=true\n";
}

bool AutostartExists(const std::filesystem::path& file) {
  std::error_code ec;
  return std::filesystem::is_regular_file(file, ec);
}

bool WriteAutostart(std::string_view text, const std::filesystem::path& file) {
  std::error_code ec;
  std::filesystem::create_directories(file.parent_path(), ec);
  return WriteFileAtomically(file, text);
}

bool RemoveAutostart(const std::filesystem::path& file) {
  std::error_code ec;
  std::filesystem::remove(file, ec);
  return !std::filesystem::exists(std::filesystem::symlink_status(file, ec));
}

}  // namespace tazmel
