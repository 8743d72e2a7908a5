#include "platform/registry.h"

#include <utility>

#include <cstdlib>
#include <system_error>

#include "core/file_utils.h"
#include "core/program_paths.h"
#include "core/text_utils.h"

namespace fs = std::filesystem;

namespace tazmel {
namespace {

bool StorableKey(std::string_view key) { return !key.empty() && key.find_first_of("\r\n]") == std::string_view::npos; }

}  // namespace

Registry::Registry(fs::path file) : file_(std::move(file)) { Reload(); }

fs::path Registry::DefaultFile() {
  // A relative XDG_CONFIG_HOME is ignored, as the convention says.
  const fs::path config_home = EnvPath("XDG_CONFIG_HOME");
  const fs::path base = config_home.is_absolute() ? config_home : EnvPath("HOME") / ".config";
  return base / "tazmel" / "registry.ini";
}

void Registry::Reload() { unreadable_ = ini_.Load(file_) == IniFile::LoadStatus::kUnreadable; }

bool Registry::KeyExists(std::string_view key) const { return ini_.HasSection(key); }

std::optional<std::string> Registry::ReadString(std::string_view key, std::string_view name) const {
  return ini_.Value(key, name);
}

std::optional<int> Registry::ReadInteger(std::string_view key, std::string_view name) const {
  const std::optional<std::string> text = ini_.Value(key, name);
  return text ? ParseInteger(*text) : std::nullopt;
}

bool Registry::ReadBool(std::string_view key, std::string_view name) const {
  return ReadInteger(key, name).value_or(0) != 0;
}

bool Registry::WriteString(std::string_view key, std::string_view name, std::string_view value) {
  return ini_.WriteString(key, name, value) && SaveOrDefer();
}

bool Registry::WriteInteger(std::string_view key, std::string_view name, int value) {
  return ini_.WriteInteger(key, name, value) && SaveOrDefer();
}

bool Registry::CreateKey(std::string_view key) {
  if (!StorableKey(key)) return false;
  if (ini_.HasSection(key)) return true;
  // The profile layer creates sections only with a value in them, so an
  // empty key is added as a header line of its own.
  std::string text = ini_.Text();
  if (!text.empty()) {
    if (!text.ends_with('\n')) text += "\r\n";
    text += "\r\n";
  }
  text += "[" + std::string(key) + "]\r\n";
  ini_ = IniFile::FromText(text);
  return SaveOrDefer();
}

bool Registry::SaveOrDefer() {
  if (batch_depth_ == 0) return Save();
  dirty_ = true;
  return !unreadable_;
}

bool Registry::Batch::Commit() {
  if (std::exchange(done_, true)) return true;
  if (--registry_.batch_depth_ > 0 || !registry_.dirty_) return true;
  registry_.dirty_ = false;
  return registry_.Save();
}

bool Registry::Save() const {
  if (unreadable_) return false;
  std::error_code ec;
  fs::create_directories(file_.parent_path(), ec);
  return ini_.Save(file_);
}

}  // namespace tazmel
