#include "stations/text_table.h"

#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <random>

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace tazmel {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

std::string Line(int key, std::string_view text) { return std::to_string(key) + "\t" + std::string(text); }

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\r\n";
  return text;
}

// The pairs of X.idi sorted by (key, record), so equal keys compare alike.
std::vector<std::pair<std::int32_t, std::int32_t>> KeyPairs(const fs::path& idi) {
  const std::string bytes = ReadFile(idi);
  std::vector<std::pair<std::int32_t, std::int32_t>> pairs(bytes.size() / 8);
  for (std::size_t i = 0; i < pairs.size(); ++i) {
    std::memcpy(&pairs[i].first, bytes.data() + 8 * i, 4);
    std::memcpy(&pairs[i].second, bytes.data() + 8 * i + 4, 4);
  }
  return pairs;
}

class TextTableTest : public ::testing::Test {
 protected:
  // Writes the text file and opens a table on it.
  void Make(std::string_view content) {
    WriteFile(path_, content);
    table_.SetTableName(path_);
    ASSERT_TRUE(table_.Open());
  }

  // The text file holds `lines`, the index files equal those of a fresh
  // rebuild, and (with read_all) every record reads back by number and key.
  void ExpectConsistent(const std::vector<std::string>& lines, bool read_all = true) {
    ASSERT_EQ(table_.RecordCount(), static_cast<int>(lines.size()));
    ASSERT_EQ(ReadFile(path_), Joined(lines));
    for (std::size_t i = 0; read_all && i < lines.size(); ++i) {
      ASSERT_EQ(table_.ReadRecord(static_cast<int>(i + 1)), lines[i]) << "record " << i + 1;
      const int key = TTextTable::RecordKey(lines[i]);
      EXPECT_EQ(TTextTable::RecordKey(table_.ReadByID(key)), key);
    }
    const std::string idp = ReadFile(table_.OffsetIndexPath());
    auto idi = KeyPairs(table_.KeyIndexPath());
    ASSERT_TRUE(std::is_sorted(idi.begin(), idi.end(), [](auto& a, auto& b) { return a.first < b.first; }));
    std::sort(idi.begin(), idi.end());

    TempDir other;
    fs::copy_file(path_, other / "copy.dat");
    TTextTable fresh;
    fresh.SetTableName(other / "copy.dat");
    ASSERT_TRUE(fresh.Open());
    ASSERT_TRUE(fresh.RebuildIndex());
    // Offsets must be identical; the file times differ by copy.
    const std::string fresh_idp = ReadFile(fresh.OffsetIndexPath());
    ASSERT_EQ(idp.size(), fresh_idp.size());
    EXPECT_EQ(idp.substr(0, idp.size() - 8), fresh_idp.substr(0, fresh_idp.size() - 8));
    auto fresh_idi = KeyPairs(fresh.KeyIndexPath());
    std::sort(fresh_idi.begin(), fresh_idi.end());
    EXPECT_EQ(idi, fresh_idi);
  }

  TempDir dir_;
  fs::path path_ = dir_ / "datauser.dat";
  TTextTable table_;
};

// Index files are built at the first access; their sizes follow the format.
TEST_F(TextTableTest, FirstAccessBuildsIndexes) {
  Make("3\tc\r\n1\ta\r\n2\tb\r\n");
  EXPECT_EQ(table_.RecordCount(), 3);
  EXPECT_EQ(fs::file_size(table_.OffsetIndexPath()), 4u * 3 + 12);
  EXPECT_EQ(fs::file_size(table_.KeyIndexPath()), 8u * 3);
  EXPECT_EQ(table_.FindRecNo(1), 2);
  EXPECT_EQ(table_.ReadByID(2), "2\tb");
  EXPECT_EQ(table_.FindRecNo(9), -1);
  EXPECT_EQ(table_.ReadRecord(0), "");
  EXPECT_EQ(table_.ReadRecord(4), "");
}

// A table saved by an editor with LF ends (or CR only) is normalised to
// CR LF and re-indexed at the next access.
TEST_F(TextTableTest, HandEditedFileIsNormalised) {
  for (const char* content : {"1\ta\n2\tb\n3\tc", "1\ta\r2\tb\r3\tc\r", "1\ta\r\n2\tb\n3\tc\r\n"}) {
    table_.Close();
    Make("");
    ASSERT_EQ(table_.RecordCount(), 0);
    WriteFile(path_, content);
    ExpectConsistent({"1\ta", "2\tb", "3\tc"});
  }
}

