#include "stations/channels.h"

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/ini_file.h"
#include "core/system.h"
#include "fake_prompts.h"
#include "stations/tree_editor.h"
#include "stations/tree_outline.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

using test::BuildTree;
using test::FakePrompts;
using test::NodeNamed;
using test::TempDir;
using test::WriteFile;

// A channels tree of twelve stations (IDs 201..212), and a user tree.
std::string TreeText() {
  std::string text = "Channels [-11] channels.dat\n";
  for (int n = 1; n <= 12; ++n) text += "  Station " + std::to_string(n) + " [" + std::to_string(200 + n) + "]\n";
  return text + "Mine [-101] tree_user1.dat\n  Rock [-1]\n    Radio Rock [100007]\n";
}

// (caption, ID, hint) of every button.
std::vector<std::string> Describe(const ChannelButtons& buttons) {
  std::vector<std::string> text;
  for (const ChannelLabel& l : buttons.labels()) {
    text.push_back(l.caption + ":" + std::to_string(l.station_id) + ":" + l.hint);
  }
  return text;
}

// Buttons first..first+9 with the given ID and hint on each.
std::vector<std::string> Expected(int first, const std::vector<std::pair<int, std::string>>& presets) {
  std::vector<std::string> text;
  for (int n = 0; n < kChannelButtonCount; ++n) {
    const auto& [id, hint] = presets[static_cast<std::size_t>(n)];
    text.push_back(std::to_string(first + n) + ":" + std::to_string(id) + ":" + hint);
  }
  return text;
}

std::vector<std::pair<int, std::string>> TreeStations() {
  std::vector<std::pair<int, std::string>> stations;
  for (int n = 1; n <= kChannelButtonCount; ++n) stations.emplace_back(200 + n, "Station " + std::to_string(n));
  return stations;
}

const std::vector<std::pair<int, std::string>> kNothing(kChannelButtonCount, {0, ""});

class ChannelsTest : public ::testing::Test {
 protected:
  void SetUp() override { BuildTree(editor_.tree(), TreeText()); }

  std::filesystem::path UserIni() const { return dir_ / "User.ini"; }

  TempDir dir_;
  FakePrompts prompts_;
  TreeEditor editor_{dir_.path(), prompts_};
  ChannelButtons buttons_{UserIni(), editor_};
  ChannelDialog dialog_{UserIni()};
};

// A preset value is cut at its first "-"; an ID that is not a number is 0.
TEST(ChannelValueTest, CutAtFirstDash) {
  struct Case {
    const char* value;
    int id;
    const char* hint;
  };
  const Case cases[] = {
      {"123-Radio X", 123, "Radio X"},
      {"45-A-B", 45, "A-B"},
      {"abc-Name", 0, "Name"},
      {"77", 77, ""},
      {"", 0, ""},
      {"-Name", 0, "Name"},
  };
  for (const Case& c : cases) {
    const ChannelLabel label = ParseChannelValue(c.value);
    EXPECT_EQ(label.station_id, c.id) << c.value;
    EXPECT_EQ(label.hint, c.hint) << c.value;
  }
}

// Until User.ini holds a preset, buttons 1..10 play the channels tree's
// first ten stations, and every page shows the same ten.
TEST_F(ChannelsTest, NoPresetsUseChannelsTreeOnEveryPage) {
  const std::optional<std::string> files[] = {std::nullopt, "[Setting]\r\nSkin=Blue\r\n", "[Channel]\r\n"};
  for (const auto& content : files) {
    SCOPED_TRACE(content.value_or("no file"));
    if (content) WriteFile(UserIni(), *content);
    ChannelButtons buttons(UserIni(), editor_);
    buttons.NumberChannels(1);
    buttons.ReloadChannels();
    EXPECT_EQ(Describe(buttons), Expected(1, TreeStations()));
    EXPECT_TRUE(buttons.PageDown());
    EXPECT_EQ(Describe(buttons), Expected(11, TreeStations()));
  }
}

// Once one preset is set, every channel without one plays nothing, whatever
// the channels tree holds.
TEST_F(ChannelsTest, OnePresetSilencesTheRest) {
  editor_.Select(NodeNamed(editor_.tree(), "Radio Rock"));
  ASSERT_TRUE(dialog_.Open(editor_));
  dialog_.Choose(2);
  ASSERT_TRUE(dialog_.Set());

  buttons_.NumberChannels(1);
  buttons_.ReloadChannels();
  std::vector<std::pair<int, std::string>> expected = kNothing;
  expected[2] = {100007, "Radio Rock"};
  EXPECT_EQ(Describe(buttons_), Expected(1, expected));
  EXPECT_TRUE(buttons_.PageDown());
  EXPECT_EQ(Describe(buttons_), Expected(11, kNothing));
}

