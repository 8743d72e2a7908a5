#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tazmel {

// Playlist documents the player components open themselves; the media
// engine expands only PLS and M3U.
enum class PlaylistDocKind { kNone, kAsx, kWpl, kRam, kSmil };

// A document never yields more entries than this, and only its first
// kMaxPlaylistDocBytes are read: hostile input costs bounded work.
inline constexpr std::size_t kMaxPlaylistEntries = 256;
inline constexpr std::size_t kMaxPlaylistDocBytes = 1024 * 1024;

// By the extension of the address's path, without regard to case:
// .asx .wax .wvx, .wpl, .ram .rpm, .smi .smil. A web address's query and
// fragment do not count.
PlaylistDocKind PlaylistDocKindByExtension(std::string_view address);

// By content: an <asx> root or an ASF reference list ("[Reference]") is
// kAsx, a <smil> root kSmil, or kWpl after a "<?wpl" declaration. Leading
// blanks, a byte-order mark, XML declarations and comments are skipped.
PlaylistDocKind PlaylistDocKindByContent(std::string_view text);

// The entries in document order, as written there (entities decoded,
// blanks trimmed); relative entries stay relative.
// ASX: HREF of every REF and ENTRYREF, tags and attributes in any case; an
// ASF reference list gives its RefN values.
std::vector<std::string> ParseAsx(std::string_view text);
// WPL: SRC of every MEDIA.
std::vector<std::string> ParseWpl(std::string_view text);
// RAM / RPM: one address per line; blank lines and '#' comments are
// skipped, a "--stop--" line ends the list.
std::vector<std::string> ParseRam(std::string_view text);
// SMIL: SRC of every AUDIO, VIDEO and REF.
std::vector<std::string> ParseSmil(std::string_view text);
std::vector<std::string> ParsePlaylistDoc(PlaylistDocKind kind, std::string_view text);

// The entry as an absolute address, resolved against the address of the
// document that named it: a web address ("scheme://..."), a file:// address
// or a local path. Entries with a scheme of their own stay as they are.
std::string ResolvePlaylistEntry(std::string_view base, std::string_view entry);

}  // namespace tazmel
