#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>

namespace tazmel::test {

// A private sound server of the test's own, ended when the guard goes (or
// by Stop). Started by the script TAZMEL_PULSE_DAEMON names.
class OwnSoundServer {
 public:
  explicit OwnSoundServer(std::filesystem::path dir) : dir_(std::move(dir)) {}
  ~OwnSoundServer() { Run("stop"); }
  bool Start() { return Run("start"); }
  bool Stop() { return Run("stop"); }
  std::string Address() const { return "unix:" + (dir_ / "pulse" / "native").string(); }

 private:
  bool Run(const char* action) {
    const std::string command =
        std::string("sh '") + TAZMEL_PULSE_DAEMON + "' " + action + " '" + dir_.string() + "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
  }
  std::filesystem::path dir_;
};

}  // namespace tazmel::test
