// The station data tool, run as a program on small fixtures and on the
// station data the build ships.
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace tazmel {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

struct ToolRun {
  int status;
  std::string out;
  std::string err;
};

class DataToolTest : public ::testing::Test {
 protected:
  ToolRun Tool(const std::string& args) {
    const fs::path out = dir_ / "stdout";
    const fs::path err = dir_ / "stderr";
    const std::string command = std::string(TAZMEL_DATA_TOOL) + " " + args + " >" + out.string() + " 2>" + err.string();
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(out), ReadFile(err)};
  }

  fs::path Fixture() {
    const fs::path tsv = dir_ / "stations.tsv";
    WriteFile(tsv,
              "# two stations\n"
              "# channels: 2\n"
              "1\tRadio \xE4\xB8\xAD\tNews\tChina\t\tBeijing\tChinese\t0\t\t64K\t\t\thttps://h/\t\thttp://a/1.mp3\n"
              "2\tJazz\tJazz\tUS\t\t\tEnglish\t0\t\t\t\t\t\t\thttp://b/2.pls||http://b/3\r\n");
    return tsv;
  }

  TempDir dir_;
};

// build-system writes a scrambled table that dump, get and check read back.
TEST_F(DataToolTest, BuildDumpGetCheck) {
  const fs::path out = dir_ / "out";
  ASSERT_EQ(Tool("build-system " + Fixture().string() + " " + out.string()).status, 0);
  const std::string table = (out / "data.dat").string();
  EXPECT_EQ(ReadFile(out / "data.dat").find("Jazz"), std::string::npos);  // scrambled on disk
  EXPECT_EQ(ReadFile(out / "data.dat").substr(0, 2), "1\t");

  ToolRun dump = Tool("dump " + table);
  EXPECT_EQ(dump.status, 0);
  EXPECT_EQ(dump.out,
            "1\tRadio \xE4\xB8\xAD\tNews\tChina\t\tBeijing\tChinese\t0\t\t64K\t\t\thttps://h/\t\thttp://a/1.mp3\n"
            "2\tJazz\tJazz\tUS\t\t\tEnglish\t0\t\t\t\t\t\t\thttp://b/2.pls||http://b/3\n");
  // --raw gives the data code page bytes.
  EXPECT_NE(Tool("--raw get " + table + " 1").out.find("Radio \xD6\xD0"), std::string::npos);

  EXPECT_EQ(Tool("get " + table + " 2").out,
            "2\tJazz\tJazz\tUS\t\t\tEnglish\t0\t\t\t\t\t\t\thttp://b/2.pls||http://b/3\n");
  ToolRun missing = Tool("get " + table + " 3");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, "");
  EXPECT_NE(missing.err.find("no record 3"), std::string::npos);

  EXPECT_EQ(Tool("check " + table).status, 0);
}

// A plain user table is read as text, without needing its index files.
TEST_F(DataToolTest, PlainTableNeedsNoIndex) {
  WriteFile(dir_ / "datauser.dat", "100001\tMine\r\n100002\tOther\r\n");
  EXPECT_EQ(Tool("dump " + (dir_ / "datauser.dat").string()).out, "100001\tMine\n100002\tOther\n");
  EXPECT_EQ(Tool("get " + (dir_ / "datauser.dat").string() + " 100002").out, "100002\tOther\n");
  EXPECT_EQ(Tool("get " + (dir_ / "datauser.dat").string() + " 100003").status, 1);
  EXPECT_FALSE(fs::exists(dir_ / "datauser.idp"));
}

// check names the first mismatch when an index file is damaged.
TEST_F(DataToolTest, CheckFindsDamage) {
  const fs::path out = dir_ / "out";
  ASSERT_EQ(Tool("build-system " + Fixture().string() + " " + out.string()).status, 0);
  const std::string table = (out / "data.dat").string();
  std::string idi = ReadFile(out / "data.idi");
  std::swap(idi[0], idi[8]);  // keys out of order
  WriteFile(out / "data.idi", idi);
  ToolRun run = Tool("check " + table);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("key pair"), std::string::npos) << run.err;

  WriteFile(out / "data.idp", ReadFile(out / "data.idp").substr(0, 10));
  run = Tool("check " + table);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("offset index"), std::string::npos) << run.err;
}