// Same size, bigger and smaller updates keep every later record readable.
TEST_F(TextTableTest, UpdateSizes) {
  std::vector<std::string> lines = {Line(1, "aaaa"), Line(2, "bbbb"), Line(3, "cccc")};
  Make(Joined(lines));
  ASSERT_EQ(table_.RecordCount(), 3);
  const std::string idp_before = ReadFile(table_.OffsetIndexPath());
  ASSERT_TRUE(table_.UpdateRecord(2, Line(2, "BBBB")));
  lines[1] = Line(2, "BBBB");
  const std::string idp_after = ReadFile(table_.OffsetIndexPath());
  EXPECT_EQ(idp_before.substr(0, 16), idp_after.substr(0, 16));  // offsets unchanged
  ExpectConsistent(lines);

  ASSERT_TRUE(table_.UpdateRecord(1, Line(1, std::string(5000, 'x'))));
  lines[0] = Line(1, std::string(5000, 'x'));
  ExpectConsistent(lines);
  ASSERT_TRUE(table_.UpdateRecord(1, Line(7, "")));
  lines[0] = Line(7, "");
  ExpectConsistent(lines);
  EXPECT_EQ(table_.FindRecNo(1), -1);
  EXPECT_EQ(table_.FindRecNo(7), 1);
}

TEST_F(TextTableTest, DeleteLastAndInsertFirst) {
  std::vector<std::string> lines = {Line(1, "a"), Line(2, "b"), Line(3, "c")};
  Make(Joined(lines));
  ASSERT_TRUE(table_.DeleteRecord(3));
  lines.pop_back();
  ExpectConsistent(lines);
  EXPECT_EQ(fs::file_size(table_.OffsetIndexPath()), 4u * 2 + 12);
  EXPECT_EQ(fs::file_size(table_.KeyIndexPath()), 8u * 2);

  ASSERT_TRUE(table_.InsertRecord(1, Line(9, "first")));
  lines.insert(lines.begin(), Line(9, "first"));
  ExpectConsistent(lines);
  EXPECT_EQ(table_.FindRecNo(1), 2);
  EXPECT_EQ(table_.FindRecNo(2), 3);
  ASSERT_TRUE(table_.AppendRecord(Line(4, "end")));
  lines.push_back(Line(4, "end"));
  ExpectConsistent(lines);
  EXPECT_FALSE(table_.DeleteRecord(0));
  EXPECT_FALSE(table_.DeleteRecord(5));
  EXPECT_FALSE(table_.InsertRecord(6, "x"));
}

TEST_F(TextTableTest, NewIDCases) {
  struct Case {
    std::vector<int> keys;
    int expected;
  } cases[] = {
      {{}, 100001},
      {{100001, 100002, 100003}, 100004},
      {{100001, 100002, 100005}, 100003},
      {{100002}, 100001},
      {{100001, 100001, 100002}, 100003},
      // A stray key below the user range must not pull the result down.
      {{5, 100001}, 100002},
  };
  for (const Case& c : cases) {
    table_.Close();
    std::vector<std::string> lines;
    for (int key : c.keys) lines.push_back(Line(key, "s"));
    Make(Joined(lines));
    EXPECT_EQ(table_.NewID(100000), c.expected);
  }
}

// Equal keys: one is found, both stay readable. Lines without TAB or with
// a non-numeric key have key 0.
TEST_F(TextTableTest, DuplicateAndOddKeys) {
  Make("5\tone\r\n5\ttwo\r\nno tab\r\nx\ty\r\n 7 \tz\r\n");
  const int found = table_.FindRecNo(5);
  EXPECT_TRUE(found == 1 || found == 2);
  EXPECT_EQ(table_.ReadRecord(1), "5\tone");
  EXPECT_EQ(table_.ReadRecord(2), "5\ttwo");
  EXPECT_EQ(table_.FindRecNo(7), 5);
  EXPECT_EQ(TTextTable::RecordKey("no tab"), 0);
  EXPECT_EQ(TTextTable::RecordKey("x\ty"), 0);
  EXPECT_EQ(TTextTable::RecordKey("12\t"), 12);
  const int zero = table_.FindRecNo(0);
  EXPECT_TRUE(zero == 3 || zero == 4);
}

