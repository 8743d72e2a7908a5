#include "playback/resolver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <utility>

#include "core/code_page.h"
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

PageReply Reply(std::string body, std::string content_type = "") {
  PageReply reply;
  reply.status = PageReply::Status::kOk;
  reply.body = std::move(body);
  reply.content_type = std::move(content_type);
  return reply;
}

// The first real tag decides ASX and SMIL documents without touching the
// list; an empty or useless reply leaves the list too and says why.
TEST(ResolveMediaKindTest, DocumentKinds) {
  struct Case {
    std::string reply;
    MediaKind kind;
    PageProblem problem;
  } cases[] = {
      {"<!-- a > b --><!DOCTYPE x>\r\n <ASX version=\"3.0\"><entry><ref href=\"mms://a/b\"/></entry></asx>",
       MediaKind::kWindowsMedia, PageProblem::kNone},
      {"<smil><body><audio src=\"rtsp://r/a\"/></body></smil>", MediaKind::kRealPlayer, PageProblem::kNone},
      {"", MediaKind::kUnknown, PageProblem::kNoStreams},
      {"<html><body>nothing to play</body></html>", MediaKind::kUnknown, PageProblem::kNoStreams},
      {"<html><a href=\"page.html\">", MediaKind::kUnknown, PageProblem::kNoStreams},
      {std::string("RIFF\0\0\0\0WAVE mms://not/a/page", 22), MediaKind::kUnknown, PageProblem::kBinary},
  };
  for (const Case& c : cases) {
    List list{"http://h/p", "x"};
    PageProblem problem = PageProblem::kNone;
    EXPECT_EQ(ResolveMediaKind(Reply(c.reply), "http://h/p", list, 0, &problem), c.kind) << c.reply;
    EXPECT_EQ(problem, c.problem) << c.reply;
    EXPECT_EQ(list, (List{"http://h/p", "x"})) << c.reply;
  }
}

// A failed download and a reply cut off at the size limit leave the list
// alone, each with its own reason.
TEST(ResolveMediaKindTest, FailedDownloads) {
  const std::pair<PageReply::Status, PageProblem> cases[] = {
      {PageReply::Status::kUnreachable, PageProblem::kUnreachable},
      {PageReply::Status::kTooLong, PageProblem::kBinary},
  };
  for (const auto& [status, expected] : cases) {
    PageReply reply = Reply("<html>mms://s/x</html>");
    reply.status = status;
    List list{"http://h/p"};
    PageProblem problem = PageProblem::kNone;
    EXPECT_EQ(ResolveMediaKind(reply, "http://h/p", list, 0, &problem), MediaKind::kUnknown);
    EXPECT_EQ(problem, expected);
    EXPECT_EQ(list, List{"http://h/p"});
  }
}

// Found addresses take the page's place in the list, absolute against the
// page address and in the page's own spelling.
TEST(ResolveMediaKindTest, SplicesFoundAddresses) {
  const PageReply page = Reply("<a href=\"Alpha.ASX\"><a href=\"/Beta/B.pls\"><a href=\"page.html\">");
  List list{"http://Host/Dir/Page", "X"};
  EXPECT_EQ(ResolveMediaKind(page, "http://Host/Dir/Page", list, 0), MediaKind::kUnknown);
  EXPECT_EQ(list, (List{"http://Host/Dir/Page/Alpha.ASX", "http://Host/Beta/B.pls", "X"}));

  List later{"X", "http://Host/Dir/Page"};
  ResolveMediaKind(page, "http://Host/Dir/Page", later, 1);
  EXPECT_EQ(later, (List{"X", "http://Host/Dir/Page/Alpha.ASX", "http://Host/Beta/B.pls"}));

  // An XML declaration is a first tag too, so an ASX body behind it is
  // searched for its stream address instead.
  const PageReply declared = Reply("<?xml version=\"1.0\"?><asx><entry><ref href=\"mms://Host/S\"/></entry></asx>");
  List one{"http://h/list"};
  EXPECT_EQ(ResolveMediaKind(declared, "http://h/list", one, 0), MediaKind::kUnknown);
  EXPECT_EQ(one, List{"mms://Host/S"});

  // An index outside the list changes nothing.
  List short_list{"http://h/p"};
  EXPECT_EQ(ResolveMediaKind(page, "http://h/p", short_list, 3), MediaKind::kUnknown);
  EXPECT_EQ(short_list, List{"http://h/p"});
}

