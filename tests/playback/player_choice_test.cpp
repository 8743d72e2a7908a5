#include "playback/player_choice.h"

#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "playback/scripted_players.h"

namespace tazmel {
namespace {

using test::ScriptedFactory;

// Controls are named by one letter: R RealPlayer, 6 WMP 6.4, 9 WMP 9; '-'
// for no control at all.
char Letter(PlayerId id) {
  switch (id) {
    case PlayerId::kReal:
      return 'R';
    case PlayerId::kWmp6:
      return '6';
    case PlayerId::kWmp9:
      return '9';
    case PlayerId::kNone:
      return '-';
  }
  return '?';
}

bool Names(std::string_view letters, char control) { return letters.find(control) != std::string_view::npos; }

struct ChoiceCase {
  char kind;                   // requested, after classification
  std::string_view existing;   // controls created by earlier choices
  std::string_view creatable;  // controls the factory can make now
  bool wmp9_installed;
  char player;  // expected control letter
  char used;    // expected kind actually used
};

// Runs one choice on a fresh set that already holds `existing`.
void Check(const ChoiceCase& c) {
  SCOPED_TRACE(std::string("kind ") + c.kind + ", existing '" + std::string(c.existing) + "', creatable '" +
               std::string(c.creatable) + "', wmp9 installed " + (c.wmp9_installed ? "yes" : "no"));
  ScriptedFactory factory;
  PlayerSet players;
  if (Names(c.existing, 'R')) players.real = factory.CreateRealPlayer();
  if (Names(c.existing, '6')) players.wmp6 = factory.CreateWmp6();
  if (Names(c.existing, '9')) players.wmp9 = factory.CreateWmp9();
  const RealPlayerControl* real_before = players.real.get();
  const Wmp6Control* wmp6_before = players.wmp6.get();
  const Wmp9Control* wmp9_before = players.wmp9.get();
  factory.real_creatable = Names(c.creatable, 'R');
  factory.wmp6_creatable = Names(c.creatable, '6');
  factory.wmp9_creatable = Names(c.creatable, '9');

  const PlayerChoice choice = ChoosePlayer(MediaKindFromDigit(c.kind), players, factory, c.wmp9_installed);

  EXPECT_EQ(Letter(choice.player), c.player);
  EXPECT_EQ(MediaKindDigit(choice.kind), c.used);
  // The chosen control is one the set holds.
  EXPECT_TRUE(choice.player != PlayerId::kReal || players.real);
  EXPECT_TRUE(choice.player != PlayerId::kWmp6 || players.wmp6);
  EXPECT_TRUE(choice.player != PlayerId::kWmp9 || players.wmp9);
  // Only one Windows Media control ever exists, and existing controls are
  // reused rather than replaced.
  EXPECT_FALSE(players.wmp6 && players.wmp9);
  EXPECT_TRUE(!real_before || players.real.get() == real_before);
  EXPECT_TRUE(!wmp6_before || players.wmp6.get() == wmp6_before);
  EXPECT_TRUE(!wmp9_before || players.wmp9.get() == wmp9_before);
}

// Starting with no control, every combination of what can be created picks
// the control the fallbacks lead to.
TEST(ChoosePlayerTest, CreatesWithFallbacks) {
  const ChoiceCase cases[] = {
      // RealPlayer requested: itself, else the version-appropriate Windows
      // Media control, else nothing.
      {'1', "", "R69", true, 'R', '1'},
      {'1', "", "R6-", true, 'R', '1'},
      {'1', "", "R-9", true, 'R', '1'},
      {'1', "", "R--", true, 'R', '1'},
      {'1', "", "-69", true, '9', '4'},
      {'1', "", "-6-", true, '-', '1'},
      {'1', "", "--9", true, '9', '4'},
      {'1', "", "---", true, '-', '1'},
      {'1', "", "-69", false, '6', '3'},
      {'1', "", "--9", false, '-', '1'},
      // Windows Media or unknown: WMP 9 when installed, else WMP 6.4; when
      // that fails, RealPlayer.
      {'2', "", "R69", true, '9', '4'},
      {'2', "", "R6-", true, 'R', '1'},
      {'2', "", "R-9", true, '9', '4'},
      {'2', "", "R--", true, 'R', '1'},
      {'2', "", "-69", true, '9', '4'},
      {'2', "", "-6-", true, '-', '1'},
      {'2', "", "--9", true, '9', '4'},
      {'2', "", "---", true, '-', '1'},
      {'2', "", "R69", false, '6', '3'},
      {'2', "", "R6-", false, '6', '3'},
      {'2', "", "R-9", false, 'R', '1'},
      {'2', "", "R--", false, 'R', '1'},
      {'2', "", "-69", false, '6', '3'},
      {'2', "", "-6-", false, '6', '3'},
      {'2', "", "--9", false, '-', '1'},
      {'2', "", "---", false, '-', '1'},
      {'0', "", "R69", true, '9', '4'},
      {'0', "", "R--", false, 'R', '1'},
      // WMP 6.4 requested: itself, else WMP 9, else RealPlayer.
      {'3', "", "R69", true, '6', '3'},
      {'3', "", "R6-", true, '6', '3'},
      {'3', "", "R-9", true, '9', '4'},
      {'3', "", "R--", true, 'R', '1'},
      {'3', "", "-69", true, '6', '3'},
      {'3', "", "-6-", true, '6', '3'},
      {'3', "", "--9", true, '9', '4'},
      {'3', "", "---", true, '-', '1'},
      {'3', "", "R--", false, 'R', '1'},
      // WMP 9 requested: itself, else as for Windows Media.
      {'4', "", "R69", true, '9', '4'},
      {'4', "", "R6-", true, 'R', '1'},
      {'4', "", "R-9", true, '9', '4'},
      {'4', "", "R--", true, 'R', '1'},
      {'4', "", "-69", true, '9', '4'},
      {'4', "", "-6-", true, '-', '1'},
      {'4', "", "--9", true, '9', '4'},
      {'4', "", "---", true, '-', '1'},
      {'4', "", "R6-", false, '6', '3'},
      {'4', "", "-6-", false, '6', '3'},
  };
  for (const ChoiceCase& c : cases) Check(c);
}

// A control created earlier serves later requests, whatever they ask for.
TEST(ChoosePlayerTest, ReusesExistingControls) {
  const ChoiceCase cases[] = {
      {'3', "9", "R69", true, '9', '4'},  // a "WMP6" station after WMP 9 exists
      {'4', "6", "R69", true, '6', '3'},  // a "WMP9" station after WMP 6.4 exists
      {'3', "6", "---", true, '6', '3'},  {'4', "9", "---", true, '9', '4'},
      {'2', "6", "R69", true, '6', '3'},  // installed WMP 9 is not created beside 6.4
      {'0', "9", "---", false, '9', '4'}, {'1', "R", "---", true, 'R', '1'},
      {'2', "R", "---", true, 'R', '1'},  // nothing Windows Media can be made
      {'1', "R9", "---", true, 'R', '1'}, {'2', "R9", "---", true, '9', '4'},
  };
  for (const ChoiceCase& c : cases) Check(c);
}

}  // namespace
}  // namespace tazmel
