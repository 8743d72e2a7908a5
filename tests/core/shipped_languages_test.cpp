// The language files the build ships: every slot translated, placeholders
// intact, and valid text in the data code page.
#include <regex>

#include <gtest/gtest.h>

#include "core/code_page.h"
#include "core/ini_file.h"
#include "core/messages.h"

namespace tazmel {
namespace {

std::vector<std::string> Placeholders(const std::string& text) {
  static const std::regex kPattern("%[sd%]");
  std::vector<std::string> found;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), kPattern); it != std::sregex_iterator(); ++it) {
    found.push_back(it->str());
  }
  return found;
}

class ShippedLanguageTest : public ::testing::TestWithParam<const char*> {};

TEST_P(ShippedLanguageTest, CompleteAndValid) {
  const std::filesystem::path file =
      std::filesystem::path(TAZMEL_STAGE_DIR) / "Language" / (std::string(GetParam()) + ".ini");
  IniFile ini;
  ASSERT_EQ(ini.Load(file), IniFile::LoadStatus::kLoaded) << file;
  EXPECT_EQ(GbToUtf8(ini.Text()).find("\xEF\xBF\xBD"), std::string::npos) << "not valid GB18030";
  EXPECT_FALSE(ini.ReadString("Info", "Language").empty());
  for (int slot = 1; slot <= MessageSlots::kCount; ++slot) {
    const std::string text = ini.ReadString("Strings", std::to_string(slot));
    EXPECT_FALSE(text.empty()) << "slot " << slot;
    const std::string english(MessageSlots::EnglishDefault(slot));
    EXPECT_EQ(Placeholders(text), Placeholders(english)) << "slot " << slot;
    if (std::string(GetParam()) == "eng") {
      EXPECT_EQ(text, english) << "slot " << slot;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Languages, ShippedLanguageTest, ::testing::Values("eng", "chs", "cht"));

}  // namespace
}  // namespace tazmel