// Bad input gives a clear message, a non-zero exit and no output folder.
TEST_F(DataToolTest, BadInput) {
  WriteFile(dir_ / "short.tsv", "1\tOnly\tthree\n");
  ToolRun run = Tool("build-system " + (dir_ / "short.tsv").string() + " " + (dir_ / "out").string());
  EXPECT_NE(run.status, 0);
  EXPECT_NE(run.err.find("short.tsv:1: expected 15"), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(dir_ / "out" / "data.dat"));

  WriteFile(dir_ / "dup.tsv", std::string("5") + std::string(14, '\t') + "\n5" + std::string(14, '\t') + "\n");
  run = Tool("build-system " + (dir_ / "dup.tsv").string() + " " + (dir_ / "out").string());
  EXPECT_NE(run.err.find("appears twice"), std::string::npos) << run.err;

  EXPECT_NE(Tool("dump " + (dir_ / "none.dat").string()).status, 0);
  EXPECT_NE(Tool("dump --scrambled " + (dir_ / "none.dat").string()).status, 0);
  EXPECT_NE(Tool("frobnicate").status, 0);
  EXPECT_NE(Tool("get x.dat notanumber").status, 0);
}

// Text that does not decode is refused with its line, never stored as "?":
// UTF-8 by default, GB18030 with --raw, and the caption table's UTF-8.
TEST_F(DataToolTest, UndecodableTextIsRefusedWithItsLine) {
  const std::string good = "1\tR\tNews\tUS\t\t\tEnglish\t0\t\t\t\t\t\t\thttp://r/\n";
  struct Case {
    const char* what;
    std::string options;
    std::string bad_line;
    std::string message;
  } cases[] = {
      {"stray UTF-8 trail byte", "", "2\tBad\x80\tNews" + std::string(12, '\t') + "http://b/\n",
       "s.tsv:3: not valid UTF-8"},
      {"GB18030 read as UTF-8", "", "2\t\xD6\xD0\tNews" + std::string(12, '\t') + "http://b/\n",
       "s.tsv:3: not valid UTF-8"},
      {"0xFF under --raw", "--raw ", "2\tBad\xFF\tNews" + std::string(12, '\t') + "http://b/\n",
       "s.tsv:3: not valid GB18030"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile(dir_ / "s.tsv", "# comment\n" + good + c.bad_line);
    const ToolRun run = Tool(c.options + "build-system " + (dir_ / "s.tsv").string() + " " + (dir_ / "out").string());
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(dir_ / "out" / "data.dat"));
  }
  // The same GB18030 bytes are what --raw expects.
  WriteFile(dir_ / "s.tsv", good + cases[1].bad_line);
  EXPECT_EQ(Tool("--raw build-system " + (dir_ / "s.tsv").string() + " " + (dir_ / "out").string()).status, 0);

  WriteFile(dir_ / "s.tsv", good);
  WriteFile(dir_ / "c.tsv", "News\tN\tN\nFavorites\tF\xC3\tF\n");
  const ToolRun run = Tool("build-default " + (dir_ / "s.tsv").string() + " " + (dir_ / "c.tsv").string() + " chs " +
                           (dir_ / "chs").string());
  EXPECT_NE(run.err.find("c.tsv:2: not valid UTF-8"), std::string::npos) << run.err;

  // Printing a plain table with such bytes says which record shows U+FFFD.
  WriteFile(dir_ / "datauser.dat", "100001\tOk\r\n100002\tBad\xFF\r\n");
  const ToolRun dump = Tool("dump " + (dir_ / "datauser.dat").string());
  EXPECT_EQ(dump.status, 0);
  EXPECT_NE(dump.err.find("datauser.dat:2: not valid GB18030"), std::string::npos) << dump.err;
  EXPECT_NE(dump.out.find("Bad\xEF\xBF\xBD"), std::string::npos);
}

