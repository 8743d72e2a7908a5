#include "playback/resolver.h"

#include <array>
#include <iterator>
#include <unordered_set>
#include <utility>

#include "core/code_page.h"
#include "core/text_utils.h"

namespace tazmel {
namespace {

// Tried in this order when links are searched.
constexpr std::array<std::string_view, 3> kLinkExtensionLists{
    ".asx.wax.m3u.wpl.wvx.wmx.ram.rmm.smi.smil.pls.xpl.rmp.",
    ".ra.rm.rv.rmvb.rmj.rms.ram.rmm.rax.rvx.rp.rtx.rt.rmx.asf.wm.wma.wmv.wmd.avi.mp3.",
    ".mpeg.mpg.m1v.mp2.mpa.mpe.wav.snd.au.aif.aifc.aiff.ifo.vob.mp1.mpga.dat.",
};

// Player objects a page may embed, lower case without braces: Windows
// Media Player 9, RealPlayer, Windows Media Player 6.4.
constexpr std::array<std::string_view, 3> kPlayerClassIds{
    "6bf52a52-394a-11d3-b153-00c04f79faa6",
    "cfcdaa03-8be4-11cf-b84b-0020afbbccfa",
    "22d6f312-b0f6-11d0-94ab-0080c74c7e95",
};

constexpr std::array<std::string_view, 4> kStreamPrefixes{"mms://", "mmst://", "rtsp://", "pnm://"};

struct LinkRule {
  std::string_view word;       // must occur in the tag
  std::string_view attribute;  // read after the word
};
constexpr std::array<LinkRule, 6> kLinkRules{{
    {"a ", " href"},
    {"ref ", " href"},
    {"audio ", " src"},
    {"iframe ", " src"},
    {"link ", " href"},
    {"script ", " src"},
}};

// The extension of a text, "" when a "\" or ":" follows its last ".".
std::string_view Extension(std::string_view text) {
  const std::size_t last = text.find_last_of(".\\:");
  return last != std::string_view::npos && text[last] == '.' ? text.substr(last) : std::string_view();
}

bool InExtensionList(std::string_view list, std::string_view extension) {
  return list.find(std::string(extension) + ".") != std::string_view::npos;
}

// A stretch [begin, end) of the page. Searches run on the lower-cased text;
// what is kept is copied from the original at the same positions.
class Page {
 public:
  struct Span {
    std::size_t begin = 0;
    std::size_t end = 0;
    bool Empty() const { return begin >= end; }
  };

  Page(std::string_view lower, std::string_view original) : lower_(lower), original_(original) {}

  Span Whole() const { return {0, lower_.size()}; }
  std::string_view Lower(Span span) const { return lower_.substr(span.begin, span.end - span.begin); }
  std::string Original(Span span) const { return std::string(original_.substr(span.begin, span.end - span.begin)); }

  // Position of `needle` inside the span, or npos.
  std::size_t Find(Span span, std::string_view needle) const {
    const std::size_t at = Lower(span).find(needle);
    return at == std::string_view::npos ? at : span.begin + at;
  }

  // The part before the first `needle`, leaving what follows it in `rest`;
  // without the needle, all of `rest`, leaving it empty.
  Span TakeUpTo(Span& rest, std::string_view needle) const {
    const std::size_t at = Find(rest, needle);
    if (at == std::string_view::npos) {
      const Span taken = rest;
      rest.begin = rest.end;
      return taken;
    }
    const Span taken{rest.begin, at};
    rest.begin = at + needle.size();
    return taken;
  }

  Span Trim(Span span) const {
    while (!span.Empty() && IsBlankOrControl(lower_[span.begin])) ++span.begin;
    while (!span.Empty() && IsBlankOrControl(lower_[span.end - 1])) --span.end;
    return span;
  }

  // Reads `attribute`="value" after the start of `tag`.
  Span QuotedValueAfter(Span tag, std::string_view attribute) const {
    TakeUpTo(tag, attribute);
    TakeUpTo(tag, "=");
    TakeUpTo(tag, "\"");
    return Trim(TakeUpTo(tag, "\""));
  }