// A page of thousands of links gives its first hundred, in page order.
TEST(ResolveMediaKindTest, TakesAtMostAHundredAddresses) {
  for (const int links : {99, 100, 101, 5000}) {
    std::string page = "<html>";
    for (int i = 0; i < links; ++i) page += "mms://s.example/" + std::to_string(i) + "\r\n";
    List list{"http://h/p", "next"};
    ResolveMediaKind(Reply(page), "http://h/p", list, 0);
    const std::size_t taken = std::min<std::size_t>(static_cast<std::size_t>(links), kMaxPageAddresses);
    ASSERT_EQ(list.size(), taken + 1) << links;
    EXPECT_EQ(list.front(), "mms://s.example/0");
    EXPECT_EQ(list[taken - 1], "mms://s.example/" + std::to_string(taken - 1));
    EXPECT_EQ(list.back(), "next");
  }
}

// The header's charset wins, then a <meta> tag's, then UTF-8.
TEST(PageCharsetTest, HeaderThenMetaThenUtf8) {
  struct Case {
    std::string_view content_type, page, charset;
  } cases[] = {
      {"text/html; charset=GB18030", "<meta charset=\"utf-8\">", "gb18030"},
      {"text/html; Charset=\"Big5\"", "", "big5"},
      {"text/html", "<head><meta charset=\"gbk\"></head>", "gbk"},
      {"", "<meta http-equiv=\"content-type\" content=\"text/html; charset=gb2312\">", "gb2312"},
      {"", "<meta charset=iso-8859-1>", "iso-8859-1"},
      {"text/html", "<html>charset=koi8-r outside a meta tag</html>", "utf-8"},
      {"", "", "utf-8"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PageCharset(c.content_type, AsciiLowerCopy(c.page)), c.charset) << c.content_type << " " << c.page;
  }
}

// A served page's addresses arrive as code-page text whatever the page's own
// character set; an address with code-page bytes in its path reaches the
// server percent-encoded.
TEST(ResolveMediaKindTest, ServedPagesInTheirOwnCharset) {
  test::ScopedEnv lower("http_proxy", std::nullopt);
  test::ScopedEnv upper("HTTP_PROXY", std::nullopt);
  test::TempDir dir;
  Registry registry(dir / "registry.ini");
  test::LoopDispatcher dispatcher;
  test::TestHttpServer server;
  BrowserPageFetcher fetcher(dispatcher, registry);
  const std::string link_utf8 = "/\xE7\x94\xB5\xE5\x8F\xB0/\xE7\x9B\xB4\xE6\x92\xAD.asx";  // /电台/直播.asx
  const std::string link_gb = Utf8ToGb(link_utf8);
  const std::string link_big5 = "/\xAA\xBD\xBC\xBD.asx";  // /直播.asx in Big5
  const auto page = [](std::string_view link) {
    return "<html><a href=\"" + std::string(link) + "\">listen</a></html>";
  };
  server.Serve("/gb.html", {200, "text/html; charset=GB18030", page(link_gb)});
  server.Serve("/utf8.html", {200, "text/html", page(link_utf8)});
  server.Serve("/meta.html", {200, "text/html", "<meta charset=\"big5\">" + page(link_big5)});
  // The path holds GB18030 bytes for "电台".
  server.Serve("/%B5%E7%CC%A8.html", {200, "text/html", page("/Streams/Live.ASX")});

  struct Case {
    std::string address;
    std::string found;
  } cases[] = {
      {server.Url("/gb.html"), server.Url(link_gb)},
      {server.Url("/utf8.html"), server.Url(link_gb)},
      {server.Url("/meta.html"), server.Url(Utf8ToGb("/\xE7\x9B\xB4\xE6\x92\xAD.asx"))},
      {server.Url("/\xB5\xE7\xCC\xA8.html"), server.Url("/Streams/Live.ASX")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.address);
    std::optional<PageReply> reply;
    fetcher.Fetch(c.address, [&](PageReply r) { reply = std::move(r); });
    ASSERT_TRUE(dispatcher.RunUntil([&] { return reply.has_value(); }, std::chrono::seconds(10)));
    List list{c.address};
    PageProblem problem = PageProblem::kNone;
    EXPECT_EQ(ResolveMediaKind(*reply, c.address, list, 0, &problem), MediaKind::kUnknown);
    EXPECT_EQ(problem, PageProblem::kNone);
    EXPECT_EQ(list, List{c.found});
  }
}

}  // namespace
}  // namespace tazmel
