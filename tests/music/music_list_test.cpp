#include "music/music_list.h"

#include <gtest/gtest.h>

#include <fstream>

#include "core/file_utils.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

using test::TempDir;

bool Mp3Only(std::string_view path) { return path.ends_with(".mp3") || path.ends_with(".MP3"); }

void Touch(const std::filesystem::path& path) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path) << "x";
}

std::vector<std::string> Names(const MusicList& list, const std::filesystem::path& root) {
  std::vector<std::string> names;
  for (const std::string& row : list.rows()) names.push_back(std::filesystem::path(row).lexically_relative(root));
  return names;
}

MusicList ListOf(std::initializer_list<const char*> rows) {
  MusicList list;
  for (const char* row : rows) list.InsertRow(row, -1);
  return list;
}

TEST(MusicListTest, DisplayNames) {
  const struct {
    const char* row;
    const char* shown;
  } cases[] = {
      {"http://host/live.mp3", "http://host/live.mp3"},
      {"/music/a.b.mp3", "a.b"},
      {"/music/README", "README"},
      {"song.mp3", "song"},
  };
  for (const auto& c : cases) EXPECT_EQ(MusicList::DisplayName(c.row), c.shown) << c.row;
}

TEST(MusicListTest, RowNumbersArePaddedToTheCountsDigits) {
  MusicList list;
  for (int i = 0; i < 120; ++i) list.InsertRow("/m/t" + std::to_string(i) + ".mp3", -1);
  EXPECT_EQ(list.RowText(0), "  1. t0");
  EXPECT_EQ(list.RowText(119), "120. t119");
}

TEST(MusicListTest, AddFolderIsDepthFirstSortedAndSkipsDotNamesAndLinkedFolders) {
  TempDir dir;
  const auto root = dir / "Music";
  Touch(root / "b.mp3");
  Touch(root / "a" / "z.mp3");
  Touch(root / "a" / "cover.jpg");
  Touch(root / ".hidden" / "secret.mp3");
  Touch(root / ".dot.mp3");
  Touch(root / "c.MP3");
  Touch(dir / "elsewhere" / "far.mp3");
  std::filesystem::create_directory_symlink(dir / "elsewhere", root / "link");
  std::filesystem::create_directory_symlink(root, root / "a" / "loop");
  std::filesystem::create_symlink(root / "b.mp3", root / "d.mp3");

  MusicList list(Mp3Only);
  // One trailing slash is taken off the folder.
  EXPECT_EQ(list.AddPaths({root.string() + "/"}, -1), 4);
  EXPECT_EQ(Names(list, root), (std::vector<std::string>{"a/z.mp3", "b.mp3", "c.MP3", "d.mp3"}));
}

TEST(MusicListTest, AddedRowsKeepTheirOrderAtAPosition) {
  TempDir dir;
  Touch(dir / "x.mp3");
  Touch(dir / "y.mp3");
  Touch(dir / "skip.txt");
  MusicList list(Mp3Only);
  list.InsertRow("/r0.mp3", -1);
  list.InsertRow("/r1.mp3", -1);
  list.SetPlayingItem(1);
  const int added = list.AddPaths(
      {(dir / "x.mp3").string(), (dir / "skip.txt").string(), (dir / "missing.mp3").string(), (dir / "y.mp3").string()},
      1);
  EXPECT_EQ(added, 2);
  EXPECT_EQ(list.rows(),
            (std::vector<std::string>{"/r0.mp3", (dir / "x.mp3").string(), (dir / "y.mp3").string(), "/r1.mp3"}));
  // Inserting does not move the playing mark.
  EXPECT_EQ(list.playing_item(), 1);
}

TEST(MusicListTest, PlayAndStepWrapAround) {
  MusicList list = ListOf({"/a.mp3", "/b.mp3", "/c.mp3"});
  EXPECT_EQ(list.PlayFrom(-1), 2);  // no current row: the last
  EXPECT_EQ(list.StepPlaying(true), 0);
  EXPECT_EQ(list.StepPlaying(false), 2);
  EXPECT_EQ(list.PlayFrom(7), 0);
  EXPECT_EQ(list.PlayingPath(), "/a.mp3");
  EXPECT_EQ(list.SetPlayingItem(3), -1);
  EXPECT_EQ(list.SetPlayingItem(1), 1);
  // Rows deleted above and beyond the mark: stepping still lands on a row.
  list.Delete({1, 2}, 0);
  EXPECT_EQ(list.playing_item(), 1);
  EXPECT_EQ(list.PlayingPath(), "");
  EXPECT_EQ(list.StepPlaying(true), 0);
  MusicList empty;
  EXPECT_EQ(empty.StepPlaying(true), -1);
  EXPECT_EQ(empty.PlayFrom(0), -1);
}