// Without the check, missing index files are created empty and never
// rebuilt: a negative count and no IDs, but no crash.
TEST_F(TextTableTest, UncheckedTableTrustsItsIndex) {
  WriteFile(path_, "1\ta\r\n");
  table_.SetTableName(path_);
  table_.SetNeedCheckIndex(false);
  ASSERT_TRUE(table_.Open());
  EXPECT_LE(table_.RecordCount(), 0);
  EXPECT_EQ(table_.FindRecNo(1), -1);
  EXPECT_EQ(table_.ReadRecord(1), "");
  EXPECT_FALSE(table_.AppendRecord("2\tb"));
}

// Damaged index files give empty or wrong records, never reads outside the
// files, and edits refuse to run on offsets that do not fit the text.
TEST_F(TextTableTest, DamagedIndexesAreSafe) {
  const std::string text = Joined({Line(1, "a"), Line(2, "b")});
  std::string garbage;
  for (int i = 0; i < 300; ++i) garbage += static_cast<char>(i * 37);
  auto offsets = [](std::vector<std::int32_t> v) {
    std::string bytes(v.size() * 4 + 8, '\0');
    std::memcpy(bytes.data(), v.data(), v.size() * 4);
    return bytes;
  };
  const std::string cases[] = {"",
                               "abc",
                               garbage,
                               offsets({0, 5, 2000000000}),
                               offsets({0, -50, 10}),
                               offsets({0, 7, 14, 21, 28}),
                               offsets({100, 7})};
  for (const std::string& idp : cases) {
    table_.Close();
    WriteFile(path_, text);
    WriteFile(dir_ / "datauser.idp", idp);
    WriteFile(dir_ / "datauser.idi", garbage.substr(0, idp.size() % 50));
    table_.SetTableName(path_);
    table_.SetNeedCheckIndex(false);
    ASSERT_TRUE(table_.Open());
    for (int r = -1; r < 8; ++r) EXPECT_LE(table_.ReadRecord(r).size(), text.size());
    for (int id : {0, 1, 2, -5}) table_.ReadByID(id);
    EXPECT_FALSE(table_.UpdateRecord(1, "1\tzzzzzzzz"));
    EXPECT_FALSE(table_.DeleteRecord(1));
    EXPECT_EQ(ReadFile(path_), text);
    table_.NewID(100000);
  }
  // With the check on, the same damage is repaired by a rebuild.
  table_.Close();
  table_.SetNeedCheckIndex(true);
  ASSERT_TRUE(table_.Open());
  ExpectConsistent({Line(1, "a"), Line(2, "b")});
}

// An edit that fails half way (here: the key index cannot grow) leaves no
// stamped index behind, so the next access rebuilds instead of trusting it.
TEST_F(TextTableTest, FailedEditIsRepairedNotTrusted) {
  std::vector<std::string> lines;
  for (int i = 1; i <= 20; ++i) lines.push_back(std::to_string(i) + "\t");
  Make(Joined(lines));
  ASSERT_EQ(table_.RecordCount(), 20);
  const rlim_t limit = fs::file_size(table_.KeyIndexPath()) + 1;
  ASSERT_LT(fs::file_size(path_) + 4, limit);  // only the key index hits it
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  auto* old_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit low = saved;
  low.rlim_cur = limit;
  setrlimit(RLIMIT_FSIZE, &low);
  const bool inserted = table_.InsertRecord(1, "39\t");
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_FALSE(inserted);

  TTextTable fresh;
  fresh.SetTableName(path_);
  ASSERT_TRUE(fresh.Open());
  EXPECT_EQ(fresh.RecordCount(), 21);
  EXPECT_EQ(fresh.FindRecNo(39), 1);
  EXPECT_EQ(VerifyTextTable(path_, false), "");
}

// A checked table refuses lines with line breaks, which a rebuild would
// split into several records.
TEST_F(TextTableTest, LinesWithBreaksAreRefused) {
  Make(Joined({Line(1, "a")}));
  EXPECT_FALSE(table_.AppendRecord("2\tx\ny"));
  EXPECT_FALSE(table_.UpdateRecord(1, "1\tx\r"));
  EXPECT_FALSE(table_.InsertRecord(1, "\r\n"));
  ExpectConsistent({Line(1, "a")});
}

