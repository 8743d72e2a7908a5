// libFuzzer target: playlist documents of every kind must parse without
// crashing and within their caps, and resolving their entries must too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "playback/playlist_docs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using tazmel::PlaylistDocKind;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const PlaylistDocKind kind :
       {PlaylistDocKind::kAsx, PlaylistDocKind::kWpl, PlaylistDocKind::kRam, PlaylistDocKind::kSmil}) {
    const auto entries = tazmel::ParsePlaylistDoc(kind, text);
    if (entries.size() > tazmel::kMaxPlaylistEntries) std::abort();
    for (const std::string& entry : entries) {
      (void)tazmel::ResolvePlaylistEntry("http://radio.example/lists/live.asx", entry);
      (void)tazmel::ResolvePlaylistEntry("/home/user/Music/list.smil", entry);
    }
  }
  (void)tazmel::PlaylistDocKindByContent(text);
  (void)tazmel::PlaylistDocKindByExtension(text);
  return 0;
}
