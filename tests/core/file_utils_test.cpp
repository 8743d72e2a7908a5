#include "core/file_utils.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace tazmel {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(CleanFileNameTest, DropsForbiddenCharacters) {
  struct Case {
    std::string in, out;
  };
  const Case cases[] = {
      {"a\"b*c/d:e<f>g?h\\i|j", "abcdefghij"},
      {"Radio \xD6\xD0 2007-11-06 10.00.00", "Radio \xD6\xD0 2007-11-06 10.00.00"},
      // Two-byte characters whose trail byte is "|" or "\\" (the first is 億).
      {"\x83\x7C\xB5\xE7\xCC\xA8", "\x83\x7C\xB5\xE7\xCC\xA8"},
      {"a\x81\x5C|b\\",
       "a\x81\x5C"
       "b"},
      // A four-byte character, then a lead byte that ends the text.
      {"\x81\x30\x81\x30:\x81", "\x81\x30\x81\x30\x81"},
      // A lead byte before a byte that cannot trail it stands alone.
      {"\x81:\x81\x7F", "\x81\x81\x7F"},
  };
  for (const Case& c : cases) EXPECT_EQ(CleanFileName(c.in), c.out) << c.in;
}

TEST(FileNameWithoutExtTest, Table) {
  EXPECT_EQ(FileNameWithoutExt("/music/song.mp3"), "song");
  EXPECT_EQ(FileNameWithoutExt("C:\\Music\\a.b.wav"), "a.b");
  EXPECT_EQ(FileNameWithoutExt("noext"), "noext");
  EXPECT_EQ(FileNameWithoutExt("dir.d/noext"), "noext");
}

// Listing skips folders and dot-files and gives full paths.
TEST(ListFilesTest, PlainFilesOnly) {
  TempDir dir;
  WriteFile(dir / "a.txt", "");
  WriteFile(dir / ".hidden", "");
  WriteFile(dir / "sub" / "inner.txt", "");
  std::vector<fs::path> files{"/already/there"};
  ListFiles(dir.path(), files);
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[1], dir / "a.txt");
}

TEST(DeleteFolderTest, RemovesPlainTree) {
  TempDir dir;
  WriteFile(dir / "victim" / "a.txt", "x");
  WriteFile(dir / "victim" / "sub" / "deeper" / "b.txt", "y");
  EXPECT_TRUE(DeleteFolder(dir / "victim"));
  EXPECT_FALSE(fs::exists(dir / "victim"));
  EXPECT_FALSE(DeleteFolder(dir / "victim"));
  EXPECT_FALSE(DeleteFolder(""));
}

// A hidden subfolder is not descended into, so it and its parent stay.
TEST(DeleteFolderTest, HiddenSubfolderStays) {
  TempDir dir;
  WriteFile(dir / "victim" / "plain.txt", "x");
  WriteFile(dir / "victim" / ".hidden" / "keep.txt", "y");
  EXPECT_FALSE(DeleteFolder(dir / "victim"));
  EXPECT_TRUE(fs::exists(dir / "victim" / ".hidden" / "keep.txt"));
  EXPECT_FALSE(fs::exists(dir / "victim" / "plain.txt"));
}

// A link to a folder elsewhere is removed, never followed.
TEST(DeleteFolderTest, DoesNotFollowLinks) {
  TempDir dir;
  WriteFile(dir / "outside" / "precious.txt", "keep");
  fs::create_directories(dir / "victim");
  fs::create_directory_symlink(dir / "outside", dir / "victim" / "link");
  EXPECT_TRUE(DeleteFolder(dir / "victim"));
  EXPECT_EQ(ReadFile(dir / "outside" / "precious.txt"), "keep");
}

// A read-only folder counts as a file too: it stays, and so does its
// parent. A link given as the folder itself is not followed.
TEST(DeleteFolderTest, ReadOnlyFolderAndLinkedFolder) {
  TempDir dir;
  WriteFile(dir / "victim" / "locked" / "keep.txt", "y");
  fs::permissions(dir / "victim" / "locked", fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_FALSE(DeleteFolder(dir / "victim"));
  EXPECT_TRUE(fs::exists(dir / "victim" / "locked" / "keep.txt"));

  WriteFile(dir / "target" / "precious.txt", "keep");
  fs::create_directory_symlink(dir / "target", dir / "link");
  EXPECT_FALSE(DeleteFolder(dir / "link"));
  EXPECT_EQ(ReadFile(dir / "target" / "precious.txt"), "keep");
}

TEST(FindNoCaseTest, MatchesExistingSpelling) {
  TempDir dir;
  WriteFile(dir / "Language" / "CHS.INI", "");
  EXPECT_EQ(FindNoCase(dir.path(), "language"), dir / "Language");
  EXPECT_EQ(FindNoCase(dir / "Language", "chs.ini"), dir / "Language" / "CHS.INI");
  EXPECT_EQ(FindNoCase(dir.path(), "Missing.txt"), dir / "Missing.txt");
  EXPECT_EQ(FindNoCase(dir / "nope", "x"), dir / "nope" / "x");
}

TEST(AtomicWriteTest, CopyIsByteExact) {
  TempDir dir;
  std::string bytes;
  for (int i = 0; i < 70000; ++i) bytes += static_cast<char>(i % 251);
  WriteFile(dir / "from", bytes);
  ASSERT_TRUE(CopyFileExact(dir / "from", dir / "to"));
  EXPECT_EQ(ReadFile(dir / "to"), bytes);
  EXPECT_FALSE(CopyFileExact(dir / "missing", dir / "to2"));
  EXPECT_FALSE(fs::exists(dir / "to2"));
  EXPECT_EQ(ReadWholeFile(dir / "from", 100), std::nullopt);
}

}  // namespace
}  // namespace tazmel
