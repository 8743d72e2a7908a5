// tazmel-publish: the normalisations, stable IDs, and a site it writes
// installed by the update service end to end.
#include <gtest/gtest.h>

#include "app/update_scheduler.h"
#include "core/code_page.h"
#include "core/ini_file.h"
#include "core/program_paths.h"
#include "core/time_utils.h"
#include "online/sha256.h"
#include "online/zip_reader.h"
#include "settings/settings.h"
#include "stations/radio_table.h"
#include "stations/station_tree.h"
#include "stations/tree_files.h"
#include "support/child_process.h"
#include "support/http_server.h"
#include "support/loop_dispatcher.h"
#include "tazmel-publish/radio_browser.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

const fs::path kFixture = fs::path(TAZMEL_TEST_SOURCE_DIR) / "tools/fixtures/radio_browser.json";

int Publish(const std::vector<std::string>& args, std::string* output = nullptr) {
  std::vector<std::string> argv{TAZMEL_PUBLISH};
  argv.insert(argv.end(), args.begin(), args.end());
  test::ChildProcess child(argv, test::EnvironmentWith({}), true);
  const int code = child.WaitExit(60s);
  if (output) *output = child.Output();
  return code;
}

// One spelling per genre, English language names, countries from the code.
TEST(TazmelPublishTest, Normalises) {
  const std::pair<const char*, const char*> genres[] = {{"Hip-Hop,rap", "Hip Hop"},      {"hip hop", "Hip Hop"},
                                                        {"Klassik", "Classical"},        {"", "Other"},
                                                        {" deep  space ", "Deep Space"}, {"R&B;soul", "R&B"}};
  for (const auto& [tags, genre] : genres) EXPECT_EQ(publish::GenreFromTags(tags), genre) << tags;
  const std::pair<const char*, const char*> languages[] = {
      {"german,english", "German"}, {"eng", "English"}, {"Deutsch", "German"}, {"", "Unknown"}, {"klingon", "Klingon"}};
  for (const auto& [text, name] : languages) EXPECT_EQ(publish::LanguageName(text), name) << text;
  EXPECT_EQ(publish::CountryName("us", ""), "United States");
  EXPECT_EQ(publish::CountryName("XX", " Somewhere "), "Somewhere");
  EXPECT_EQ(publish::CountryName("", ""), "Unknown");
  EXPECT_EQ(publish::CleanText("  a\t b\r\nc "), "a b c");
}

// Stations that failed their last check, without a web address or
// repeated are left out; IDs stay with their UUIDs from run to run.
TEST(TazmelPublishTest, ReadsExportWithStableIds) {
  test::TempDir dir;
  const std::string json = test::ReadFile(kFixture);
  publish::IdTable ids;
  std::string error;
  ASSERT_TRUE(ids.Load(dir / "ids.tsv", error)) << error;
  publish::ImportCounts counts;
  auto stations = publish::ReadRadioBrowser(json, ids, counts, error);
  ASSERT_TRUE(stations) << error;
  ASSERT_EQ(stations->size(), 3u);
  EXPECT_EQ(counts.failed_check, 1u);
  EXPECT_EQ(counts.unusable, 1u);
  EXPECT_EQ(counts.duplicates, 1u);
  const StationRecord& alpha = (*stations)[0];
  EXPECT_EQ(alpha.VID, "1");
  EXPECT_EQ(alpha.VRadioName, "Radio Alpha");
  EXPECT_EQ(alpha.VGenre, "Hip Hop");
  EXPECT_EQ(alpha.VCountry, "Germany");
  EXPECT_EQ(alpha.VLanguage, "German");
  EXPECT_EQ(alpha.VSpeed, "128K");
  EXPECT_EQ(alpha.VStreamURL, "http://alpha.example/live.mp3||http://alpha.example/stream.m3u");
  const StationRecord& bravo = (*stations)[1];
  EXPECT_EQ(bravo.VCountry, "United States");
  EXPECT_EQ(bravo.VHomepage, "") << "only web addresses";
  EXPECT_EQ(counts.most_voted, (std::vector<int>{2, 1, 3}));
  ASSERT_TRUE(ids.Save(dir / "ids.tsv"));

  // The next export lost Bravo and gained a new station: the others keep
  // their IDs and the newcomer takes a fresh one.
  const std::string next = R"([{"stationuuid": "new", "name": "Newcomer", "url": "http://n.example/", "lastcheckok": 1},
      {"stationuuid": "e5", "name": "Echo", "url": "http://echo.example/", "lastcheckok": 1}])";
  publish::IdTable again;
  ASSERT_TRUE(again.Load(dir / "ids.tsv", error)) << error;
  publish::ImportCounts counts2;
  auto later = publish::ReadRadioBrowser(next, again, counts2, error);
  ASSERT_TRUE(later);
  EXPECT_EQ((*later)[0].VID, "3");
  EXPECT_EQ((*later)[0].VRadioName, "Echo");
  EXPECT_EQ((*later)[1].VID, "4");

  EXPECT_FALSE(publish::ReadRadioBrowser("{\"not\": \"a list\"}", again, counts2, error));
  EXPECT_FALSE(publish::ReadRadioBrowser("[1, 2", again, counts2, error));
}

