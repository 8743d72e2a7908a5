#include "core/ini_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace tazmel {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

constexpr char kSample[] =
    "; comment line\r\n"
    "[Options]\r\n"
    "  RetryNum = 5  \r\n"
    "retrynum=9\r\n"
    "Empty=\r\n"
    "odd line without equals\r\n"
    "Url=http://a/b?c=d\r\n"
    "\r\n"
    "[ player ]\r\n"
    "Volume=\t70\r\n"
    "[OPTIONS]\r\n"
    "Late=1\r\n";

// Lookups ignore ASCII case, trim blanks, take the first occurrence of both
// section and key, and keep "=" inside values.
TEST(IniFileTest, ReadRules) {
  IniFile ini = IniFile::FromText(kSample);
  struct Case {
    const char *section, *key;
    std::optional<std::string> value;
  } cases[] = {
      {"options", "RETRYNUM", "5"},
      {"Options", "Empty", ""},
      {"Options", "Url", "http://a/b?c=d"},
      {"Player", "volume", "70"},
      {"Options", "Late", std::nullopt},  // second [OPTIONS] is shadowed
      {"Options", "odd line without equals", std::nullopt},
      {"Missing", "Key", std::nullopt},
      {"Options", "; comment line", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ini.Value(c.section, c.key), c.value) << c.section << "/" << c.key;
}

TEST(IniFileTest, TypedReadsAndDefaults) {
  IniFile ini = IniFile::FromText("[S]\nInt=12\nBad=12abc\nNeg=-3\nBool=2\nZero=0\nBlank=\n");
  EXPECT_EQ(ini.ReadInteger("S", "Int", 7), 12);
  EXPECT_EQ(ini.ReadInteger("S", "Bad", 7), 7);
  EXPECT_EQ(ini.ReadInteger("S", "Neg", 7), -3);
  EXPECT_EQ(ini.ReadInteger("S", "Blank", 7), 7);
  EXPECT_EQ(ini.ReadInteger("S", "Missing", 7), 7);
  EXPECT_TRUE(ini.ReadBool("S", "Bool", false));
  EXPECT_FALSE(ini.ReadBool("S", "Zero", true));
  EXPECT_TRUE(ini.ReadBool("S", "Missing", true));
  EXPECT_EQ(ini.ReadString("S", "Missing", "dflt"), "dflt");
  EXPECT_EQ(ini.ReadString("S", "Blank", "dflt"), "");  // present, empty
}

// Writing changes only the line it must; everything else stays byte for
// byte, including LF-only lines and a last line without a line end.
TEST(IniFileTest, WriteKeepsOtherLines) {
  IniFile ini = IniFile::FromText(kSample);
  ASSERT_TRUE(ini.WriteString("OPTIONS", "retrynum", "6"));
  std::string expected = kSample;
  expected.replace(expected.find("  RetryNum = 5  "), 16, "retrynum=6");
  EXPECT_EQ(ini.Text(), expected);

  IniFile mixed = IniFile::FromText("[A]\nx=1\n\n[B]\ny=2");
  mixed.WriteString("A", "z", "3");
  mixed.WriteString("B", "w", "4");
  EXPECT_EQ(mixed.Text(), "[A]\nx=1\nz=3\r\n\n[B]\ny=2\r\nw=4\r\n");
}

TEST(IniFileTest, WriteAppendsMissingSectionAtEnd) {
  IniFile ini = IniFile::FromText("[A]\r\nx=1");
  ini.WriteString("New", "k", "v");
  EXPECT_EQ(ini.Text(), "[A]\r\nx=1\r\n\r\n[New]\r\nk=v\r\n");
  IniFile empty;
  empty.WriteString("S", "k", "");
  EXPECT_EQ(empty.Text(), "[S]\r\nk=\r\n");
  EXPECT_EQ(empty.Value("S", "k"), "");
}

// Names that cannot be stored are refused; values cannot add lines.
TEST(IniFileTest, WriteRejectsInjection) {
  IniFile ini;
  EXPECT_FALSE(ini.WriteString("", "k", "v"));
  EXPECT_FALSE(ini.WriteString("S", "", "v"));
  EXPECT_FALSE(ini.WriteString("S]x", "k", "v"));
  EXPECT_FALSE(ini.WriteString("S", "a=b", "v"));
  EXPECT_FALSE(ini.WriteString("S", "k\r\n[T]", "v"));
  EXPECT_TRUE(ini.WriteString("S", "k", "one\r\n[Evil]\r\nx=1"));
  EXPECT_EQ(ini.Value("S", "k"), "one");
  EXPECT_FALSE(ini.HasSection("Evil"));
}

TEST(IniFileTest, KeysInOrderWithoutRepeats) {
  IniFile ini = IniFile::FromText("[Channel]\n1=a\n2=b\nLastNum=3\n1=c\n");
  EXPECT_EQ(ini.Keys("channel"), (std::vector<std::string>{"1", "2", "LastNum"}));
  EXPECT_TRUE(ini.Keys("none").empty());
}

// Hostile content gives defaults and never a crash.
TEST(IniFileTest, GarbageGivesDefaults) {
  std::string garbage;
  for (int i = 0; i < 100000; ++i) garbage += static_cast<char>((i * 7919) % 256);
  IniFile ini = IniFile::FromText(garbage);
  EXPECT_EQ(ini.ReadInteger("Options", "RetryNum", 3), 3);

  std::string long_line = "[S]\nk=" + std::string(10 << 20, 'x') + "\n";
  IniFile big = IniFile::FromText(long_line);
  EXPECT_EQ(big.ReadString("S", "k").size(), 10u << 20);
  EXPECT_EQ(big.ReadInteger("S", "k", 4), 4);

  IniFile nul = IniFile::FromText(std::string("[S]\nk=a\0b\n[", 12));
  EXPECT_EQ(nul.ReadString("S", "k"), std::string("a\0b", 3));
  // A damaged header without "]" does not open a section.
  IniFile unclosed = IniFile::FromText("[S]\nk=v\n[Broken\nj=w\n");
  EXPECT_EQ(unclosed.ReadString("S", "j"), "w");
  EXPECT_FALSE(unclosed.HasSection("Broken"));
}

class IniFileDiskTest : public ::testing::Test {
 protected:
  TempDir dir_;
};

TEST_F(IniFileDiskTest, LoadStatusAndAtomicSave) {
  IniFile ini;
  EXPECT_EQ(ini.Load(dir_ / "missing.ini"), IniFile::LoadStatus::kMissing);

  const auto path = dir_ / "User.ini";
  WriteFile(path, "[A]\r\nx=1\r\n");
  ASSERT_EQ(ini.Load(path), IniFile::LoadStatus::kLoaded);
  ini.WriteString("A", "x", "2");
  ASSERT_TRUE(ini.Save(path));
  EXPECT_EQ(ReadFile(path), "[A]\r\nx=2\r\n");
  // Only the file itself is left behind, no temporary.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 1);
}

// A file above the size limit reads as defaults and is never overwritten.
TEST_F(IniFileDiskTest, OversizedFileIsLeftAlone) {
  const auto path = dir_ / "huge.ini";
  std::string huge = "[Options]\r\nRetryNum=5\r\n" + std::string(50 << 20, 'z');
  WriteFile(path, huge);
  EXPECT_EQ(ReadProfileInteger(path, "Options", "RetryNum", 3), 3);
  EXPECT_FALSE(WriteProfileString(path, "Options", "RetryNum", "1"));
  EXPECT_EQ(std::filesystem::file_size(path), huge.size());
}

// Unreadable and unwritable files: defaults and a failed write, no crash.
TEST_F(IniFileDiskTest, PermissionProblems) {
  if (::geteuid() == 0) {
    // root reads anything; a folder as the file name stands in instead.
    std::filesystem::create_directory(dir_ / "dir.ini");
    EXPECT_EQ(ReadProfileInteger(dir_ / "dir.ini", "S", "k", 5), 5);
    EXPECT_FALSE(WriteProfileString(dir_ / "dir.ini", "S", "k", "1"));
  } else {
    const auto path = dir_ / "locked.ini";
    WriteFile(path, "[S]\nk=1\n");
    ::chmod(path.c_str(), 0);
    EXPECT_EQ(ReadProfileInteger(path, "S", "k", 5), 5);
    EXPECT_FALSE(WriteProfileString(path, "S", "k", "2"));
  }
  EXPECT_FALSE(WriteProfileString(dir_ / "no-such-folder" / "x.ini", "S", "k", "1"));
}

// A read-only file is refused, a file's mode is kept, and a link is written
// through to the file it names.
TEST_F(IniFileDiskTest, WriteRespectsFileAndMode) {
  const auto read_only = dir_ / "ro.ini";
  WriteFile(read_only, "[S]\r\nk=1\r\n");
  std::filesystem::permissions(read_only, std::filesystem::perms::owner_read);
  EXPECT_FALSE(WriteProfileString(read_only, "S", "k", "2"));
  EXPECT_EQ(ReadFile(read_only), "[S]\r\nk=1\r\n");

  const auto private_file = dir_ / "private.ini";
  WriteFile(private_file, "");
  std::filesystem::permissions(private_file, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  ASSERT_TRUE(WriteProfileString(private_file, "S", "k", "1"));
  EXPECT_EQ(std::filesystem::status(private_file).permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

  const auto real = dir_ / "real.ini";
  WriteFile(real, "");
  std::filesystem::create_symlink(real, dir_ / "link.ini");
  ASSERT_TRUE(WriteProfileString(dir_ / "link.ini", "S", "k", "v"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir_ / "link.ini"));
  EXPECT_EQ(ReadFile(real), "[S]\r\nk=v\r\n");
}

// A FIFO in place of a settings file reads as unreadable instead of
// blocking the start.
TEST_F(IniFileDiskTest, FifoDoesNotBlock) {
  const auto fifo = dir_ / "User.ini";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  IniFile ini;
  EXPECT_EQ(ini.Load(fifo), IniFile::LoadStatus::kUnreadable);
  EXPECT_FALSE(WriteProfileString(fifo, "S", "k", "1"));
}

TEST_F(IniFileDiskTest, ProfileHelpersRoundTrip) {
  const auto path = dir_ / "Tazmel.ini";
  ASSERT_TRUE(WriteProfileString(path, "Update", "ForceConfig", "1"));
  ASSERT_TRUE(WriteProfileString(path, "update", "forceconfig", "0"));
  EXPECT_EQ(ReadProfileString(path, "UPDATE", "ForceConfig"), "0");
  EXPECT_EQ(ReadFile(path), "[Update]\r\nforceconfig=0\r\n");
}

}  // namespace
}  // namespace tazmel
