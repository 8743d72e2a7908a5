#include "platform/dropped_links.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "temp_dir.h"

namespace tazmel {
namespace {

using namespace std::string_literals;

// A link and its title, or nothing.
struct LinkCase {
  const char* name;
  std::string text;
  std::optional<std::string> link;
};

// An Internet shortcut's link is the URL= line of its own section only.
TEST(DroppedLinksTest, InternetShortcutLink) {
  const LinkCase cases[] = {
      {"plain", "[InternetShortcut]\r\nURL=http://radio.example/live\r\n", "http://radio.example/live"},
      {"any case", "[internetshortcut]\nurl=http://a.example/\n", "http://a.example/"},
      {"other keys first", "[InternetShortcut]\nIconIndex=0\nURL=mms://b.example/s\nIconFile=x\n", "mms://b.example/s"},
      {"section after others", "[DEFAULT]\nBASEURL=http://no/\n[InternetShortcut]\nURL=http://yes/\n", "http://yes/"},
      {"next section ends search", "[InternetShortcut]\nIconIndex=1\n[Other]\nURL=http://no/\n", std::nullopt},
      {"URL before section", "URL=http://no/\n[InternetShortcut]\n", std::nullopt},
      {"no section", "URL=http://no/\n", std::nullopt},
      {"empty link", "[InternetShortcut]\nURL=\n", std::nullopt},
      {"empty", "", std::nullopt},
      {"binary", "\0\xff\xfe[\0\n\r"s, std::nullopt},
  };
  for (const LinkCase& c : cases) EXPECT_EQ(InternetShortcutLink(c.text), c.link) << c.name;
}

// Only desktop entries of Type=Link yield a link, with their Name.
TEST(DroppedLinksTest, DesktopEntryLink) {
  const std::optional<DesktopLink> link =
      DesktopEntryLink("[Desktop Entry]\nName=Jazz FM\nType=Link\nURL=http://jazz.example/\nIcon=x\n");
  ASSERT_TRUE(link);
  EXPECT_EQ(link->url, "http://jazz.example/");
  EXPECT_EQ(link->name, "Jazz FM");

  const char* rejected[] = {
      "[Desktop Entry]\nType=Application\nExec=rm -rf ~\nURL=http://x/\n",
      "[Desktop Entry]\nType=Link\n",
      "[Desktop Action x]\nType=Link\nURL=http://x/\n",
      "[Desktop Entry]\nType=Link\n[Other]\nURL=http://x/\n",
      "",
  };
  for (const char* text : rejected) EXPECT_FALSE(DesktopEntryLink(text)) << text;
}

// Comments and blank lines are not entries; file: URIs map to local paths.
TEST(DroppedLinksTest, UriListAndLocalPaths) {
  EXPECT_EQ(UriListEntries("# comment\r\nhttp://a/\r\n\r\n  file:///b  \r\n#http://c/\r\n"),
            (std::vector<std::string>{"http://a/", "file:///b"}));

  const std::pair<const char*, std::optional<std::string>> cases[] = {
      {"file:///home/u/a%20b.mp3", "/home/u/a b.mp3"},
      {"file://localhost/tmp/x", "/tmp/x"},
      {"FILE:///tmp/%E4%B8%AD", "/tmp/\xe4\xb8\xad"},
      {"file:/tmp/y", "/tmp/y"},
      {"file:///tmp/bad%zz%4", "/tmp/bad%zz%4"},
      {"file://otherhost/tmp/x", std::nullopt},
      {"file:///tmp/a%00b", std::nullopt},
      {"file://", std::nullopt},
      {"http://a/", std::nullopt},
  };
  for (const auto& [uri, path] : cases) EXPECT_EQ(LocalPathFromUri(uri), path) << uri;
}

// Browsers send x-moz-url as UTF-16LE; odd or broken data never overruns.
TEST(DroppedLinksTest, DecodeMozUrl) {
  EXPECT_EQ(DecodeMozUrl("h\0t\0\n\0T\0"s), "ht\nT");
  EXPECT_EQ(DecodeMozUrl("\xff\xfe"
                         "a\0-\x4e"s),
            "a\xe4\xb8\xad");                                // BOM, then U+4E2D
  EXPECT_EQ(DecodeMozUrl("a\0\x00\xd8"s), "a\xef\xbf\xbd");  // lone surrogate
  EXPECT_EQ(DecodeMozUrl("a\0b"s), "a");                     // odd length: the dangling byte is dropped
  EXPECT_EQ(DecodeMozUrl("http://a/\nA"), "http://a/\nA");
  EXPECT_EQ(DecodeMozUrl(""), "");
}

class DroppedLinksFilesTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& body) {
    const std::string path = dir_.path() / name;
    std::ofstream(path, std::ios::binary) << body;
    return path;
  }
  static std::string FileUri(const std::string& path) { return "file://" + path; }

  test::TempDir dir_;
};

