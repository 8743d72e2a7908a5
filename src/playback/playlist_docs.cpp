#include "playback/playlist_docs.h"

#include <cstdint>
#include <utility>

#include "core/text_utils.h"

namespace tazmel {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

std::string_view TrimSpace(std::string_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return text;
}

bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == ':' ||
         c == '-' || c == '.';
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

// The five named XML entities and numeric references; anything else stays
// as written.
std::string DecodeEntities(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    const std::size_t amp = text.find('&');
    out.append(text.substr(0, amp));
    if (amp == text.npos) break;
    text.remove_prefix(amp);
    // Entity names are short: the ';' is looked for only that far, so a
    // run of '&' costs linear work.
    const std::size_t semi = text.substr(0, 13).find(';');
    const std::string_view name = semi == text.npos ? std::string_view() : text.substr(1, semi - 1);
    static constexpr std::pair<std::string_view, char> kNamed[] = {
        {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
    bool decoded = false;
    for (const auto& [entity, c] : kNamed) {
      if (EqualsNoCase(name, entity)) {
        out += c;
        decoded = true;
      }
    }
    if (!decoded && name.size() >= 2 && name[0] == '#') {
      const bool hex = name[1] == 'x' || name[1] == 'X';
      const std::string_view digits = name.substr(hex ? 2 : 1);
      std::uint32_t code = 0;
      bool valid = !digits.empty();
      for (char c : digits) {
        int digit = -1;
        if (c >= '0' && c <= '9') digit = c - '0';
        if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        if (hex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        if (digit < 0 || code > 0x10FFFF) {
          valid = false;
          break;
        }
        code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
      }
      if (valid && code > 0 && code <= 0x10FFFF) {
        AppendUtf8(out, code);
        decoded = true;
      }
    }
    if (decoded) {
      text.remove_prefix(semi + 1);
    } else {
      out += '&';
      text.remove_prefix(1);
    }
  }
  return out;
}

struct Tag {
  std::string name;  // lower case
  bool closing = false;
  std::vector<std::pair<std::string, std::string>> attributes;  // lower-case names, decoded values

  const std::string* Attribute(std::string_view attribute) const {
    for (const auto& [key, value] : attributes) {
      if (key == attribute) return &value;
    }
    return nullptr;
  }
};

// Walks the start and end tags of XML-like text in order, skipping comments,
// declarations, processing instructions and CDATA. Every step moves forward,
// so the work is linear in the input; an unterminated construct ends the
// walk. `visit` returns false to stop.
template <typename Visit>
void ForEachTag(std::string_view text, Visit&& visit) {
  text = text.substr(0, kMaxPlaylistDocBytes);
  std::size_t pos = 0;
  for (;;) {
    pos = text.find('<', pos);
    if (pos == text.npos) return;
    const std::string_view rest = text.substr(pos);
    const auto skip_past = [&](std::string_view end) {
      const std::size_t found = text.find(end, pos + 1);
      pos = found == text.npos ? text.npos : found + end.size();
    };
    if (rest.starts_with("<!--")) {
      skip_past("-->");
    } else if (rest.starts_with("<![CDATA[")) {
      skip_past("]]>");
    } else if (rest.starts_with("<!") || rest.starts_with("<?")) {
      skip_past(">");
    } else {
      Tag tag;
      std::size_t i = pos + 1;
      if (i < text.size() && text[i] == '/') {
        tag.closing = true;
        ++i;
      }
      const std::size_t name_start = i;
      while (i < text.size() && IsNameChar(text[i])) ++i;
      tag.name = AsciiLowerCopy(text.substr(name_start, i - name_start));
      // Attributes up to the closing '>', honouring quotes.
      bool closed = false;
      while (i < text.size()) {
        while (i < text.size() && (IsSpace(text[i]) || text[i] == '/')) ++i;
        if (i >= text.size()) break;
        if (text[i] == '>') {
          closed = true;
          ++i;
          break;
        }
        if (text[i] == '<') break;  // a broken tag: resume the walk at the next one
        const std::size_t attr_start = i;
        while (i < text.size() && IsNameChar(text[i])) ++i;
        if (i == attr_start) {
          ++i;  // a stray character
          continue;
        }
        std::string attr_name = AsciiLowerCopy(text.substr(attr_start, i - attr_start));
        while (i < text.size() && IsSpace(text[i])) ++i;
        std::string value;
        if (i < text.size() && text[i] == '=') {
          ++i;
          while (i < text.size() && IsSpace(text[i])) ++i;
          if (i < text.size() && (text[i] == '"' || text[i] == '\'')) {
            const char quote = text[i];
            const std::size_t end = text.find(quote, i + 1);
            if (end == text.npos) return;
            value = DecodeEntities(text.substr(i + 1, end - i - 1));
            i = end + 1;
          } else {
            const std::size_t value_start = i;
            while (i < text.size() && !IsSpace(text[i]) && text[i] != '>') ++i;
            value = DecodeEntities(text.substr(value_start, i - value_start));
          }
        }
        tag.attributes.emplace_back(std::move(attr_name), std::move(value));
      }
      if (!closed && i >= text.size()) return;
      pos = i;
      // A tag cut short by the next '<' is dropped, not half-read.
      if (closed && !tag.name.empty() && !visit(tag)) return;
    }
    if (pos == text.npos) return;
  }
}

// The `attribute` of every tag named in `names`, in document order.
std::vector<std::string> CollectAttribute(std::string_view text, std::initializer_list<std::string_view> names,
                                          std::string_view attribute) {
  std::vector<std::string> entries;
  ForEachTag(text, [&](const Tag& tag) {
    if (tag.closing) return true;
    for (std::string_view name : names) {
      if (tag.name != name) continue;
      if (const std::string* value = tag.Attribute(attribute)) {
        const std::string_view entry = TrimSpace(*value);
        if (!entry.empty()) entries.emplace_back(entry);
      }
    }
    return entries.size() < kMaxPlaylistEntries;
  });
  return entries;
}

// The text after a UTF-8 byte-order mark and leading white space.
std::string_view SkipLeading(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  return text;
}

// "[Reference]" followed by "Ref1=address" lines.
std::vector<std::string> ParseAsfReference(std::string_view text) {
  std::vector<std::string> entries;
  ForEachLine(text.substr(0, kMaxPlaylistDocBytes), [&](std::string_view line) {
    line = TrimSpace(line);
    const std::size_t equals = line.find('=');
    if (StartsWithNoCase(line, "ref") && equals != line.npos) {
      const std::string_view entry = TrimSpace(line.substr(equals + 1));
      if (!entry.empty()) entries.emplace_back(entry);
    }
    return entries.size() >= kMaxPlaylistEntries;
  });
  return entries;
}

// The path part of an address: without a web address's query and fragment.
std::string_view PathOf(std::string_view address) {
  if (address.find("://") != address.npos) address = address.substr(0, address.find_first_of("?#"));
  return address;
}

bool HasScheme(std::string_view entry) {
  // A scheme is a letter followed by letters, digits, '+', '-' or '.', then
  // ':'. One letter is a drive ("C:\...") rather than a scheme.
  const std::size_t colon = entry.find(':');
  if (colon == entry.npos || colon < 2) return false;
  for (std::size_t i = 0; i < colon; ++i) {
    const char c = entry[i];
    const bool alpha = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!(alpha || (i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.')))) return false;
  }
  return true;
}

// Removes "." and ".." segments from an absolute path ("/a/./b/../c").
std::string RemoveDotSegments(std::string_view path) {
  std::vector<std::string_view> segments;
  std::size_t start = 1;
  const bool trailing_slash = path.ends_with("/") || path.ends_with("/.") || path.ends_with("/..");
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == path.npos) end = path.size();
    const std::string_view segment = path.substr(start, end - start);
    if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
    } else if (segment != "." && !segment.empty()) {
      segments.push_back(segment);
    }
    start = end + 1;
  }
  std::string out;
  for (std::string_view segment : segments) {
    out += '/';
    out += segment;
  }
  if (out.empty() || trailing_slash) out += '/';
  return out;
}

}  // namespace

PlaylistDocKind PlaylistDocKindByExtension(std::string_view address) {
  std::string_view path = PathOf(TrimSpace(address));
  const std::size_t dot = path.find_last_of("./\\");
  if (dot == path.npos || path[dot] != '.') return PlaylistDocKind::kNone;
  const std::string extension = AsciiLowerCopy(path.substr(dot));
  if (extension == ".asx" || extension == ".wax" || extension == ".wvx") return PlaylistDocKind::kAsx;
  if (extension == ".wpl") return PlaylistDocKind::kWpl;
  if (extension == ".ram" || extension == ".rpm") return PlaylistDocKind::kRam;
  if (extension == ".smi" || extension == ".smil") return PlaylistDocKind::kSmil;
  return PlaylistDocKind::kNone;
}

PlaylistDocKind PlaylistDocKindByContent(std::string_view text) {
  text = SkipLeading(text.substr(0, kMaxPlaylistDocBytes));
  if (StartsWithNoCase(text, "[reference]")) return PlaylistDocKind::kAsx;
  // Declarations and comments before the root; a "<?wpl" one marks WPL.
  bool wpl = false;
  for (;;) {
    text = SkipLeading(text);
    if (text.starts_with("<!--")) {
      const std::size_t end = text.find("-->");
      if (end == text.npos) return PlaylistDocKind::kNone;
      text.remove_prefix(end + 3);
    } else if (text.starts_with("<?") || text.starts_with("<!")) {
      if (StartsWithNoCase(text, "<?wpl")) wpl = true;
      const std::size_t end = text.find('>');
      if (end == text.npos) return PlaylistDocKind::kNone;
      text.remove_prefix(end + 1);
    } else {
      break;
    }
  }
  if (!text.starts_with("<")) return PlaylistDocKind::kNone;
  std::size_t end = 1;
  while (end < text.size() && IsNameChar(text[end])) ++end;
  const std::string root = AsciiLowerCopy(text.substr(1, end - 1));
  if (root == "asx") return PlaylistDocKind::kAsx;
  if (root == "smil") return wpl ? PlaylistDocKind::kWpl : PlaylistDocKind::kSmil;
  return PlaylistDocKind::kNone;
}

std::vector<std::string> ParseAsx(std::string_view text) {
  if (StartsWithNoCase(SkipLeading(text), "[reference]")) return ParseAsfReference(text);
  return CollectAttribute(text, {"ref", "entryref"}, "href");
}

std::vector<std::string> ParseWpl(std::string_view text) { return CollectAttribute(text, {"media"}, "src"); }

std::vector<std::string> ParseSmil(std::string_view text) {
  return CollectAttribute(text, {"audio", "video", "ref"}, "src");
}

std::vector<std::string> ParseRam(std::string_view text) {
  std::vector<std::string> entries;
  ForEachLine(text.substr(0, kMaxPlaylistDocBytes), [&](std::string_view line) {
    line = TrimSpace(line);
    if (line == "--stop--") return true;
    if (!line.empty() && line.front() != '#') entries.emplace_back(line);
    return entries.size() >= kMaxPlaylistEntries;
  });
  return entries;
}

std::vector<std::string> ParsePlaylistDoc(PlaylistDocKind kind, std::string_view text) {
  switch (kind) {
    case PlaylistDocKind::kAsx:
      return ParseAsx(text);
    case PlaylistDocKind::kWpl:
      return ParseWpl(text);
    case PlaylistDocKind::kRam:
      return ParseRam(text);
    case PlaylistDocKind::kSmil:
      return ParseSmil(text);
    case PlaylistDocKind::kNone:
      break;
  }
  return {};
}

std::string ResolvePlaylistEntry(std::string_view base, std::string_view entry) {
  entry = TrimSpace(entry);
  if (entry.empty() || HasScheme(entry)) return std::string(entry);
  std::string relative(entry);
  for (char& c : relative) {
    if (c == '\\') c = '/';
  }
  base = TrimSpace(base);
  const std::size_t scheme_end = base.find("://");
  if (scheme_end == base.npos) {
    // A local document: relative to its folder.
    if (relative.starts_with("/")) return relative;
    const std::size_t slash = base.find_last_of('/');
    const std::string folder = slash == base.npos ? std::string() : std::string(base.substr(0, slash + 1));
    if (folder.starts_with("/")) return RemoveDotSegments(folder + relative);
    return folder + relative;
  }
  const std::size_t authority_start = scheme_end + 3;
  const std::size_t path_start = std::min(base.find_first_of("/?#", authority_start), base.size());
  const std::string_view origin = base.substr(0, path_start);
  if (relative.starts_with("//")) return std::string(base.substr(0, scheme_end + 1)) + relative;
  // Split off the entry's own query so dot segments are only looked for in
  // its path.
  const std::size_t query = relative.find_first_of("?#");
  const std::string entry_path = relative.substr(0, query);
  const std::string entry_tail = query == relative.npos ? std::string() : relative.substr(query);
  std::string path;
  if (entry_path.starts_with("/")) {
    path = entry_path;
  } else {
    const std::string_view base_path = PathOf(base).substr(std::min(path_start, PathOf(base).size()));
    const std::size_t slash = base_path.find_last_of('/');
    path = (slash == base_path.npos ? std::string("/") : std::string(base_path.substr(0, slash + 1))) + entry_path;
  }
  return std::string(origin) + RemoveDotSegments(path) + entry_tail;
}

}  // namespace tazmel
