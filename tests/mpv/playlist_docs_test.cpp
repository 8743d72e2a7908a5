#include "playback/playlist_docs.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace tazmel {
namespace {

using Entries = std::vector<std::string>;

// The kind comes from the extension of the path alone, in any case; a web
// address's query and fragment do not count, a dot in a folder does not
// make an extension.
TEST(PlaylistDocKindTest, ByExtension) {
  struct Case {
    const char* address;
    PlaylistDocKind kind;
  } cases[] = {
      {"http://host/live.ASX", PlaylistDocKind::kAsx},
      {"http://host/a.wax", PlaylistDocKind::kAsx},
      {"/music/b.Wvx", PlaylistDocKind::kAsx},
      {"/music/list.wpl", PlaylistDocKind::kWpl},
      {"http://host/a.ram?id=3", PlaylistDocKind::kRam},
      {"http://host/a.asx#top", PlaylistDocKind::kAsx},
      {"a.rpm", PlaylistDocKind::kRam},
      {"http://host/show.smil", PlaylistDocKind::kSmil},
      {"http://host/show.SMI", PlaylistDocKind::kSmil},
      {"  http://host/live.asx  ", PlaylistDocKind::kAsx},
      {"http://host/song.mp3", PlaylistDocKind::kNone},
      {"http://host/list.pls", PlaylistDocKind::kNone},
      {"http://host/dir.asx/stream", PlaylistDocKind::kNone},
      {"http://host:8000/", PlaylistDocKind::kNone},
      {"", PlaylistDocKind::kNone},
  };
  for (const Case& c : cases) EXPECT_EQ(PlaylistDocKindByExtension(c.address), c.kind) << c.address;
}

// The root element decides, after a byte-order mark, blanks, declarations
// and comments; anything before the root that is not one of those defeats
// it.
TEST(PlaylistDocKindTest, ByContent) {
  struct Case {
    std::string text;
    PlaylistDocKind kind;
  } cases[] = {
      {"<asx version=\"3.0\"><entry/></asx>", PlaylistDocKind::kAsx},
      {"\xEF\xBB\xBF \r\n<?xml version=\"1.0\"?>\n<!-- made by hand -->\n<ASX VERSION=3>", PlaylistDocKind::kAsx},
      {"[Reference]\r\nRef1=http://host/a.asf\r\n", PlaylistDocKind::kAsx},
      {"<?wpl version=\"1.0\"?>\n<smil><body/></smil>", PlaylistDocKind::kWpl},
      {"<smil xmlns=\"http://www.w3.org/2001/SMIL20/Language\">", PlaylistDocKind::kSmil},
      {"<html><body><asx></asx></body></html>", PlaylistDocKind::kNone},
      {"<asxml>", PlaylistDocKind::kNone},
      {"text before <asx>", PlaylistDocKind::kNone},
      {"<!-- never closed <asx>", PlaylistDocKind::kNone},
      {"<?xml never closed", PlaylistDocKind::kNone},
      {"", PlaylistDocKind::kNone},
  };
  for (const Case& c : cases) EXPECT_EQ(PlaylistDocKindByContent(c.text), c.kind) << c.text;
}

// Every REF and ENTRYREF in document order, tags and attributes in any
// case, quotes of either kind or none, entities decoded; commented-out refs
// and other elements' HREFs are not entries.
TEST(ParseAsxTest, RefsAndEntryRefsInOrder) {
  const std::string doc = R"(<?xml version="1.0" encoding="utf-8"?>
<!-- <ref href="http://commented/out.mp3"/> -->
<ASX Version="3.0">
  <Title>Radio &amp; more</Title>
  <MoreInfo HREF="http://host/info.html"/>
  <Entry>
    <REF HREF="http://host/a.mp3?x=1&amp;y=2" />
    <Ref href='mms://host/b'/>
  </Entry>
  <ENTRYREF href=http://host/next.asx />
  <entry><ref href="  relative/c.wma  "></ref></entry>
  <entry><ref href=""/></entry>
</ASX>)";
  EXPECT_EQ(ParseAsx(doc),
            (Entries{"http://host/a.mp3?x=1&y=2", "mms://host/b", "http://host/next.asx", "relative/c.wma"}));
}

// An ASF reference list gives its RefN values in order.
TEST(ParseAsxTest, AsfReferenceList) {
  EXPECT_EQ(ParseAsx("[Reference]\r\nRef1=http://host/a.asf?MSWMExt=.asf\r\nRef2= mms://host/a \r\n\r\n"),
            (Entries{"http://host/a.asf?MSWMExt=.asf", "mms://host/a"}));
}

// WPL names its entries in MEDIA SRC; SMIL in AUDIO, VIDEO and REF SRC, not
// in images or layout.
TEST(ParseXmlDocsTest, WplAndSmil) {
  const std::string wpl = R"(<?wpl version="1.0"?>
<smil><head><meta name="Generator" content="x"/><title>Mix</title></head>
<body><seq><media src="..\Music\a.mp3"/><MEDIA SRC="b.wma" tid="{1}"/></seq></body></smil>)";
  EXPECT_EQ(ParseWpl(wpl), (Entries{"..\\Music\\a.mp3", "b.wma"}));

  const std::string smil = R"(<smil><head><layout><region id="r"/></layout></head>
<body><par><img src="logo.png"/><audio src="rtsp://host/a.rm"/><VIDEO SRC="v.rm" region="r"/>
<ref src="http://host/c.ra"/></par></body></smil>)";
  EXPECT_EQ(ParseSmil(smil), (Entries{"rtsp://host/a.rm", "v.rm", "http://host/c.ra"}));
}

