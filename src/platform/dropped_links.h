#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tazmel {

// What a drag source offers, by MIME type, as raw bytes. The widget side
// copies these out of the drop event; everything else happens here, so the
// rules can be tested without a display.
struct DropOffer {
  std::optional<std::string> moz_url = {};     // text/x-moz-url: link, line break, title (UTF-16LE or UTF-8)
  std::optional<std::string> uri_list = {};    // text/uri-list
  std::optional<std::string> plain_text = {};  // text/plain, UTF-8
};

// What a drop yields. Texts are UTF-8; file paths are local path bytes.
struct DroppedLinks {
  std::string url;
  std::string title;
  std::vector<std::string> files;
  // Names the source gives the files; kept only when there is one per file.
  std::vector<std::string> mapped_names;

  bool Empty() const { return url.empty() && files.empty(); }
};

// Shortcut files are small; anything larger is not read, so a drop of a
// device or a huge file cannot stall the user interface.
inline constexpr std::size_t kMaxShortcutFileBytes = 64 * 1024;

// The link of an Internet shortcut: the first line starting "URL=" (any
// case) after the "[InternetShortcut]" line, up to the next section.
std::optional<std::string> InternetShortcutLink(std::string_view text);

// The link and name of a desktop entry of Type=Link.
struct DesktopLink {
  std::string url;
  std::string name;
};
std::optional<DesktopLink> DesktopEntryLink(std::string_view text);

// The lines of a text/uri-list, without comments and blank lines.
std::vector<std::string> UriListEntries(std::string_view text);

// The local path of a file: URI ("file:///a%20b", "file://localhost/a"),
// nothing for another scheme, another host or a path with a NUL byte.
std::optional<std::string> LocalPathFromUri(std::string_view uri);

// Decodes text/x-moz-url data to UTF-8: UTF-16LE as browsers send it, else
// taken as UTF-8.
std::string DecodeMozUrl(std::string_view data);

// Reads at most kMaxShortcutFileBytes of a regular file; nothing otherwise.
std::optional<std::string> ReadSmallFile(const std::string& path);

// Takes the link first, then the file list: the link from the first source
// offered (x-moz-url, a non-file entry of the uri-list, plain text, a
// dropped .url or .desktop shortcut file); the title from the x-moz-url
// title line or the shortcut file, else the link itself.
DroppedLinks ExtractDroppedLinks(const DropOffer& offer);

}  // namespace tazmel
