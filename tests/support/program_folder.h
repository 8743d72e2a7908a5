#pragma once

// What a test of the whole program starts from: the program folder the
// build stages (test targets define TAZMEL_STAGE_DIR).
#include <filesystem>
#include <string>

#include "core/ini_file.h"
#include "core/program_paths.h"
#include "stations/radio_table.h"
#include "stations/text_table.h"

namespace tazmel::test {

// Copies the staged settings, languages, skins and sounds into `home`.
inline void StageProgramFolder(const std::filesystem::path& home) {
  const std::filesystem::path stage = TAZMEL_STAGE_DIR;
  for (const char* item : {"Tazmel.ini", "Language", "Skins", "sound"}) {
    std::filesystem::copy(stage / item, home / item, std::filesystem::copy_options::recursive);
  }
}

// The user table of `paths` holding one station, 100001 "Loopback FM" at
// `url`; false when it could not be written.
inline bool WriteLoopbackStation(const ProgramPaths& paths, const std::string& url) {
  StationRecord record;
  record.VID = "100001";
  record.VRadioName = "Loopback FM";
  record.VStreamURL = url;
  std::filesystem::create_directories(paths.DataFolder());
  return WriteTextTable(paths.UserTablePath(), {FormatStationLine(record)});
}

// User.ini as the shipped settings of `home` with English chosen; false
// when it could not be written.
inline bool WriteEnglishUserIni(const std::filesystem::path& home, const ProgramPaths& paths) {
  std::filesystem::copy_file(home / "Tazmel.ini", paths.UserIni());
  return WriteProfileString(paths.UserIni(), "Language", "CurLng", "eng");
}

}  // namespace tazmel::test