// A RAM file lists one address per line; blank lines and '#' comments are
// skipped and "--stop--" ends the list, whatever the line ends.
TEST(ParseRamTest, LinesCommentsAndStop) {
  EXPECT_EQ(ParseRam("# station list\r\nrtsp://host/a.rm\r\n\r\n  pnm://host/b.ra  \rhttp://host/c.rm\n--stop--\n"
                     "rtsp://host/never.rm\n"),
            (Entries{"rtsp://host/a.rm", "pnm://host/b.ra", "http://host/c.rm"}));
  EXPECT_EQ(ParseRam(""), Entries{});
}

// Relative entries resolve against the document's own address: a web
// address (path, root, scheme-relative, dot segments, backslashes) or a
// local path; entries with a scheme of their own stay as they are.
TEST(ResolvePlaylistEntryTest, AgainstWebAndLocalDocuments) {
  struct Case {
    const char* base;
    const char* entry;
    const char* resolved;
  } cases[] = {
      {"http://host:8000/dir/list.asx?id=1", "a.mp3", "http://host:8000/dir/a.mp3"},
      {"http://host:8000/dir/list.asx", "/root.mp3", "http://host:8000/root.mp3"},
      {"http://host:8000/dir/sub/list.asx", "../up.mp3", "http://host:8000/dir/up.mp3"},
      {"http://host/a/list.asx", "../../../top.mp3", "http://host/top.mp3"},
      {"http://host/dir/list.asx", "./x/./y.mp3?q=../z", "http://host/dir/x/y.mp3?q=../z"},
      {"http://host/dir/list.asx", "sub\\a.wma", "http://host/dir/sub/a.wma"},
      {"https://host/dir/list.asx", "//mirror/live", "https://mirror/live"},
      {"http://host", "a.mp3", "http://host/a.mp3"},
      {"http://host/dir/list.asx", "mms://other/b", "mms://other/b"},
      {"http://host/dir/list.asx", "MMS://other/b", "MMS://other/b"},
      {"/home/u/lists/a.asx", "b.mp3", "/home/u/lists/b.mp3"},
      {"/home/u/lists/a.asx", "../music/b.mp3", "/home/u/music/b.mp3"},
      {"/home/u/lists/a.asx", "/abs/c.mp3", "/abs/c.mp3"},
      {"file:///home/u/a.asx", "b.mp3", "file:///home/u/b.mp3"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ResolvePlaylistEntry(c.base, c.entry), c.resolved) << c.base << " + " << c.entry;
  }
}

// Hostile documents end the walk instead of running on: unterminated
// quotes, comments and tags, and a flood of entries is cut at the cap.
TEST(ParseHostileTest, BrokenAndFloodedDocuments) {
  EXPECT_EQ(ParseAsx("<asx><ref href=\"http://host/a.mp3\"/><ref href=\"never closed"), (Entries{"http://host/a.mp3"}));
  EXPECT_EQ(ParseAsx("<asx><ref href=\"http://host/a.mp3\"/><!-- open <ref href=\"b\"/>"),
            (Entries{"http://host/a.mp3"}));
  EXPECT_EQ(ParseAsx("<asx><ref href=\"http://host/a.mp3\" <ref href=\"b\"/>"), (Entries{"b"}));
  EXPECT_EQ(ParseSmil("<audio src"), Entries{});

  std::string flood = "<asx>";
  for (int i = 0; i < 5000; ++i) flood += "<entry><ref href=\"http://h/" + std::to_string(i) + "\"/></entry>";
  const Entries entries = ParseAsx(flood);
  ASSERT_EQ(entries.size(), kMaxPlaylistEntries);
  EXPECT_EQ(entries.front(), "http://h/0");

  std::string lines;
  for (int i = 0; i < 5000; ++i) lines += "rtsp://h/" + std::to_string(i) + "\n";
  EXPECT_EQ(ParseRam(lines).size(), kMaxPlaylistEntries);

  // A value of nothing but ampersands, with an entity only at its end.
  const std::string ampersands(kMaxPlaylistDocBytes / 2, '&');
  EXPECT_EQ(ParseAsx("<asx><ref href=\"" + ampersands + "&amp;\"/></asx>"), (Entries{ampersands + "&"}));
}

// Random bytes seeded with markup never crash a parser, and the entries
// stay within the cap.
TEST(ParseHostileTest, RandomMarkup) {
  const std::string pieces[] = {"<",     ">",  "<!--", "-->", "<?",  "<![CDATA[", "]]>",
                                "=",     "\"", "'",    " ",   "ref", "href",      "src",
                                "&amp;", "&#", ";",    "/",   "\n",  "--stop--",  "[Reference]"};
  std::mt19937 random(20240611);
  for (int round = 0; round < 300; ++round) {
    std::string text;
    const int parts = static_cast<int>(random() % 400);
    for (int i = 0; i < parts; ++i) {
      if (random() % 4 == 0) {
        text += static_cast<char>(random() % 256);
      } else {
        text += pieces[random() % std::size(pieces)];
      }
    }
    for (PlaylistDocKind kind :
         {PlaylistDocKind::kAsx, PlaylistDocKind::kWpl, PlaylistDocKind::kRam, PlaylistDocKind::kSmil}) {
      const Entries entries = ParsePlaylistDoc(kind, text);
      EXPECT_LE(entries.size(), kMaxPlaylistEntries);
      for (const std::string& entry : entries) ResolvePlaylistEntry("http://host/dir/list.asx", entry);
    }
    PlaylistDocKindByContent(text);
  }
}

}  // namespace
}  // namespace tazmel