  std::string_view lower() const { return lower_; }

 private:
  std::string_view lower_;
  std::string_view original_;
};

// The values of parameters named "url" inside embedded player objects.
void FindEmbeddedPlayers(const Page& page, std::vector<std::string>& found) {
  for (std::string_view class_id : kPlayerClassIds) {
    Page::Span rest = page.Whole();
    while (page.Find(rest, class_id) != std::string_view::npos) {
      page.TakeUpTo(rest, class_id);
      Page::Span object = page.TakeUpTo(rest, "object");  // normally up to </object>
      while (!object.Empty()) {
        page.TakeUpTo(object, "<");
        Page::Span tag = page.TakeUpTo(object, ">");
        const std::size_t url = page.Find(tag, "\"url\"");
        if (url == std::string_view::npos) continue;
        tag.begin = url + 1;
        const Page::Span value = page.QuotedValueAfter(tag, " value");
        if (!value.Empty()) found.push_back(page.Original(value));
      }
    }
  }
}

// Addresses with a streaming protocol anywhere in the text.
void FindStreamPrefixes(const Page& page, std::vector<std::string>& found) {
  const std::string_view text = page.lower();
  for (std::string_view prefix : kStreamPrefixes) {
    std::size_t from = 0;
    for (std::size_t start; (start = text.find(prefix, from)) != std::string_view::npos;) {
      const std::size_t after = start + prefix.size();
      std::size_t end = std::string_view::npos;
      // A quote before the address ends it at the matching quote.
      const char before = start > 0 ? text[start - 1] : '\0';
      if (before == '"' || before == '\'') end = text.find(before, after);
      if (end == std::string_view::npos) end = text.find_first_of(" \r\n\t><", after);
      if (end == std::string_view::npos) end = text.size();
      found.push_back(page.Original({start, end}));
      from = end + 1;
    }
  }
}

// Links to playlists and media, else links without an extension.
void FindLinks(const Page& page, std::vector<std::string>& found) {
  std::vector<Page::Span> candidates;
  for (const LinkRule& rule : kLinkRules) {
    Page::Span rest = page.Whole();
    while (!rest.Empty()) {
      page.TakeUpTo(rest, "<");
      Page::Span tag = page.TakeUpTo(rest, ">");
      const std::size_t word = page.Find(tag, rule.word);
      if (word == std::string_view::npos) continue;
      tag.begin = word + 1;
      const Page::Span value = page.QuotedValueAfter(tag, rule.attribute);
      if (!value.Empty()) candidates.push_back(value);
    }
  }
  bool matched = false;
  for (std::string_view list : kLinkExtensionLists) {
    for (const Page::Span& candidate : candidates) {
      const std::string_view extension = Extension(page.Lower(candidate));
      if (!extension.empty() && InExtensionList(list, extension)) {
        found.push_back(page.Original(candidate));
        matched = true;
      }
    }
  }
  if (matched) return;
  for (const Page::Span& candidate : candidates) {
    if (Extension(page.Lower(candidate)).empty()) found.push_back(page.Original(candidate));
  }
}

void RemoveDuplicatesNoCase(std::vector<std::string>& list) {
  std::unordered_set<std::string> seen;
  std::vector<std::string> unique;
  for (std::string& entry : list) {
    if (seen.insert(AsciiLowerCopy(entry)).second) unique.push_back(std::move(entry));
  }
  list = std::move(unique);
}

// The first tag that is not a comment or declaration; "" if none.
std::string_view FirstTag(std::string_view text) {
  const Page page(text, text);
  Page::Span rest = page.Whole();
  while (!rest.Empty()) {
    page.TakeUpTo(rest, "<");
    const std::string_view tag = page.Lower(page.Trim(page.TakeUpTo(rest, ">")));
    if (!tag.empty() && !tag.starts_with('!')) return tag;
  }
  return {};
}

}  // namespace

std::vector<std::string> ParseStreamPage(std::string_view lower, std::string_view original) {
  // Case folding is ASCII only and keeps lengths; should the texts still
  // differ in length, the lower-cased one is all there is to go by.
  if (original.size() != lower.size()) original = lower;
  const Page page(lower, original);
  std::vector<std::string> found;
  FindEmbeddedPlayers(page, found);
  if (found.empty()) FindStreamPrefixes(page, found);
  if (found.empty()) FindLinks(page, found);
  RemoveDuplicatesNoCase(found);
  return found;
}

void MakeAbsolute(std::vector<std::string>& list, std::string_view base_address) {
  std::string base(base_address);
  std::string rest = base;
  const std::string scheme = CutFirst(rest, "//");
  const std::string root = scheme + "//" + CutFirst(rest, "/");
  if (base.ends_with('/')) base.pop_back();
  for (std::string& entry : list) {
    entry = std::string(TrimControls(entry));
    if (entry.empty() || entry.find("://") != std::string::npos) continue;
    entry = entry.starts_with('/') ? root + entry : base + "/" + entry;
  }
}

namespace {

// The value after "charset=" up to its end; "" when there is none.
std::string CharsetValue(std::string_view lower) {
  const std::size_t at = lower.find("charset=");
  if (at == std::string_view::npos) return {};
  std::string_view value = lower.substr(at + 8);
  while (!value.empty() && (value.front() == '"' || value.front() == '\'' || value.front() == ' ')) {
    value.remove_prefix(1);
  }
  value = value.substr(0, value.find_first_of("\"'; \t\r\n/>"));
  return std::string(value);
}

}  // namespace

std::string PageCharset(std::string_view content_type, std::string_view lower_page) {
  if (std::string charset = CharsetValue(AsciiLowerCopy(content_type)); !charset.empty()) return charset;
  for (std::size_t from = 0; (from = lower_page.find("<meta", from)) != std::string_view::npos; from += 5) {
    const std::size_t end = lower_page.find('>', from);
    std::string charset = CharsetValue(lower_page.substr(from, end == std::string_view::npos ? end : end - from));
    if (!charset.empty()) return charset;
  }
  return "utf-8";
}

MediaKind ResolveMediaKind(const PageReply& reply, std::string_view address_view, std::vector<std::string>& list,
                           int index, PageProblem* problem) {
  PageProblem ignored = PageProblem::kNone;
  PageProblem& why = problem ? *problem : ignored;
  why = PageProblem::kNone;
  if (reply.status == PageReply::Status::kTooLong) {
    why = PageProblem::kBinary;
    return MediaKind::kUnknown;
  }
  if (reply.status != PageReply::Status::kOk) {
    why = PageProblem::kUnreachable;
    return MediaKind::kUnknown;
  }
  // Text never holds a NUL byte; media files and executables do early on.
  if (reply.body.find('\0') != std::string::npos) {
    why = PageProblem::kBinary;
    return MediaKind::kUnknown;
  }
  // A copy, since callers may pass the very list entry that gets replaced.
  const std::string address(address_view);
  const std::string lower = AsciiLowerCopy(reply.body);
  const std::string_view tag = FirstTag(lower);
  if (tag.starts_with("asx")) return MediaKind::kWindowsMedia;
  if (tag.starts_with("smil")) return MediaKind::kRealPlayer;

  std::vector<std::string> found = ParseStreamPage(lower, reply.body);
  // A page of thousands of dead links would keep the player trying one
  // after the other for hours; the first hundred are as many as anyone
  // would wait for.
  if (found.size() > kMaxPageAddresses) found.resize(kMaxPageAddresses);
  if (found.empty()) why = PageProblem::kNoStreams;
  if (found.empty() || index < 0 || static_cast<std::size_t>(index) >= list.size()) return MediaKind::kUnknown;
  // The page's bytes are in its own character set; the list holds code-page
  // text like every other address.
  const std::string charset = PageCharset(reply.content_type, lower);
  for (std::string& entry : found) entry = CharsetToGb(entry, charset);
  MakeAbsolute(found, address);
  const auto at = list.begin() + index;
  *at = std::move(found.front());
  list.insert(at + 1, std::make_move_iterator(found.begin() + 1), std::make_move_iterator(found.end()));
  return MediaKind::kUnknown;
}

}  // namespace tazmel
