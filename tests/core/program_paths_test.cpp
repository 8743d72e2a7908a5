#include "core/program_paths.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "temp_dir.h"

namespace tazmel {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

class ProgramFolderTest : public ::testing::Test {
 protected:
  ProgramFolderTest() {
    sources_.executable_dir = dir_ / "bin";
    sources_.home = dir_ / "home";
    sources_.installed_share = dir_ / "share" / "tazmel";
    fs::create_directories(sources_.executable_dir);
    WriteFile(sources_.installed_share / "Tazmel.ini", "[Update]\r\nForceConfig=0\r\n");
    WriteFile(sources_.installed_share / "Language" / "eng.ini", "[Info]\r\nLanguage=English\r\n");
  }
  TempDir dir_;
  ProgramFolderSources sources_;
};

TEST_F(ProgramFolderTest, EnvironmentWins) {
  sources_.tazmel_home = dir_ / "custom";
  WriteFile(sources_.executable_dir / "Tazmel.ini", "");
  EXPECT_EQ(ResolveProgramFolder(sources_), dir_ / "custom");
}

// A build tree or portable folder holds Tazmel.ini beside the executable.
TEST_F(ProgramFolderTest, ExecutableFolderWithIni) {
  WriteFile(sources_.executable_dir / "TAZMEL.INI", "");
  EXPECT_EQ(ResolveProgramFolder(sources_), sources_.executable_dir);
}

// Otherwise the per-user folder is created and seeded, and what the user
// already has is never overwritten.
TEST_F(ProgramFolderTest, UserDataFolderSeeded) {
  const fs::path expected = dir_ / "home" / ".local" / "share" / "tazmel";
  EXPECT_EQ(ResolveProgramFolder(sources_), expected);
  EXPECT_EQ(ReadFile(expected / "Language" / "eng.ini"), "[Info]\r\nLanguage=English\r\n");

  WriteFile(expected / "Tazmel.ini", "mine");
  fs::remove(expected / "Language" / "eng.ini");
  EXPECT_EQ(ResolveProgramFolder(sources_), expected);
  EXPECT_EQ(ReadFile(expected / "Tazmel.ini"), "mine");
  EXPECT_FALSE(fs::exists(expected / "Language" / "eng.ini"));  // seeded only once

  sources_.xdg_data_home = dir_ / "xdg";
  EXPECT_EQ(ResolveProgramFolder(sources_), dir_ / "xdg" / "tazmel");
  EXPECT_TRUE(fs::exists(dir_ / "xdg" / "tazmel" / "Tazmel.ini"));

  // A relative XDG_DATA_HOME is ignored.
  sources_.xdg_data_home = "relative/data";
  EXPECT_EQ(ResolveProgramFolder(sources_), expected);
}

// Paths follow the language code and match names without regard to case.
// An unset and an empty variable both give no path; a relative value is
// kept as it is, for the caller to judge.
TEST(EnvPathTest, UnsetEmptyAndSet) {
  const char* name = "TAZMEL_ENV_PATH_TEST";
  ::unsetenv(name);
  EXPECT_EQ(EnvPath(name), std::filesystem::path());
  for (const char* value : {"", "/var/x y", "relative/dir"}) {
    ::setenv(name, value, 1);
    EXPECT_EQ(EnvPath(name), std::filesystem::path(value)) << value;
  }
  ::unsetenv(name);
}

TEST(ProgramPathsTest, FixedPlaces) {
  TempDir dir;
  WriteFile(dir / "Data" / "CHS" / "DATA.DAT", "");
  WriteFile(dir / "sound" / "chs" / "waiting.wav", "");
  ProgramPaths paths(dir.path());
  paths.SetLanguageCode("chs");
  EXPECT_EQ(paths.DataFolder(), dir / "Data" / "CHS");
  EXPECT_EQ(paths.SystemTablePath(), dir / "Data" / "CHS" / "DATA.DAT");
  EXPECT_EQ(paths.UserTablePath(), dir / "Data" / "CHS" / "datauser.dat");
  EXPECT_EQ(paths.LanguageFile(), dir / "Language" / "chs.ini");
  EXPECT_EQ(paths.UserIni(), dir / "User.ini");

  paths.SetLanguageCode("eng");
  EXPECT_EQ(paths.DataFolder(), dir / "Data" / "eng");
  EXPECT_EQ(paths.SoundFolder(), dir / "sound" / "chs");  // fallback
}

// A skin name names one folder of Skins/, found without regard to case;
// anything that would lead elsewhere names nothing.
TEST(ProgramPathsTest, SkinFolderStaysInsideSkins) {
  TempDir dir;
  WriteFile(dir / "Skins" / "Blue Sky" / "skin.ini", "");
  const ProgramPaths paths(dir.path());
  EXPECT_EQ(paths.SkinFolder("blue sky"), dir / "Skins" / "Blue Sky");
  using namespace std::string_view_literals;
  for (const std::string_view name : {""sv, "."sv, ".."sv, "../Skins"sv, "a/b"sv, "..\\x"sv, "a\0b"sv}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(paths.SkinFolder(name), std::filesystem::path());
  }
}

}  // namespace
}  // namespace tazmel
