#include "playback/open_url_history.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>

#include "core/ini_file.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

using Entries = std::vector<std::string>;

class OpenUrlHistoryTest : public ::testing::Test {
 protected:
  test::TempDir dir_;
  std::filesystem::path ini_ = dir_ / "User.ini";
};

// Keys "0" to "9" load in order, trimmed, skipping empty ones; other keys
// and sections are not history.
TEST_F(OpenUrlHistoryTest, LoadsTrimmedNonEmptyKeys) {
  test::WriteFile(ini_,
                  "[Other]\r\n0=not history\r\n[UserUrl]\r\n1= mms://b/x \r\n0=http://A/Live\r\n2=\r\n3=  \r\n"
                  "9=rtsp://z/9\r\n10=http://ten/\r\n");
  OpenUrlHistory history;
  history.Load(ini_);
  EXPECT_EQ(history.Entries(), (Entries{"http://A/Live", "mms://b/x", "rtsp://z/9"}));
}

// Without the file nothing is loaded and nothing is cleared.
TEST_F(OpenUrlHistoryTest, MissingFileLoadsNothing) {
  OpenUrlHistory history;
  history.Accept("http://kept/");
  history.Load(dir_ / "none.ini");
  EXPECT_EQ(history.Entries(), Entries{"http://kept/"});
}

// OK with an empty text is refused; a known address moves to the top
// without duplication; a new one goes on top, and only ten are kept.
TEST_F(OpenUrlHistoryTest, AcceptOrdersMostRecentFirst) {
  OpenUrlHistory history;
  EXPECT_FALSE(history.Accept(""));
  EXPECT_TRUE(history.Entries().empty());

  for (int i = 0; i < 10; ++i) ASSERT_TRUE(history.Accept("http://s/" + std::to_string(i)));
  EXPECT_TRUE(history.Accept("http://s/4"));
  EXPECT_EQ(history.Entries().size(), 10u);
  EXPECT_EQ(history.Top(), "http://s/4");
  EXPECT_EQ(history.Entries()[1], "http://s/9");
  EXPECT_EQ(std::count(history.Entries().begin(), history.Entries().end(), "http://s/4"), 1);

  EXPECT_TRUE(history.Accept("http://s/new"));
  EXPECT_EQ(history.Entries().size(), 10u);
  EXPECT_EQ(history.Top(), "http://s/new");
  EXPECT_EQ(history.Entries().back(), "http://s/1");  // s/0 fell off

  // Paths are case-sensitive, so a differently spelt address is another one.
  EXPECT_TRUE(history.Accept("HTTP://S/NEW"));
  EXPECT_EQ(history.Entries()[1], "http://s/new");
}

// Saving writes the entries to "0".. in order, leaves keys past them and the
// rest of the file alone, and loads back the same list.
TEST_F(OpenUrlHistoryTest, SaveKeepsKeysBeyondTheEntries) {
  test::WriteFile(ini_, "; settings\r\n[Main]\r\nVolume=7\r\n[UserUrl]\r\n0=old0\r\n1=old1\r\n2=old2\r\n5=old5\r\n");
  OpenUrlHistory history;
  history.Accept("http://b/");
  history.Accept("http://a/");
  ASSERT_TRUE(history.Save(ini_));

  IniFile ini;
  ASSERT_EQ(ini.Load(ini_), IniFile::LoadStatus::kLoaded);
  EXPECT_EQ(ini.ReadString("UserUrl", "0"), "http://a/");
  EXPECT_EQ(ini.ReadString("UserUrl", "1"), "http://b/");
  EXPECT_EQ(ini.ReadString("UserUrl", "2"), "old2");
  EXPECT_EQ(ini.ReadString("UserUrl", "5"), "old5");
  EXPECT_EQ(ini.ReadString("Main", "Volume"), "7");
  EXPECT_TRUE(ini.Text().starts_with("; settings\r\n"));

  OpenUrlHistory reloaded;
  reloaded.Load(ini_);
  EXPECT_EQ(reloaded.Entries(), (Entries{"http://a/", "http://b/", "old2", "old5"}));
}

// Something that exists but cannot be read as a file is not replaced.
TEST_F(OpenUrlHistoryTest, SaveRefusesUnreadableFile) {
  ASSERT_EQ(::mkfifo(ini_.c_str(), 0600), 0);
  OpenUrlHistory history;
  history.Accept("http://a/");
  EXPECT_FALSE(history.Save(ini_));
  EXPECT_TRUE(std::filesystem::is_fifo(ini_));
}

}  // namespace
}  // namespace tazmel
