#include "platform/dropped_links.h"

#include <sys/stat.h>

#include <cerrno>

#include "core/code_page.h"
#include "core/text_utils.h"
#include "core/unique_fd.h"

namespace tazmel {
namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A link is one line of printable text; control bytes mean the data is
// something else.
bool IsLinkText(std::string_view text) {
  if (text.empty()) return false;
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return false;
  }
  return true;
}

// The first line of a text, without surrounding blanks.
std::string_view FirstLine(std::string_view text) {
  std::string_view first;
  ForEachLine(text, [&](std::string_view line) {
    first = TrimBlanks(line);
    return !first.empty();
  });
  return first;
}

// Shortcut files were written in the data code page; newer ones in UTF-8.
std::string ShortcutText(std::string_view bytes) { return IsValidUtf8(bytes) ? std::string(bytes) : GbToUtf8(bytes); }

std::string BaseName(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return std::string(slash == path.npos ? path : path.substr(slash + 1));
}

// The link and title of a dropped shortcut file, when it is one.
std::optional<DesktopLink> ShortcutFileLink(const std::string& path) {
  const std::string name = BaseName(path);
  const std::string lower = AsciiLowerCopy(name);
  const auto has_extension = [&](std::string_view ext) {
    return lower.size() > ext.size() && lower.compare(lower.size() - ext.size(), ext.size(), ext) == 0;
  };
  const bool is_url = has_extension(".url");
  const bool is_desktop = has_extension(".desktop");
  if (!is_url && !is_desktop) return std::nullopt;
  const std::optional<std::string> bytes = ReadSmallFile(path);
  if (!bytes) return std::nullopt;
  if (is_url) {
    std::optional<std::string> link = InternetShortcutLink(ShortcutText(*bytes));
    if (!link) return std::nullopt;
    return DesktopLink{std::move(*link), name.substr(0, name.size() - 4)};
  }
  std::optional<DesktopLink> link = DesktopEntryLink(*bytes);
  if (link && link->name.empty()) link->name = name.substr(0, name.size() - 8);
  return link;
}

}  // namespace

std::optional<std::string> InternetShortcutLink(std::string_view text) {
  bool in_section = false;
  std::optional<std::string> link;
  ForEachLine(text, [&](std::string_view line) {
    if (!in_section) {
      in_section = EqualsNoCase(TrimBlanks(line), "[InternetShortcut]");
      return false;
    }
    if (StartsWithNoCase(line, "[")) return true;
    if (StartsWithNoCase(line, "URL=")) {
      const std::string_view rest = TrimBlanks(line.substr(4));
      if (!rest.empty()) link = std::string(rest);
      return true;
    }
    return false;
  });
  return link;
}

std::optional<DesktopLink> DesktopEntryLink(std::string_view text) {
  bool in_entry = false;
  bool is_link = false;
  DesktopLink link;
  ForEachLine(text, [&](std::string_view line) {
    const std::string_view trimmed = TrimBlanks(line);
    if (!trimmed.empty() && trimmed.front() == '[') {
      if (in_entry) return true;  // keys of other groups do not count
      in_entry = trimmed == "[Desktop Entry]";
      return false;
    }
    if (!in_entry) return false;
    const std::size_t eq = trimmed.find('=');
    if (eq == trimmed.npos) return false;
    const std::string_view key = TrimBlanks(trimmed.substr(0, eq));
    const std::string_view value = TrimBlanks(trimmed.substr(eq + 1));
    if (key == "Type") is_link = value == "Link";
    if (key == "URL") link.url = std::string(value);
    if (key == "Name") link.name = std::string(value);
    return false;
  });
  if (!is_link || link.url.empty()) return std::nullopt;
  return link;
}

std::vector<std::string> UriListEntries(std::string_view text) {
  std::vector<std::string> entries;
  ForEachLine(text, [&](std::string_view line) {
    const std::string_view entry = TrimBlanks(line);
    if (!entry.empty() && entry.front() != '#') entries.emplace_back(entry);
  });
  return entries;
}

