#include "platform/autostart.h"

#include <gtest/gtest.h>

#include "core/file_utils.h"
#include "support/scoped_env.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

// Plain arguments stay as they are; anything else is quoted with the Exec
// escapes, and backslashes doubled again for the string value.
TEST(AutostartTest, ExecArgumentsAreQuoted) {
  struct Case {
    std::string_view argument;
    std::string_view quoted;
  } cases[] = {{"/usr/bin/tazmel", "/usr/bin/tazmel"},
               {"/opt/my apps/tazmel", "\"/opt/my apps/tazmel\""},
               {"/a$b", "\"/a\\\\$b\""},
               {"/a\"b", "\"/a\\\\\"b\""},
               {"/a\\b", "\"/a\\\\\\\\b\""},
               {"/100%", "\"/100%%\""},
               {"", "\"\""}};
  for (const Case& c : cases) EXPECT_EQ(QuoteExecArgument(c.argument), c.quoted) << c.argument;
}

// The entry names the program, and carries TAZMEL_HOME when it was set.
TEST(AutostartTest, EntryWrittenAndRemoved) {
  test::TempDir dir;
  const test::ScopedEnv config("XDG_CONFIG_HOME", (dir / "config").string());
  const std::filesystem::path file = AutostartFile();
  EXPECT_EQ(file, dir / "config" / "autostart" / "tazmel.desktop");
  EXPECT_FALSE(AutostartExists(file));

  const std::string text = AutostartEntry("Tazmel", "/opt/my apps/tazmel", std::filesystem::path("/home/u/radio"));
  EXPECT_NE(text.find("\nExec=env TAZMEL_HOME=/home/u/radio \"/opt/my apps/tazmel\"\n"), std::string::npos) << text;
  EXPECT_TRUE(text.starts_with("[Desktop Entry]\nType=Application\nName=Tazmel\n"));
  EXPECT_NE(AutostartEntry("Tazmel", "/usr/bin/tazmel", std::nullopt).find("\nExec=/usr/bin/tazmel\n"),
            std::string::npos);

  ASSERT_TRUE(WriteAutostart(text, file));
  EXPECT_TRUE(AutostartExists(file));
  EXPECT_EQ(ReadWholeFile(file), text);
  EXPECT_TRUE(RemoveAutostart(file));
  EXPECT_FALSE(AutostartExists(file));
  EXPECT_TRUE(RemoveAutostart(file));
}

}  // namespace
}  // namespace tazmel
