#include "playback/resolver.h"

#include <gtest/gtest.h>

#include "core/dispatcher.h"
#include "core/text_utils.h"
#include "online/browser_fetch.h"
#include "platform/registry.h"
#include "support/http_server.h"
#include "support/loop_dispatcher.h"
#include "support/scoped_env.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

using List = std::vector<std::string>;

List Parse(std::string_view page) { return ParseStreamPage(AsciiLowerCopy(page), page); }

constexpr std::string_view kWmp9Object =
    "<OBJECT ID=\"Player\" CLASSID=\"CLSID:6BF52A52-394A-11D3-B153-00C04F79FAA6\">"
    "<PARAM name=\"autoStart\" value=\"True\"><PARAM NAME=\"URL\" VALUE=\"http://Media.example/Live/Main.ASX\">"
    "</OBJECT>";

// Embedded player objects win over everything else, by class identifier
// in the order WMP9, RealPlayer, WMP6, with the "url" parameter's value.
TEST(ParseStreamPageTest, EmbeddedPlayers) {
  struct Case {
    std::string page;
    List found;
  } cases[] = {
      {"<html><a href=\"other.asx\">x</a>" + std::string(kWmp9Object) + "<a href=\"mms://other/\">",
       {"http://Media.example/Live/Main.ASX"}},
      {"<object classid=\"clsid:22D6F312-B0F6-11D0-94AB-0080C74C7E95\"><param name=\"url\" value=\" mms://six/a \">"
       "</object>" +
           std::string(kWmp9Object),
       {"http://Media.example/Live/Main.ASX", "mms://six/a"}},
      // an object without a url parameter leaves the search to prefixes
      {"<object classid=\"clsid:CFCDAA03-8BE4-11CF-B84B-0020AFBBCCFA\"><param name=\"src\" value=\"rtsp://r/a.rm\">"
       "</object>",
       {"rtsp://r/a.rm"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Parse(c.page), c.found) << c.page;
}

// Streaming prefixes are found in prefix order; a quote before the address
// ends it at the same quote, else a blank, line end, TAB, "<" or ">" does.
TEST(ParseStreamPageTest, ProtocolPrefixes) {
  struct Case {
    std::string_view page;
    List found;
  } cases[] = {
      {"<?xml version=\"1.0\"?>\r\n<ASX version=\"3.0\"><Entry><REF HREF=\"MMS://Host/Path Name.wma\"/></Entry></ASX>",
       {"MMS://Host/Path Name.wma"}},
      {"pnm://p/1 rtsp://r/1<br>mmst://t/1\tmms://m/1>", {"mms://m/1", "mmst://t/1", "rtsp://r/1", "pnm://p/1"}},
      {"<embed src='rtsp://a/b c.rm'> and \"mms://open/quote rest", {"mms://open/quote", "rtsp://a/b c.rm"}},
      {"see mms://a/x\r\nand MMS://A/X again", {"mms://a/x"}},
      {"ends with rtsp://tail/stream", {"rtsp://tail/stream"}},
      {"http://plain/list\r\nhttp://other/one.html\r\n", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(Parse(c.page), c.found) << c.page;
}

// Links: playlists first, then stream media, then other media, each in page
// order; links without an extension only when nothing matched.
TEST(ParseStreamPageTest, Links) {
  struct Case {
    std::string_view page;
    List found;
  } cases[] = {
      {"<a href=\"page.html\">p</a><a href=\"Live.ASX\">l</a><a href=\"#top\">t</a>", {"Live.ASX"}},
      {"<a href=\"#top\">t</a>", {"#top"}},
      {"<A HREF=\"song.mp3\"><audio src=\"clip.wav\"><a class=\"x\" href=\"list.pls\">",
       {"list.pls", "song.mp3", "clip.wav"}},
      {"<ASX><Entry><REF HREF=\"http://Host/Stream.MP3\"/></Entry></ASX>", {"http://Host/Stream.MP3"}},
      {"<iframe src=\"player/\"><link rel=\"x\" href=\"style.css\"><script src=\"code.js\">", {"player/"}},
      {"<a href=\"one.rm\"><a href=\"ONE.RM\"><a href=\"two.ram\">", {"two.ram", "one.rm"}},
      {"<a href=live.asx><meta name=\"a\" content=\"b.asx\">", {}},
      {"no tags at all", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(Parse(c.page), c.found) << c.page;
}

// Relative entries join the base (which keeps its file name) or the root;
// absolute ones stay.
TEST(MakeAbsoluteTest, JoinsRelativeEntries) {
  struct Case {
    std::string_view base, entry, result;
  } cases[] = {
      {"http://host:8000/dir/page.html", "live.asx", "http://host:8000/dir/page.html/live.asx"},
      {"http://host:8000/dir/page.html", "/Root/Live.asx", "http://host:8000/Root/Live.asx"},
      {"http://host:8000/dir/page.html", "#top", "http://host:8000/dir/page.html/#top"},
      {"http://host/dir/", " a.asx ", "http://host/dir/a.asx"},
      {"http://host", "/x.asx", "http://host/x.asx"},
      {"http://host", "x.asx", "http://host/x.asx"},
      {"http://host/dir/", "mms://other/s", "mms://other/s"},
      {"http://host/dir/", "", ""},
  };
  for (const Case& c : cases) {
    List list{std::string(c.entry)};
    MakeAbsolute(list, c.base);
    EXPECT_EQ(list, List{std::string(c.result)}) << c.base << " + " << c.entry;
  }
}

// The first real tag decides ASX and SMIL documents without touching the
// list; an empty or useless reply leaves the list too.
TEST(ResolveMediaKindTest, DocumentKinds) {
  struct Case {
    std::string reply;
    char kind;
  } cases[] = {
      {"<!-- a > b --><!DOCTYPE x>\r\n <ASX version=\"3.0\"><entry><ref href=\"mms://a/b\"/></entry></asx>", '2'},
      {"<smil><body><audio src=\"rtsp://r/a\"/></body></smil>", '1'},
      {"", '0'},
      {"<html><body>nothing to play</body></html>", '0'},
      {"<html><a href=\"page.html\">", '0'},
  };
  for (const Case& c : cases) {
    List list{"http://h/p", "x"};
    std::string asked;
    const FetchText fetch = [&](const std::string& url) {
      asked = url;
      return c.reply;
    };
    EXPECT_EQ(ResolveMediaKind(fetch, "http://h/p", list, 0), c.kind) << c.reply;
    EXPECT_EQ(asked, "http://h/p");
    EXPECT_EQ(list, (List{"http://h/p", "x"})) << c.reply;
  }
}

// Found addresses take the page's place in the list, absolute against the
// page address and in the page's own spelling.
TEST(ResolveMediaKindTest, SplicesFoundAddresses) {
  const FetchText fetch = [](const std::string&) {
    return std::string("<a href=\"Alpha.ASX\"><a href=\"/Beta/B.pls\"><a href=\"page.html\">");
  };
  List list{"http://Host/Dir/Page", "X"};
  EXPECT_EQ(ResolveMediaKind(fetch, "http://Host/Dir/Page", list, 0), '0');
  EXPECT_EQ(list, (List{"http://Host/Dir/Page/Alpha.ASX", "http://Host/Beta/B.pls", "X"}));

  List later{"X", "http://Host/Dir/Page"};
  ResolveMediaKind(fetch, "http://Host/Dir/Page", later, 1);
  EXPECT_EQ(later, (List{"X", "http://Host/Dir/Page/Alpha.ASX", "http://Host/Beta/B.pls"}));

  // An XML declaration is a first tag too, so an ASX body behind it is
  // searched for its stream address instead.
  const FetchText declared = [](const std::string&) {
    return std::string("<?xml version=\"1.0\"?><asx><entry><ref href=\"mms://Host/S\"/></entry></asx>");
  };
  List one{"http://h/list"};
  EXPECT_EQ(ResolveMediaKind(declared, "http://h/list", one, 0), '0');
  EXPECT_EQ(one, List{"mms://Host/S"});

  // An index outside the list changes nothing.
  List short_list{"http://h/p"};
  EXPECT_EQ(ResolveMediaKind(fetch, "http://h/p", short_list, 3), '0');
  EXPECT_EQ(short_list, List{"http://h/p"});
}

// Through the browser fetch against a real server: the page is downloaded
// and its link replaces the address.
TEST(ResolveMediaKindTest, ResolvesServedPage) {
  test::ScopedEnv lower("http_proxy", std::nullopt);
  test::ScopedEnv upper("HTTP_PROXY", std::nullopt);
  test::TempDir dir;
  Registry registry(dir / "registry.ini");
  test::LoopDispatcher dispatcher;
  test::TestHttpServer server;
  server.Serve("/radio/Page.html", {200, "text/html", "<html><a href=\"/Streams/Live.ASX\">listen</a></html>"});

  List list{server.Url("/radio/Page.html")};
  EXPECT_EQ(ResolveMediaKind(MakeBrowserFetch(dispatcher, registry), list[0], list, 0), '0');
  EXPECT_EQ(list, List{server.Url("/Streams/Live.ASX")});
}

}  // namespace
}  // namespace tazmel
