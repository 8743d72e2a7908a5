#pragma once

// What a test of the whole program starts from: the program folder the
// build stages (test targets define TAZMEL_STAGE_DIR).
#include <filesystem>

namespace tazmel::test {

// Copies the staged settings, languages, skins and sounds into `home`.
inline void StageProgramFolder(const std::filesystem::path& home) {
  const std::filesystem::path stage = TAZMEL_STAGE_DIR;
  for (const char* item : {"Tazmel.ini", "Language", "Skins", "sound"}) {
    std::filesystem::copy(stage / item, home / item, std::filesystem::copy_options::recursive);
  }
}

}  // namespace tazmel::test
