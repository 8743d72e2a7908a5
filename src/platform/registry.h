#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/ini_file.h"

namespace tazmel {

// The per-user registry file that stands in for the system registry: an INI
// file whose sections are full key paths ("HKEY_CURRENT_USER\Software\...")
// and whose keys are value names; a key's default value is named "@". Key
// paths and value names match without regard to ASCII case. Values are kept
// as text; integers are written in decimal.
//
// One instance holds the file in memory and is the truth for its owner;
// every write saves the whole file atomically. Not thread-safe.
class Registry {
 public:
  static constexpr std::string_view kDefaultValue = "@";

  // Loads the file; a missing or unreadable one gives an empty registry.
  explicit Registry(std::filesystem::path file);

  // $XDG_CONFIG_HOME/tazmel/registry.ini, else ~/.config/tazmel/registry.ini.
  static std::filesystem::path DefaultFile();

  const std::filesystem::path& File() const { return file_; }
  // Reads the file again, dropping what this instance holds.
  void Reload();

  bool KeyExists(std::string_view key) const;
  std::optional<std::string> ReadString(std::string_view key, std::string_view name) const;
  // A decimal integer; nullopt when absent or not a number.
  std::optional<int> ReadInteger(std::string_view key, std::string_view name) const;
  // True for a non-zero integer.
  bool ReadBool(std::string_view key, std::string_view name) const;

  // Writes create the key as needed. They return false when the key or name
  // cannot be stored or the file cannot be saved; the change then still
  // holds in memory for this run. A file that exists but could not be read
  // is never overwritten.
  bool WriteString(std::string_view key, std::string_view name, std::string_view value);
  bool WriteInteger(std::string_view key, std::string_view name, int value);
  bool CreateKey(std::string_view key);

  // While one lives, writes change only what is held in memory; the file is
  // saved once when the outermost one commits or goes away, so an operation
  // on many values costs one write of the file.
  class Batch {
   public:
    explicit Batch(Registry& registry) : registry_(registry) { ++registry_.batch_depth_; }
    ~Batch() { Commit(); }
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;
    // False when the file could not be saved.
    bool Commit();

   private:
    Registry& registry_;
    bool done_ = false;
  };

 private:
  bool Save() const;
  bool SaveOrDefer();

  std::filesystem::path file_;
  IniFile ini_;
  bool unreadable_ = false;
  int batch_depth_ = 0;
  bool dirty_ = false;
};

}  // namespace tazmel