// build-default takes UTF-8 text, stores GB18030 and prints UTF-8 again;
// a channel ID written with a leading zero still finds its station; a
// folder that is not station data is never replaced.
TEST_F(DataToolTest, BuildDefault) {
  WriteFile(dir_ / "s.tsv",
            "# channels: 05\n"
            "05\tR\xC3\x89 Radio\tNews\tIreland\t\tDublin\tEnglish\t0\t\t\t\t\t\t\thttp://r/\n");
  WriteFile(dir_ / "c.tsv",
            "News\t\xE6\x96\xB0\xE9\x97\xBB\t\xE6\x96\xB0\xE8\x81\x9E\nIreland\tI\tI\nEnglish\tE\tE\n"
            "Favorites\tF\tF\nRecently played\tR\tR\nChannels\tC\tC\nBy genre\tG\tG\n"
            "By country/region\tP\tP\nBy language\tL\tL\n");
  const std::string args = (dir_ / "s.tsv").string() + " " + (dir_ / "c.tsv").string() + " chs ";
  ToolRun run = Tool("build-default " + args + (dir_ / "chs").string());
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Tool("get " + (dir_ / "chs" / "data.dat").string() + " 5").out,
            "05\tR\xC3\x89 Radio\t\xE6\x96\xB0\xE9\x97\xBB\tI\t\tDublin\tE\t0\t\t\t\t\t\t\thttp://r/\n");
  EXPECT_NE(Tool("--raw get " + (dir_ / "chs" / "data.dat").string() + " 5").out.find("R\x81\x30\x87\x37 Radio"),
            std::string::npos);
  const std::string tree = Tool("tree " + (dir_ / "chs").string()).out;
  EXPECT_NE(tree.find("-11  C  [channels.dat]\n  5  R\xC3\x89 Radio\n"), std::string::npos) << tree;

  // Building again replaces the data folder.
  EXPECT_EQ(Tool("build-default " + args + (dir_ / "chs").string()).status, 0);
  WriteFile(dir_ / "mine" / "important.txt", "keep");
  EXPECT_NE(Tool("build-default " + args + (dir_ / "mine").string()).status, 0);
  EXPECT_EQ(ReadFile(dir_ / "mine" / "important.txt"), "keep");
}

// The shipped data of every language: tables whose indexes match, and a tree
// with the fixed top nodes and ten channel stations.
TEST_F(DataToolTest, ShippedDataIsSound) {
  for (const char* language : {"eng", "chs", "cht"}) {
    const fs::path folder = fs::path(TAZMEL_STAGE_DIR) / "default-data" / language;
    ToolRun check = Tool("check " + (folder / "data.dat").string());
    EXPECT_EQ(check.status, 0) << language << ": " << check.err;
    EXPECT_EQ(ReadFile(folder / "datauser.dat"), "");

    ToolRun tree = Tool("tree " + folder.string());
    ASSERT_EQ(tree.status, 0);
    for (const char* top : {"\n-97  ", "\n-11  ", "\n-52  ", "\n-53  ", "\n-54  "}) {
      EXPECT_NE(tree.out.find(top), std::string::npos) << language << " lacks top node" << top;
    }
    EXPECT_EQ(tree.out.rfind("-99  ", 0), 0u);
    const std::size_t channels = tree.out.find("\n-11  ");
    const std::size_t next_top = tree.out.find("\n-52  ");
    int stations = 0;
    for (std::size_t at = channels; (at = tree.out.find("\n  ", at + 1)) < next_top;) ++stations;
    EXPECT_EQ(stations, 10) << language;

    ToolRun dump = Tool("dump " + (folder / "data.dat").string());
    EXPECT_GE(std::count(dump.out.begin(), dump.out.end(), '\n'), 200) << language;
  }
}

}  // namespace
}  // namespace tazmel
