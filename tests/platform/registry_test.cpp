#include "platform/registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/scoped_env.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

constexpr std::string_view kKey = "HKEY_CURRENT_USER\\Software\\Tazmel\\Test";

class RegistryTest : public ::testing::Test {
 protected:
  test::TempDir dir_;
  std::filesystem::path file_ = dir_ / "config" / "tazmel" / "registry.ini";
};

// A missing file is an empty registry.
TEST_F(RegistryTest, MissingFileIsEmpty) {
  const Registry registry(file_);
  EXPECT_FALSE(registry.KeyExists(kKey));
  EXPECT_EQ(registry.ReadString(kKey, "Name"), std::nullopt);
  EXPECT_EQ(registry.ReadInteger(kKey, "Name"), std::nullopt);
  EXPECT_FALSE(registry.ReadBool(kKey, "Name"));
  EXPECT_FALSE(std::filesystem::exists(file_));
}

// Writes create the folder and the file, keep other values, and a new
// instance reads them back; keys and names ignore case.
TEST_F(RegistryTest, WritesPersist) {
  Registry registry(file_);
  ASSERT_TRUE(registry.WriteString(kKey, "ProxyServer", "host:3128"));
  ASSERT_TRUE(registry.WriteInteger(kKey, "ProxyEnable", 1));
  ASSERT_TRUE(registry.WriteString(kKey, Registry::kDefaultValue, "default"));
  ASSERT_TRUE(registry.WriteString("HKEY_CURRENT_USER\\Other", "x", "\xC4\xE3"));

  const Registry reread(file_);
  const std::string lower_key = "hkey_current_user\\software\\tazmel\\TEST";
  EXPECT_TRUE(reread.KeyExists(lower_key));
  EXPECT_EQ(reread.ReadString(lower_key, "proxyserver"), "host:3128");
  EXPECT_EQ(reread.ReadInteger(kKey, "ProxyEnable"), 1);
  EXPECT_EQ(reread.ReadString(kKey, "@"), "default");
  EXPECT_EQ(reread.ReadString("HKEY_CURRENT_USER\\Other", "x"), "\xC4\xE3");
}

// Integers are decimal; a flag is any non-zero integer.
TEST_F(RegistryTest, IntegersAndFlags) {
  test::WriteFile(file_, "[K]\r\nOne=1\r\nZero=0\r\nMinus=-1\r\nSpaced= 42 \r\nWord=yes\r\nEmpty=\r\n");
  const Registry registry(file_);
  struct Case {
    std::string_view name;
    std::optional<int> number;
    bool flag;
  } cases[] = {{"One", 1, true},    {"Zero", 0, false},   {"Minus", -1, true},  {"Spaced", 42, true},
               {"Word", {}, false}, {"Empty", {}, false}, {"Absent", {}, false}};
  for (const Case& c : cases) {
    EXPECT_EQ(registry.ReadInteger("K", c.name), c.number) << c.name;
    EXPECT_EQ(registry.ReadBool("K", c.name), c.flag) << c.name;
  }
}

// A key can exist without values, survives a reload, and creating it again
// keeps what it holds.
TEST_F(RegistryTest, CreateKey) {
  Registry registry(file_);
  ASSERT_TRUE(registry.WriteString("HKEY_CLASSES_ROOT\\A", "v", "1"));
  ASSERT_TRUE(registry.CreateKey(kKey));
  ASSERT_TRUE(registry.CreateKey("HKEY_CLASSES_ROOT\\a"));
  EXPECT_FALSE(registry.CreateKey(""));
  EXPECT_FALSE(registry.CreateKey("bad]key"));

  const Registry reread(file_);
  EXPECT_TRUE(reread.KeyExists(kKey));
  EXPECT_EQ(reread.ReadString(kKey, "anything"), std::nullopt);
  EXPECT_EQ(reread.ReadString("HKEY_CLASSES_ROOT\\A", "v"), "1");
}

// Something at the path that cannot be read as a file is never replaced.
TEST_F(RegistryTest, UnreadableFileIsNotOverwritten) {
  std::filesystem::create_directories(file_.parent_path());
  ASSERT_EQ(::mkfifo(file_.c_str(), 0600), 0);
  Registry registry(file_);
  EXPECT_FALSE(registry.WriteString(kKey, "v", "1"));
  EXPECT_FALSE(registry.CreateKey("HKEY_CLASSES_ROOT\\B"));
  EXPECT_TRUE(std::filesystem::is_fifo(file_));
  // The change still holds for this run.
  EXPECT_EQ(registry.ReadString(kKey, "v"), "1");
}

// The file lives under XDG_CONFIG_HOME when that is absolute, else under
// ~/.config.
TEST_F(RegistryTest, DefaultFileFollowsXdg) {
  test::ScopedEnv home("HOME", "/home/someone");
  struct Case {
    std::optional<std::string> config_home;
    std::filesystem::path file;
  } cases[] = {
      {"/xdg/config", "/xdg/config/tazmel/registry.ini"},
      {std::nullopt, "/home/someone/.config/tazmel/registry.ini"},
      {"", "/home/someone/.config/tazmel/registry.ini"},
      {"relative/config", "/home/someone/.config/tazmel/registry.ini"},
  };
  for (const Case& c : cases) {
    test::ScopedEnv config_home("XDG_CONFIG_HOME", c.config_home);
    EXPECT_EQ(Registry::DefaultFile(), c.file) << c.config_home.value_or("(unset)");
  }
}

// Writes inside a batch reach the file once, when the outermost batch
// commits; a save that fails is reported there.
TEST_F(RegistryTest, BatchSavesOnce) {
  Registry registry(file_);
  {
    Registry::Batch outer(registry);
    {
      Registry::Batch inner(registry);
      EXPECT_TRUE(registry.WriteString(kKey, "a", "1"));
      EXPECT_TRUE(inner.Commit());
    }
    EXPECT_TRUE(registry.WriteInteger(kKey, "b", 2));
    EXPECT_FALSE(std::filesystem::exists(file_));
    EXPECT_TRUE(outer.Commit());
  }
  const Registry reread(file_);
  EXPECT_EQ(reread.ReadString(kKey, "a"), "1");
  EXPECT_EQ(reread.ReadInteger(kKey, "b"), 2);

  // A plain file where the folder should be: the save fails at the commit.
  test::WriteFile(dir_ / "plain", "x");
  Registry blocked(dir_ / "plain" / "registry.ini");
  Registry::Batch batch(blocked);
  EXPECT_TRUE(blocked.WriteString(kKey, "a", "1"));
  EXPECT_FALSE(batch.Commit());
  EXPECT_TRUE(batch.Commit());  // once only
}

}  // namespace
}  // namespace tazmel
