#include "core/messages.h"

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace tazmel {
namespace {

using test::TempDir;
using test::WriteFile;

TEST(MessageSlotsTest, EnglishDefaults) {
  MessageSlots slots;
  EXPECT_EQ(slots.Text(1), "Question");
  EXPECT_EQ(slots.Text(44), "Trcack Equation Tune");
  EXPECT_EQ(slots.Text(56), "Really Delete \"%s\" ?");
  EXPECT_EQ(slots.Text(139), "Microphone");
  EXPECT_EQ(slots.Text(0), "");
  EXPECT_EQ(slots.Text(150), "Next try in %s s");
  EXPECT_EQ(slots.Text(MessageSlots::kCount + 1), "");
}

// A file sets only slots it has non-empty texts for; a later file keeps
// what it lacks; a missing file changes nothing and still succeeds.
TEST(MessageSlotsTest, LoadingRules) {
  TempDir dir;
  WriteFile(dir / "chs.ini", "[Strings]\r\n18=\xB2\xA5\xB7\xC5\r\n63=\xB1\xA3\xB4\xE6?\r\n2=\r\n");
  WriteFile(dir / "eng.ini", "[Strings]\r\n18=Play it\r\n");
  MessageSlots slots;
  ASSERT_TRUE(slots.Load(dir / "missing.ini"));
  EXPECT_EQ(slots.Text(18), "Play");

  ASSERT_TRUE(slots.Load(dir / "chs.ini"));
  EXPECT_EQ(slots.Text(18), "\xB2\xA5\xB7\xC5");
  EXPECT_EQ(slots.Text(2), "Information");
  EXPECT_EQ(slots.Text(17), "Pause");

  ASSERT_TRUE(slots.Load(dir / "eng.ini"));
  EXPECT_EQ(slots.Text(18), "Play it");
  EXPECT_EQ(slots.Text(63), "\xB1\xA3\xB4\xE6?");
}

TEST(MessageSlotsTest, UnreadableFileFailsAndChangesNothing) {
  TempDir dir;
  std::filesystem::create_directory(dir / "eng.ini");
  MessageSlots slots;
  EXPECT_FALSE(slots.Load(dir / "eng.ini"));
  EXPECT_EQ(slots.Text(18), "Play");
}

TEST(ChooseLanguageTest, Table) {
  struct Case {
    const char* cur_lng;
    int system_id;
    const char* code;
  } cases[] = {
      {"", 1028, "cht"},
      {"", 3076, "cht"},
      {"", 4100, "cht"},
      {"", 5124, "cht"},
      {"", 2052, "chs"},
      {"", 1033, "eng"},
      {"", 1031, "eng"},
      {"eng", 2052, "eng"},
      {"chs", 1033, "chs"},
      // A code that is not a plain name would reach outside the folders.
      {"../../etc", 2052, "chs"},
      {"a/b", 1033, "eng"},
      {"..", 1028, "cht"},
  };
  for (const Case& c : cases) EXPECT_EQ(ChooseLanguage(c.cur_lng, c.system_id), c.code) << c.system_id;
}

// Only files that name their language are offered.
TEST(ListLanguagesTest, NeedsInfoLanguage) {
  TempDir dir;
  WriteFile(dir / "eng.ini", "[Info]\r\nLanguage=English\r\n");
  WriteFile(dir / "chs.ini", "[Info]\r\nLanguage=\xBC\xF2\xCC\xE5\r\n");
  WriteFile(dir / "xx.ini", "[Strings]\r\n1=Q\r\n");
  WriteFile(dir / "notes.txt", "[Info]\r\nLanguage=No\r\n");
  std::vector<LanguageChoice> list = ListLanguages(dir.path());
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].code, "chs");
  EXPECT_EQ(list[1].code, "eng");
  EXPECT_EQ(list[1].name, "English");
}

}  // namespace
}  // namespace tazmel