// The same export and version give the same archive, and update.inf tells
// its exact size and digest; the user's files are not in it.
TEST(TazmelPublishTest, SiteIsDeterministic) {
  test::TempDir dir;
  for (const char* site : {"a", "b"}) {
    ASSERT_EQ(Publish({"--ver", "2030-01-01", "--radio-browser", kFixture.string(), (dir / site).string()}), 0);
  }
  const std::string archive = test::ReadFile(dir / "a/eng/data-2030-01-01.zip");
  EXPECT_EQ(archive, test::ReadFile(dir / "b/eng/data-2030-01-01.zip"));
  const IniFile inf = IniFile::FromText(test::ReadFile(dir / "a/eng/update.inf"));
  EXPECT_EQ(inf.ReadString("Data", "Ver"), "2030-01-01");
  EXPECT_EQ(inf.ReadString("Data", "Url"), "data-2030-01-01.zip");
  EXPECT_EQ(inf.ReadInteger("Data", "Size", 0), static_cast<int>(archive.size()));
  EXPECT_EQ(inf.ReadString("Data", "Sha256"), Sha256Hex(archive));
  const ZipResult zip = ReadZip(archive);
  ASSERT_TRUE(zip.ok()) << zip.error;
  for (const ZipEntry& entry : zip.entries) {
    EXPECT_TRUE(entry.name.starts_with("data/")) << entry.name;
    EXPECT_EQ(entry.name.find("user"), std::string::npos) << entry.name;
  }
  std::string output;
  EXPECT_EQ(Publish({"--ver", "../x", "--tsv", "nothing.tsv", (dir / "c").string()}, &output), 2);
}

// A site made from the TSV list and from the export, served over HTTP,
// installed by the update service: the tree reloads with the new groups
// and the user's stations and favourites stay.
TEST(TazmelPublishTest, InstalledByTheUpdateService) {
  test::TempDir dir;
  ASSERT_EQ(Publish({"--ver", "2030-01-01", "--radio-browser", kFixture.string(), (dir / "site").string()}), 0);
  test::TestHttpServer server;
  for (const char* name : {"update.inf", "data-2030-01-01.zip"}) {
    server.Serve(std::string("/site/eng/") + name,
                 {200, "application/octet-stream", test::ReadFile(dir / "site/eng" / name)});
  }
  const fs::path home = dir / "home";
  test::WriteFile(home / "Tazmel.ini", "");
  test::WriteFile(home / "User.ini", "[Update]\r\nData_eng=2007-11-06\r\n");
  test::WriteFile(home / "data/eng/datauser.dat", "100001\tMine\r\n");
  test::WriteFile(home / "data/eng/favorites.dat", "2/0/-99/Favorites\r\n0/0/100001/Mine\r\n");
  ProgramPaths paths(home);
  Settings settings;
  test::LoopDispatcher loop;
  int reloads = 0;
  std::vector<std::string> shown;
  UpdateHooks hooks;
  hooks.show_message = [&](const std::string& t) { shown.push_back(t); };
  hooks.reload_tree = [&] { ++reloads; };
  UpdateScheduler update(loop, paths, settings, server.Url("/site"), 1033, hooks);
  update.StartupDone(NowDateTimeNumber(), true);
  ASSERT_TRUE(loop.RunUntil([&] { return !update.Running(); }, 20s));
  EXPECT_EQ(shown, (std::vector<std::string>{"Data have been updated to 2030-01-01."}));
  EXPECT_EQ(reloads, 1);

  const fs::path data = home / "data/eng";
  StationTree tree;
  LoadTopLists(tree, data);
  std::vector<std::string> tops;
  for (int i = 0; i < tree.TopCount(); ++i) tops.push_back(tree.Top(i)->caption());
  EXPECT_EQ(tops, (std::vector<std::string>{"Favorites", "Recently played", "Channels", "By genre", "By country/region",
                                            "By language"}));
  TreeNode& genre = *tree.Top(3);
  ASSERT_TRUE(LoadSubtree(genre, data));
  std::vector<std::string> groups;
  for (const auto& group : genre.children()) groups.push_back(group->caption());
  EXPECT_EQ(groups, (std::vector<std::string>{"Classical", "Hip Hop"}));
  EXPECT_EQ(genre.children()[1]->children().size(), 2u) << "Hip-Hop and hip hop are one group";
  TRadioTable table;
  ASSERT_TRUE(table.OpenIn(1, data));
  ASSERT_TRUE(table.LoadByID(1));
  EXPECT_EQ(table.Fields().VRadioName, "Radio Alpha");
  EXPECT_EQ(test::ReadFile(data / "datauser.dat"), "100001\tMine\r\n");
  EXPECT_EQ(test::ReadFile(data / "favorites.dat"), "2/0/-99/Favorites\r\n0/0/100001/Mine\r\n");
  EXPECT_EQ(ReadProfileString(paths.UserIni(), "Update", "Data_eng", ""), "2030-01-01");
}

}  // namespace
}  // namespace tazmel