// Another writer that changes the text within the same clock tick as the
// last stamp is still noticed, by the size.
TEST_F(TextTableTest, SameTimeOtherWriterIsNoticed) {
  Make(Joined({Line(1, "a")}));
  ASSERT_EQ(table_.RecordCount(), 1);
  struct stat before {};
  ASSERT_EQ(::stat(path_.c_str(), &before), 0);
  WriteFile(path_, Joined({Line(1, "a"), Line(2, "b")}));
  const timespec times[2] = {before.st_atim, before.st_mtim};
  ASSERT_EQ(::utimensat(AT_FDCWD, path_.c_str(), times, 0), 0);
  EXPECT_EQ(table_.RecordCount(), 2);
  EXPECT_EQ(table_.ReadByID(2), Line(2, "b"));
}

// An index file far larger than its text could need is refused rather than
// read into memory; a checked table rebuilds it.
TEST_F(TextTableTest, HugeIndexFilesAreRefused) {
  for (bool checked : {false, true}) {
    table_.Close();
    WriteFile(path_, Joined({Line(1, "a")}));
    WriteFile(dir_ / "datauser.idp", "");
    WriteFile(dir_ / "datauser.idi", "");
    fs::resize_file(dir_ / "datauser.idp", 1ull << 33);  // sparse, 8 GiB
    fs::resize_file(dir_ / "datauser.idi", 1ull << 33);
    table_.SetTableName(path_);
    table_.SetNeedCheckIndex(checked);
    ASSERT_TRUE(table_.Open());
    EXPECT_EQ(table_.FindRecNo(1), checked ? 1 : -1);
    EXPECT_EQ(table_.ReadRecord(1), checked ? Line(1, "a") : "");
  }
  EXPECT_LT(fs::file_size(dir_ / "datauser.idp"), 100u);
}

TEST_F(TextTableTest, LongAndBinaryLines) {
  std::string binary;
  for (int i = 0; i < 256; ++i) {
    if (i != '\r' && i != '\n') binary += static_cast<char>(i);
  }
  const std::vector<std::string> lines = {Line(1, std::string(1 << 20, 'm')), Line(2, binary), "3"};
  Make(Joined(lines));
  ExpectConsistent(lines);
}

TEST_F(TextTableTest, InactiveOrNamelessTableFails) {
  EXPECT_FALSE(table_.Open());
  table_.SetTableName(path_);
  EXPECT_EQ(table_.ReadRecord(1), "");
  EXPECT_FALSE(table_.AppendRecord("1\ta"));
  EXPECT_EQ(table_.RecordCount(), 0);
  ASSERT_TRUE(table_.Open());  // creates the missing text file
  EXPECT_TRUE(fs::exists(path_));
  EXPECT_TRUE(table_.AppendRecord("1\ta"));
  EXPECT_EQ(table_.ReadByID(1), "1\ta");
}

// 2 000 random edits, each checked against a plain list of lines and
// against a fresh rebuild of the indexes.
TEST_F(TextTableTest, RandomEditsMatchModel) {
  std::mt19937 random(20071106);
  std::vector<std::string> lines;
  Make("");
  ASSERT_EQ(table_.RecordCount(), 0);
  auto random_line = [&] {
    const int key = static_cast<int>(random() % 60);
    return Line(key, std::string(random() % 40, static_cast<char>('a' + random() % 26)));
  };
  for (int step = 0; step < 2000; ++step) {
    const int count = static_cast<int>(lines.size());
    const int record = count > 0 ? static_cast<int>(random() % count) + 1 : 0;
    switch (count == 0 ? 0 : random() % 4) {
      case 0: {
        const std::string line = random_line();
        ASSERT_TRUE(table_.AppendRecord(line));
        lines.push_back(line);
        break;
      }
      case 1: {
        const std::string line = random_line();
        ASSERT_TRUE(table_.InsertRecord(record, line));
        lines.insert(lines.begin() + record - 1, line);
        break;
      }
      case 2: {
        const std::string line = random_line();
        ASSERT_TRUE(table_.UpdateRecord(record, line));
        lines[record - 1] = line;
        break;
      }
      case 3:
        ASSERT_TRUE(table_.DeleteRecord(record));
        lines.erase(lines.begin() + record - 1);
        break;
    }
    // Reading every record each step would only repeat what the index
    // comparison proves; all are read every 50 steps.
    ASSERT_NO_FATAL_FAILURE(ExpectConsistent(lines, step % 50 == 0)) << "after step " << step;
  }
}

}  // namespace
}  // namespace tazmel
