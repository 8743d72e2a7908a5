#pragma once

#include <string>

namespace tazmel {

// The playlist window's and the music list's answers to Next and Previous.
class PlaylistNavigator {
 public:
  virtual ~PlaylistNavigator() = default;
  // A station ID, -1 after the music list's selection moved, 0 for none.
  // `source` -1 always advances the music list.
  virtual int NextEntry(int source) = 0;
  virtual int PreviousEntry(int source) = 0;
  // The music list's current entry (a file name or address), "" if none.
  virtual std::string CurrentMusicEntry() = 0;
};

}  // namespace tazmel
