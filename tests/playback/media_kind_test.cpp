#include "playback/media_kind.h"

#include <gtest/gtest.h>

#include "core/text_utils.h"
#include "platform/registry.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

// Prefixes decide first, then the extension, Windows Media list before
// RealPlayer list; a missing extension is Windows Media.
TEST(GetMediaKindTest, ClassifiesByPrefixThenExtension) {
  struct Case {
    std::string_view address;
    char kind;
  } cases[] = {
      {"  RTSP://host/a  ", '1'},
      {"pnm://host/a", '1'},
      {"mms://host/a", '2'},
      {"mmst://host/a", '2'},
      // mmsh is no prefix of the rules; its dotted host makes an extension
      {"mmsh://host.example/live", '0'},
      {"http://host/live.asx", '2'},
      {"http://host/list.pls", '1'},
      {"http://host/song.mp3", '2'},  // in both lists
      {"http://host/clip.AVI", '2'},
      {"C:\\Music\\a.RA", '1'},
      {"http://host/a.rm33j", '1'},
      {"http://host/show.dvr-ms", '2'},
      {"\t\x01http://host/a.ram\r\n", '1'},
      {"http://10.0.0.1:8000/", '2'},
      {"http://radio/stream", '2'},
      {"http://radio.example/live", '0'},
      {"http://host/index.html", '0'},
      {"http://host/a.asx?x=1", '0'},
      {"http://host/dir.old/live", '0'},  // a dotted folder and a bare file name
      {"http://host/dir.old/live.asx", '2'},
      {"C:\\dir.v2\\file", '2'},  // the backslash ends the extension
      // only whole list entries match
      {"http://host/a.sf", '0'},
      {"http://host/a.m", '0'},
  };
  for (const Case& c : cases) EXPECT_EQ(MediaKindDigit(GetMediaKind(c.address)), c.kind) << c.address;
}

// Versions compare number by number; a text without more dots repeats its
// last number, so only a strictly newer version passes.
TEST(CompareVersionTest, ComparesDottedNumbers) {
  struct Case {
    std::string_view installed, required;
    int result;
  } cases[] = {
      {"9.0.0.3250", "9.0", 1},
      {"9.0.0.0", "9.0", 0},
      {"9.0.0.2980", "9.0", 1},
      {"10.0.0.3646", "9.0", 1},
      {"8.9.9.9", "9.0", -1},
      {"6.0.8.8", "6.0.8", 0},
      {"6.0.8.9", "6.0.8", 1},
      {"6.0.12.1675", "6.0.8", 1},
      {"6.0.7.99", "6.0.8", -1},
      {"", "6.0.8", -1},
      {"", "", 0},
      {"x.1", "0.1", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CompareVersion(c.installed, c.required), c.result) << c.installed << " vs " << c.required;
  }
}

class ComponentRegistryTest : public ::testing::Test {
 protected:
  test::TempDir dir_;
  Registry registry_{dir_ / "registry.ini"};
};

// With nothing recorded every component is present and new enough.
TEST_F(ComponentRegistryTest, DefaultsArePresentAndNewEnough) {
  for (std::string_view file : {kRealPlayerFile, kWmp9File, kWmp6File}) {
    EXPECT_FALSE(GetFileVersionText(registry_, file).empty()) << file;
  }
  EXPECT_EQ(CompareVersion(GetFileVersionText(registry_, kWmp6File), "6.4"), 1);
  EXPECT_TRUE(IsWmp9Installed(registry_));
  EXPECT_TRUE(IsRealPlayer608Installed(registry_));
  EXPECT_EQ(GetFileVersionText(registry_, "other.dll"), "");
}

// A recorded version is reported as it stands; empty or "missing" means the
// file is missing, which fails the installation checks.
TEST_F(ComponentRegistryTest, RecordedVersionsDecideTheChecks) {
  struct Case {
    std::string_view file, recorded, version;
    bool wmp9, real608;
  } cases[] = {
      {kWmp9File, "9.0.0.0", "9.0.0.0", false, true},
      {kWmp9File, "9.0.0.2980", "9.0.0.2980", true, true},
      {kWmp9File, "", "", false, true},
      {kWmp9File, "Missing", "", false, true},
      {kRealPlayerFile, "6.0.8.8", "6.0.8.8", true, false},
      {kRealPlayerFile, " 6.0.9.1 ", "6.0.9.1", true, true},
      {kRealPlayerFile, "missing", "", true, false},
  };
  for (const Case& c : cases) {
    Registry registry(dir_ / (std::string(c.file) + std::string(c.recorded) + ".ini"));
    ASSERT_TRUE(registry.WriteString(kComponentsKey, c.file, c.recorded));
    EXPECT_EQ(GetFileVersionText(registry, c.file), c.version) << c.file << " " << c.recorded;
    EXPECT_EQ(IsWmp9Installed(registry), c.wmp9) << c.file << " " << c.recorded;
    EXPECT_EQ(IsRealPlayer608Installed(registry), c.real608) << c.file << " " << c.recorded;
  }
}

// Registration writes a key per present component, naming its file, and
// makes the controls creatable, also for a later run reading the file.
TEST_F(ComponentRegistryTest, RegistrationMakesPresentControlsCreatable) {
  ASSERT_TRUE(registry_.WriteString(kComponentsKey, kWmp6File, "missing"));
  for (std::string_view file : {kRealPlayerFile, kWmp9File, kWmp6File}) {
    EXPECT_FALSE(IsControlCreatable(registry_, file)) << file;
  }

  RegisterPlayerControls(registry_);

  Registry reread(registry_.File());
  for (std::string_view file : {kRealPlayerFile, kWmp9File}) {
    EXPECT_EQ(reread.ReadString(ControlRegistrationKey(file), Registry::kDefaultValue), std::string(file));
    EXPECT_TRUE(IsControlCreatable(reread, file)) << file;
  }
  EXPECT_FALSE(reread.KeyExists(ControlRegistrationKey(kWmp6File)));
  EXPECT_FALSE(IsControlCreatable(reread, kWmp6File));
}

// A registered control whose file went missing cannot be created, and an
// existing registration is left as it is.
TEST_F(ComponentRegistryTest, CreatableNeedsFileAndKey) {
  const std::string key = ControlRegistrationKey(kRealPlayerFile);
  EXPECT_EQ(key, "HKEY_CLASSES_ROOT\\CLSID\\{CFCDAA03-8BE4-11CF-B84B-0020AFBBCCFA}\\InprocServer32");
  ASSERT_TRUE(registry_.WriteString(key, Registry::kDefaultValue, "elsewhere.dll"));
  RegisterPlayerControls(registry_);
  EXPECT_EQ(registry_.ReadString(key, Registry::kDefaultValue), "elsewhere.dll");
  EXPECT_TRUE(IsControlCreatable(registry_, kRealPlayerFile));

  ASSERT_TRUE(registry_.WriteString(kComponentsKey, kRealPlayerFile, ""));
  EXPECT_FALSE(IsControlCreatable(registry_, kRealPlayerFile));
  EXPECT_FALSE(IsControlCreatable(registry_, "other.dll"));
}

}  // namespace
}  // namespace tazmel