std::optional<std::string> LocalPathFromUri(std::string_view uri) {
  if (!StartsWithNoCase(uri, "file:")) return std::nullopt;
  std::string_view rest = uri.substr(5);
  if (rest.starts_with("//")) {
    rest.remove_prefix(2);
    const std::size_t slash = rest.find('/');
    if (slash == rest.npos) return std::nullopt;
    const std::string_view host = rest.substr(0, slash);
    if (!host.empty() && !EqualsNoCase(host, "localhost")) return std::nullopt;
    rest.remove_prefix(slash);
  }
  if (!rest.starts_with('/')) return std::nullopt;
  std::string path;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] == '%' && i + 2 < rest.size()) {
      const int hi = HexValue(rest[i + 1]);
      const int lo = HexValue(rest[i + 2]);
      if (hi >= 0 && lo >= 0) {
        path += static_cast<char>(hi * 16 + lo);
        i += 2;
        continue;
      }
    }
    path += rest[i];
  }
  if (path.find('\0') != path.npos) return std::nullopt;
  return path;
}

std::string DecodeMozUrl(std::string_view data) {
  const bool bom =
      data.size() >= 2 && static_cast<unsigned char>(data[0]) == 0xFF && static_cast<unsigned char>(data[1]) == 0xFE;
  const bool wide = bom || (data.size() >= 2 && data[1] == '\0');
  if (!wide) return std::string(data.substr(0, data.find('\0')));
  std::string out;
  for (std::size_t i = bom ? 2 : 0; i + 1 < data.size(); i += 2) {
    char32_t unit = static_cast<unsigned char>(data[i]) | (static_cast<unsigned char>(data[i + 1]) << 8);
    if (unit == 0) break;
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < data.size()) {
      const char32_t low = static_cast<unsigned char>(data[i + 2]) | (static_cast<unsigned char>(data[i + 3]) << 8);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        i += 2;
        continue;
      }
    }
    AppendUtf8(out, unit >= 0xD800 && unit <= 0xDFFF ? 0xFFFD : unit);
  }
  return out;
}

std::optional<std::string> ReadSmallFile(const std::string& path) {
  if (path.empty()) return std::nullopt;
  // Non-blocking open and a check of the opened file itself: a FIFO or a
  // device named like a shortcut must not block, nor be swapped in between.
  const UniqueFd fd(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY);
  struct stat info {};
  if (!fd.Valid() || ::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  if (static_cast<std::size_t>(info.st_size) > kMaxShortcutFileBytes) return std::nullopt;
  std::string bytes(kMaxShortcutFileBytes + 1, '\0');
  std::size_t used = 0;
  while (used < bytes.size()) {
    const ssize_t got = ::read(fd.Get(), bytes.data() + used, bytes.size() - used);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return std::nullopt;
    if (got == 0) break;
    used += static_cast<std::size_t>(got);
  }
  // A file that grew past the limit since it was checked is refused too.
  if (used > kMaxShortcutFileBytes) return std::nullopt;
  bytes.resize(used);
  return bytes;
}

DroppedLinks ExtractDroppedLinks(const DropOffer& offer) {
  DroppedLinks result;
  std::vector<std::string> other_links;
  if (offer.uri_list) {
    for (const std::string& entry : UriListEntries(*offer.uri_list)) {
      if (std::optional<std::string> path = LocalPathFromUri(entry)) {
        result.files.push_back(std::move(*path));
      } else if (!StartsWithNoCase(entry, "file:") && IsLinkText(entry)) {
        other_links.push_back(entry);
      }
    }
  }

  std::string moz_title;
  if (offer.moz_url) {
    const std::string decoded = DecodeMozUrl(*offer.moz_url);
    std::vector<std::string_view> lines;
    ForEachLine(decoded, [&](std::string_view line) { lines.push_back(TrimBlanks(line)); });
    if (!lines.empty() && IsLinkText(lines[0])) {
      result.url = std::string(lines[0]);
      if (lines.size() > 1 && IsLinkText(lines[1])) moz_title = std::string(lines[1]);
    }
  }
  if (result.url.empty() && !other_links.empty()) result.url = other_links.front();
  if (result.url.empty() && offer.plain_text) {
    // A file manager offers the dropped paths as text too; those are files, not a link.
    const std::string_view text = FirstLine(*offer.plain_text);
    const bool names_file = !result.files.empty() && (StartsWithNoCase(text, "file:") || text.starts_with('/'));
    if (!names_file && IsLinkText(text)) result.url = std::string(text);
  }
  if (result.url.empty() && !result.files.empty()) {
    std::optional<DesktopLink> link = ShortcutFileLink(result.files.front());
    if (link && IsLinkText(link->url)) {
      result.url = std::move(link->url);
      result.title = std::move(link->name);
    }
  }

  if (!moz_title.empty()) result.title = moz_title;
  if (result.title.empty()) result.title = result.url;
  return result;
}

}  // namespace tazmel
