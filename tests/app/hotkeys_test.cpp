#include "settings/hotkeys.h"

#include <gtest/gtest.h>

#include "settings/settings.h"

namespace tazmel {
namespace {

// Every named key shows its name and parses back to the same pair, with
// each modifier combination; a nameless key shows the modifiers only.
TEST(HotkeyTextTest, EveryNamedKeyRoundTrips) {
  struct Case {
    int key;
    std::string_view name;
  } cases[] = {{33, "Page Up"}, {34, "Page Down"}, {35, "End"},    {36, "Home"},   {37, "Left"},   {38, "Up"},
               {39, "Right"},   {40, "Down"},      {48, "0"},      {57, "9"},      {65, "A"},      {90, "Z"},
               {96, "Num 0"},   {101, "Num 5"},    {105, "Num 9"}, {106, "Num *"}, {107, "Num +"}, {109, "Num -"},
               {110, "Num ."},  {111, "Num /"},    {112, "F1"},    {121, "F10"},   {123, "F12"},   {186, ";"},
               {187, "="},      {188, ","},        {189, "-"},     {190, "."},     {191, "/"},     {192, "`"},
               {219, "["},      {220, "\\"},       {221, "]"},     {222, "'"}};
  for (const Case& c : cases) {
    EXPECT_EQ(KeyName(c.key), c.name) << c.key;
    for (int modifiers = 0; modifiers <= 7; ++modifiers) {
      const std::string text = HotkeyText(modifiers, c.key);
      EXPECT_EQ(ParseHotkeyText(text), (HotkeyBinding{modifiers, c.key})) << text;
    }
  }
  for (int nameless : {8, 19, 41, 47, 58, 64, 91, 108, 124, 185, 193, 223}) {
    EXPECT_EQ(KeyName(nameless), "") << nameless;
  }
  EXPECT_EQ(HotkeyText(3, 19), "Ctrl + Alt + ");
  EXPECT_EQ(ParseHotkeyText(HotkeyText(3, 19)), (HotkeyBinding{3, 0}));
}

// The texts of the fixed examples and the odd ones.
TEST(HotkeyTextTest, TextsAndParses) {
  EXPECT_EQ(HotkeyText(3, 0x50), "Ctrl + Alt + P");
  EXPECT_EQ(HotkeyText(4, 0x41), "Shift + A");
  EXPECT_EQ(HotkeyText(7, 0x41), "Ctrl + Alt + Shift + A");
  EXPECT_EQ(HotkeyText(0, 0), "");
  struct Case {
    std::string_view text;
    HotkeyBinding binding;
  } cases[] = {{"Ctrl + Alt + Num 5", {3, 101}},
               {"Ctrl + F10", {2, 121}},
               {"", {0, 0}},
               {"Shift + A", {4, 0x41}},
               {"Ctrl + Alt + Num x", {3, 0}},
               {"Ctrl + Fx", {2, 0}},
               {"Ctrl + a", {2, 0}},
               {"Ctrl + Alt + Num +", {3, 107}},
               {"Alt + Bogus", {1, 0}},
               {"F5", {0, 116}}};
  for (const Case& c : cases) EXPECT_EQ(ParseHotkeyText(c.text), c.binding) << c.text;
}

// Settings values: a part that is not a number takes the table default; a
// present empty value is no hotkey, written back as "0,0".
TEST(HotkeyTextTest, SettingsValues) {
  const TDefHotkey& play = DefaultHotkeys()[0];
  struct Case {
    std::optional<std::string> value;
    HotkeyBinding binding;
  } cases[] = {{"3,80", {3, 80}},         {"3,", {3, 0x50}}, {",80", {3, 80}},  {"", {0, 0}},
               {std::nullopt, {3, 0x50}}, {"1,65", {1, 65}}, {"x,y", {3, 0x50}}};
  for (const Case& c : cases) EXPECT_EQ(ParseHotkeyValue(c.value, play), c.binding) << c.value.value_or("<absent>");
  EXPECT_EQ(FormatHotkeyValue({0, 0}), "0,0");
}

// Only combinations with Ctrl or Alt, or function keys, are grabbed
// system-wide; plain and Shift-only typing keys never are.
TEST(HotkeyTextTest, GlobalCombinations) {
  struct Case {
    HotkeyBinding binding;
    bool global;
  } cases[] = {{{3, 0x50}, true}, {{2, 0x50}, true},  {{1, 0x50}, true}, {{0, 116}, true},
               {{4, 116}, true},  {{4, 0x41}, false}, {{0, 65}, false},  {{0, 0}, false},
               {{3, 0}, false},   {{3, 19}, false},   {{0, 37}, false}};
  for (const Case& c : cases) {
    EXPECT_EQ(IsGlobalCombination(c.binding), c.global) << c.binding.modifiers << "," << c.binding.key;
  }
}

// A pressed combination runs the first entry in test order; Record comes
// before IncVol; main-window shortcuts compare the key only.
TEST(HotkeyTextTest, Dispatch) {
  HotkeyBindings bindings = DefaultHotkeyBindings();
  EXPECT_EQ(FindHotkey(bindings, {3, 0x50}), 0);
  EXPECT_EQ(FindHotkey(bindings, {3, 0x60}), 18);
  EXPECT_EQ(FindHotkey(bindings, {2, 0x50}), std::nullopt);
  EXPECT_EQ(FindHotkey(bindings, {0, 0}), std::nullopt);
  bindings[5] = {3, 0x52};  // IncVol on Record's combination
  EXPECT_EQ(FindHotkey(bindings, {3, 0x52}), 7);
  EXPECT_EQ(FindWindowShortcut(bindings, 0x50), 0);
  EXPECT_EQ(FindWindowShortcut(bindings, 0x48), 8);
  EXPECT_EQ(FindWindowShortcut(bindings, 0x52), 7);
  EXPECT_EQ(FindWindowShortcut(bindings, 0), std::nullopt);
}

// The capture field: a plain named key gets Ctrl + Alt, F5 stays alone,
// modifiers alone leave a text ending in a blank.
TEST(HotkeyTextTest, CaptureTexts) {
  EXPECT_EQ(CaptureText(0, 'P'), "Ctrl + Alt + P");
  EXPECT_EQ(CaptureText(0, 116), "F5");
  EXPECT_EQ(CaptureText(4, 'P'), "Shift + P");
  EXPECT_EQ(CaptureText(kModCtrl, 0), "Ctrl + ");
  EXPECT_EQ(CaptureText(0, 19), "");
}

}  // namespace
}  // namespace tazmel