TEST(MusicListTest, Find) {
  MusicList list = ListOf({"/m/Alpha.mp3", "/m/beta.mp3", "/m/alphabet.mp3", "/m/Gamma.mp3"});
  const struct {
    const char* pattern;
    int current;
    bool down, exact, match_case;
    int found, made_current;
  } cases[] = {
      {"beta", 0, true, false, false, 1, 1},       // the row right after the current one
      {"alpha", 2, false, false, false, 0, 0},     // up to row 0
      {"3.ALPHABET", 0, true, true, false, 2, 2},  // exact on number and name
      {"alpha", 0, true, false, true, 2, 2},       // match case skips "Alpha"
      {"zeta", 0, true, false, false, -1, 3},      // nothing down: the last row
      {"zeta", 3, false, false, false, -1, 0},     // nothing up: row 0
      {"2.", 1, true, false, false, -1, 3},        // the current row is not searched
  };
  for (const auto& c : cases) {
    const MusicList::FindResult result = list.Find(c.pattern, c.current, c.down, c.exact, c.match_case);
    EXPECT_EQ(result.found, c.found) << c.pattern;
    EXPECT_EQ(result.current, c.made_current) << c.pattern;
    EXPECT_EQ(list.found_item(), c.found);
  }
}

TEST(MusicListTest, DeleteSelectsTheRowAfterTheCurrentOne) {
  const struct {
    std::vector<int> selected;
    int current;
    int selected_after;
    std::vector<std::string> left;
  } cases[] = {
      {{1}, 1, 1, {"a", "c", "d", "e"}}, {{1, 2}, 2, 1, {"a", "d", "e"}}, {{3, 4}, 4, 2, {"a", "b", "c"}},
      {{0}, 0, 0, {"b", "c", "d", "e"}}, {{0, 1, 2, 3, 4}, 2, -1, {}},
  };
  for (const auto& c : cases) {
    MusicList list = ListOf({"a", "b", "c", "d", "e"});
    EXPECT_EQ(list.Delete(c.selected, c.current), c.selected_after);
    EXPECT_EQ(list.rows(), c.left);
  }
}

TEST(MusicListTest, DraggingMovesTheSelectedRowsToTheTarget) {
  const struct {
    std::vector<int> selected;
    int target;
    std::vector<std::string> after;
  } cases[] = {
      {{1, 3}, 0, {"b", "d", "a", "c", "e"}},
      {{0}, 2, {"b", "c", "a", "d", "e"}},
      {{4}, 1, {"a", "e", "b", "c", "d"}},
  };
  for (const auto& c : cases) {
    MusicList list = ListOf({"a", "b", "c", "d", "e"});
    EXPECT_TRUE(list.MoveRows(c.selected, c.target));
    EXPECT_EQ(list.rows(), c.after);
  }
  MusicList list = ListOf({"a", "b"});
  EXPECT_FALSE(list.MoveRows({0}, 2));  // below the last row
  EXPECT_EQ(list.rows(), (std::vector<std::string>{"a", "b"}));
}

TEST(MusicListTest, PlaylistFileRoundTripAndEmptyLists) {
  TempDir dir;
  const auto file = dir / "Tazmel.m3u";
  MusicList empty;
  EXPECT_TRUE(empty.Save(file));
  EXPECT_FALSE(std::filesystem::exists(file));  // no file made for nothing

  MusicList list = ListOf({"/m/a.mp3", "http://h/x", "/m/\xC4\xE3.mp3"});
  ASSERT_TRUE(list.Save(file));
  EXPECT_EQ(*ReadWholeFile(file), "/m/a.mp3\r\nhttp://h/x\r\n/m/\xC4\xE3.mp3\r\n");

  MusicList loaded;
  ASSERT_TRUE(loaded.Load(file, 2));
  EXPECT_EQ(loaded.rows(), list.rows());
  EXPECT_EQ(loaded.playing_item(), 2);
  ASSERT_TRUE(loaded.Load(file, 3));
  EXPECT_EQ(loaded.playing_item(), 0);

  // Clearing the list clears the file too.
  loaded.Clear();
  ASSERT_TRUE(loaded.Save(file));
  EXPECT_EQ(*ReadWholeFile(file), "");
  EXPECT_FALSE(loaded.Load(dir / "none.m3u", 0));
}

}  // namespace
}  // namespace tazmel

namespace tazmel {
namespace {

// Rows are in the data code page, as the playlist file and the engine
// take them; names on disk are UTF-8.
TEST(MusicListTest, RowsOfFilesAreInTheDataCodePage) {
  TempDir dir;
  Touch(dir / "\xE4\xBD\xA0\xE5\xA5\xBD.mp3");
  MusicList list(Mp3Only);
  ASSERT_EQ(list.AddPaths({dir.path().string()}, -1), 1);
  EXPECT_EQ(list.row(0), dir.path().string() + "/\xC4\xE3\xBA\xC3.mp3");
  EXPECT_EQ(list.RowText(0), "1. \xC4\xE3\xBA\xC3");
}

}  // namespace
}  // namespace tazmel
