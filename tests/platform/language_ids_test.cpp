#include "platform/language_ids.h"

#include <optional>

#include <gtest/gtest.h>

namespace tazmel {
namespace {

// Locale names map to the identifiers the language choice depends on.
TEST(LanguageIdTest, FromLocale) {
  struct Case {
    const char* locale;
    int id;
  } cases[] = {
      {"zh_CN.UTF-8", 2052}, {"zh_TW.UTF-8", 1028},   {"zh_HK.UTF-8", 3076},
      {"zh_SG", 4100},       {"zh_MO.UTF-8", 5124},   {"en_US.UTF-8", 1033},
      {"en_GB", 0x0809},     {"de_AT@euro", 0x0C07},  {"de", 0x0407},
      {"de_XX", 0x0407},     {"sr_RS@latin", 0x081A}, {"sr_RS", 0x0C1A},
      {"C", 1033},           {"POSIX", 1033},         {"", 1033},
      {"xx_YY", 1033},       {"ja_JP.eucJP", 0x0411}, {"zh", 2052},
      {"zh_MY.UTF-8", 2052},
  };
  for (const Case& c : cases) EXPECT_EQ(LanguageIdFromLocale(c.locale), c.id) << c.locale;
}

// LC_ALL wins over LC_MESSAGES, which wins over LANG; empty values skip.
TEST(LanguageIdTest, LocaleVariablesInOrder) {
  std::vector<std::pair<const char*, std::optional<std::string>>> saved;
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = getenv(name);
    saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
  }
  setenv("LANG", "zh_CN.UTF-8", 1);
  setenv("LC_MESSAGES", "", 1);
  setenv("LC_ALL", "", 1);
  EXPECT_EQ(SystemDefaultLanguageId(), 2052);
  setenv("LC_MESSAGES", "zh_TW.UTF-8", 1);
  EXPECT_EQ(SystemDefaultLanguageId(), 1028);
  setenv("LC_ALL", "fr_FR.UTF-8", 1);
  EXPECT_EQ(SystemDefaultLanguageId(), 0x040C);
  for (const auto& [name, value] : saved) {
    if (value) {
      setenv(name, value->c_str(), 1);
    } else {
      unsetenv(name);
    }
  }
}

TEST(LanguageNamesTest, OfferedListAndCutting) {
  ASSERT_EQ(OfferedLanguages().size(), 106u);
  EXPECT_EQ(OfferedLanguages()[0].id, 0x0436);
  EXPECT_EQ(OfferedLanguages()[105].id, 0x042A);
  EXPECT_EQ(LanguageName(0x0804), "Chinese (PRC)");

  const std::vector<std::string> names = LanguageNames(0x0804);
  // The user's own language comes first, cut before "(" with the blank.
  EXPECT_EQ(names[0], "Chinese ");
  EXPECT_EQ(std::count(names.begin(), names.end(), "Chinese "), 1);
  EXPECT_EQ(std::count(names.begin(), names.end(), "Arabic "), 1);
  EXPECT_EQ(names[1], "Afrikaans");
  EXPECT_NE(std::find(names.begin(), names.end(), "Vietnamese"), names.end());
  EXPECT_EQ(LanguageNames(0)[0], "Afrikaans");
}

}  // namespace
}  // namespace tazmel