// Paging moves by ten within 1..90 and refuses to go past either end; a
// first number that is not set reads as page 1.
TEST_F(ChannelsTest, PagingStaysWithinOneToNinety) {
  WriteFile(UserIni(), "[Channel]\r\n85=9-Last\r\n");
  EXPECT_TRUE(buttons_.PageDown());
  EXPECT_EQ(buttons_.page(), 11);

  buttons_.NumberChannels(81);
  EXPECT_FALSE(buttons_.PageDown());
  EXPECT_EQ(buttons_.page(), 81);

  buttons_.NumberChannels(71);
  EXPECT_TRUE(buttons_.PageDown());
  EXPECT_EQ(buttons_.labels()[4].caption, "85");
  EXPECT_EQ(buttons_.labels()[4].station_id, 9);

  buttons_.NumberChannels(11);
  EXPECT_TRUE(buttons_.PageUp());
  EXPECT_EQ(buttons_.page(), 1);
  EXPECT_FALSE(buttons_.PageUp());
  EXPECT_EQ(buttons_.page(), 1);
}

// Each Set takes the next number; after channel 90 the reopened dialog has
// no number chosen and Set changes nothing until one is.
TEST_F(ChannelsTest, DialogWalksThroughNumbers) {
  WriteFile(UserIni(), "[Channel]\r\n2=5-Old\r\n");
  EXPECT_EQ(ChannelDialog::Numbers().front(), "1");
  EXPECT_EQ(ChannelDialog::Numbers().size(), 90u);
  editor_.Select(NodeNamed(editor_.tree(), "Station 3"));
  ASSERT_TRUE(dialog_.Open(editor_));
  EXPECT_EQ(dialog_.new_text(), "203-Station 3");
  EXPECT_EQ(dialog_.selected_index(), 0);  // no LastNum yet
  EXPECT_EQ(dialog_.old_text(), "");

  ASSERT_TRUE(dialog_.Set());
  EXPECT_EQ(dialog_.selected_index(), 1);
  EXPECT_EQ(dialog_.old_text(), "5-Old");
  EXPECT_EQ(ReadProfileString(UserIni(), "Channel", "1"), "203-Station 3");
  EXPECT_EQ(ReadProfileString(UserIni(), "Channel", "LastNum"), "0");

  dialog_.Choose(89);
  ASSERT_TRUE(dialog_.Set());
  EXPECT_EQ(dialog_.selected_index(), 0);  // 1 follows 90
  EXPECT_EQ(dialog_.old_text(), "203-Station 3");

  dialog_.Show();
  EXPECT_EQ(dialog_.selected_index(), -1);
  EXPECT_EQ(dialog_.old_text(), "");
  const std::string before = test::ReadFile(UserIni());
  EXPECT_FALSE(dialog_.Set());
  EXPECT_EQ(test::ReadFile(UserIni()), before);
}

// With a group selected the dialog keeps the station taken last, or an
// empty preset, which clears the channel, when none was ever taken.
TEST_F(ChannelsTest, GroupSelectionKeepsLastStation) {
  editor_.Select(NodeNamed(editor_.tree(), "Rock"));
  ASSERT_TRUE(dialog_.Open(editor_));
  EXPECT_EQ(dialog_.new_text(), "");
  ASSERT_TRUE(dialog_.Set());
  EXPECT_EQ(IniFile::FromText(test::ReadFile(UserIni())).Value("Channel", "1"), "");

  editor_.Select(NodeNamed(editor_.tree(), "Radio Rock"));
  ASSERT_TRUE(dialog_.Open(editor_));
  editor_.Select(NodeNamed(editor_.tree(), "Rock"));
  ASSERT_TRUE(dialog_.Open(editor_));
  EXPECT_EQ(dialog_.new_text(), "100007-Radio Rock");
  ASSERT_TRUE(dialog_.Set());
  EXPECT_EQ(ReadProfileString(UserIni(), "Channel", "2"), "100007-Radio Rock");
}

}  // namespace
}  // namespace tazmel