// The link comes from the first source offered; the title from the
// x-moz-url title line or a shortcut file, else it is the link.
TEST_F(DroppedLinksFilesTest, LinkAndTitleRules) {
  const std::string news = Write("News.url", "[InternetShortcut]\r\nURL=http://news.example/live.asx\r\n");
  const std::string jazz = Write("jazz.desktop", "[Desktop Entry]\nType=Link\nName=Jazz\nURL=http://jazz/\n");
  const std::string bare = Write("bare.desktop", "[Desktop Entry]\nType=Link\nURL=http://bare/\n");
  const std::string upper = Write("Loud.URL", "[InternetShortcut]\nURL=http://loud/\n");
  const std::string song = Write("song.mp3", "ID3");
  const std::string broken = Write("Broken.url", "[InternetShortcut]\n[x]\nURL=http://no/\n");
  const std::string folder = dir_.path() / "Dir.url";
  std::filesystem::create_directory(folder);

  struct Case {
    const char* name;
    DropOffer offer;
    std::string url;
    std::string title;
  };
  const Case cases[] = {
      {"shortcut file", {.uri_list = FileUri(news) + "\r\n"}, "http://news.example/live.asx", "News"},
      {"upper-case extension", {.uri_list = FileUri(upper)}, "http://loud/", "Loud"},
      {"desktop link", {.uri_list = FileUri(jazz)}, "http://jazz/", "Jazz"},
      {"desktop link without name", {.uri_list = FileUri(bare)}, "http://bare/", "bare"},
      {"moz url with title", {.moz_url = "h\0t\0t\0p\0:\0/\0/\0a\0/\0\n\0R\0a\0d\0i\0o\0"s}, "http://a/", "Radio"},
      {"moz url without title", {.moz_url = "http://a/"s}, "http://a/", "http://a/"},
      {"moz title over shortcut", {.moz_url = "http://a/\nA"s, .uri_list = FileUri(news)}, "http://a/", "A"},
      {"uri-list link", {.uri_list = "# from a page\r\nhttp://b/x.pls\r\n"}, "http://b/x.pls", "http://b/x.pls"},
      {"moz before uri-list", {.moz_url = "http://a/"s, .uri_list = "http://b/"}, "http://a/", "http://a/"},
      {"plain text", {.plain_text = "  mms://c/live \nsecond line"}, "mms://c/live", "mms://c/live"},
      {"path text beside files",
       {.uri_list = FileUri(news), .plain_text = news},
       "http://news.example/live.asx",
       "News"},
      {"only the first file counts", {.uri_list = FileUri(song) + "\n" + FileUri(news)}, "", ""},
      {"broken shortcut", {.uri_list = FileUri(broken)}, "", ""},
      {"missing shortcut", {.uri_list = FileUri(dir_.path() / "gone.url")}, "", ""},
      {"folder named .url", {.uri_list = FileUri(folder)}, "", ""},
      {"nothing", {}, "", ""},
      {"hostile", {.moz_url = "\0\0\0\0"s, .uri_list = "\0\r\r\n#"s, .plain_text = "\0abc"s}, "", ""},
  };
  for (const Case& c : cases) {
    const DroppedLinks links = ExtractDroppedLinks(c.offer);
    EXPECT_EQ(links.url, c.url) << c.name;
    EXPECT_EQ(links.title, c.title) << c.name;
  }
}

// Every local file of the uri-list is a dropped file, in order; other
// hosts and non-file links are not.
TEST_F(DroppedLinksFilesTest, FileList) {
  const DropOffer offer{.uri_list = "file:///tmp/a%20b.mp3\r\nhttp://x/\r\nfile://far/y\r\nfile:///tmp/c\r\n"};
  const DroppedLinks links = ExtractDroppedLinks(offer);
  EXPECT_EQ(links.files, (std::vector<std::string>{"/tmp/a b.mp3", "/tmp/c"}));
  EXPECT_EQ(links.url, "http://x/");
  EXPECT_FALSE(links.Empty());
  EXPECT_TRUE(ExtractDroppedLinks({.uri_list = "# only a comment\r\n"}).Empty());
}

// Shortcut files are read only when small and regular, so a dropped
// device or huge file cannot stall the window.
TEST_F(DroppedLinksFilesTest, ReadsOnlySmallRegularFiles) {
  const std::string big =
      Write("Big.url", "[InternetShortcut]\nURL=http://big/\n" + std::string(kMaxShortcutFileBytes, '\n'));
  EXPECT_FALSE(ReadSmallFile(big));
  EXPECT_FALSE(ReadSmallFile("/dev/zero"));
  const std::string fifo = dir_.path() / "Radio.url";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(ReadSmallFile(fifo));
  const DroppedLinks fifo_drop = ExtractDroppedLinks({.uri_list = FileUri(fifo)});
  EXPECT_TRUE(fifo_drop.url.empty());
  EXPECT_EQ(fifo_drop.files, std::vector<std::string>{fifo});
  EXPECT_FALSE(ReadSmallFile(dir_.path()));
  EXPECT_FALSE(ReadSmallFile(""));
  EXPECT_EQ(ReadSmallFile(Write("s.url", "abc")), "abc");
  EXPECT_TRUE(ExtractDroppedLinks({.uri_list = FileUri(big)}).url.empty());
}

// A shortcut written in the data code page still yields a readable title
// line and link.
TEST_F(DroppedLinksFilesTest, ShortcutInDataCodePage) {
  const std::string path = Write("Gb.url", "[InternetShortcut]\r\nURL=http://a/\xd6\xd0\r\n");
  EXPECT_EQ(ExtractDroppedLinks({.uri_list = FileUri(path)}).url, "http://a/\xe4\xb8\xad");
}

}  // namespace
}  // namespace tazmel
