#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tazmel {

class TreeEditor;
class TreeNode;

// Ninety numbered presets, shown ten at a time. They live in User.ini,
// section Channel: key "1".."90", value "<station ID>-<station name>", and
// LastNum, the list index of the preset assigned last.
inline constexpr int kChannelButtonCount = 10;
inline constexpr int kChannelPresetCount = 90;
inline constexpr char kChannelSection[] = "Channel";

// What a channel button carries.
struct ChannelLabel {
  std::string caption;  // the channel number shown; empty shows nothing
  int station_id = 0;   // 0: plays nothing
  std::string hint;     // station name, data code page bytes
};

// A preset value cut at its first "-": the ID before it (0 when not a
// number), the name after it. Without "-" the whole value is the ID text.
ChannelLabel ParseChannelValue(std::string_view value);

// The ten channel buttons of the main window and their paging.
class ChannelButtons {
 public:
  // Presets are read from `user_ini`; until it has a Channel section the
  // editor's channels tree supplies the stations.
  ChannelButtons(std::filesystem::path user_ini, TreeEditor& editor);

  const std::array<ChannelLabel, kChannelButtonCount>& labels() const { return labels_; }
  // The number the first button shows, 1 when it is not a number.
  int page() const;

  // Captions first .. first + 9; IDs and hints stay until ReloadChannels.
  void NumberChannels(int first);
  // Fills IDs and hints of the buttons that show a number. Without a Channel
  // section (or with one that holds no key) the channels tree's first ten stations go to buttons 1..10 by
  // position, whatever page is shown; buttons beyond the stations it has,
  // or all of them when there is no channels tree, keep what they had.
  void ReloadChannels();
  // Previous / next ten channels; false (and nothing changes) at either end,
  // so the numbers stay within 1..90.
  bool PageUp();
  bool PageDown();

 private:
  std::filesystem::path user_ini_;
  TreeEditor& editor_;
  std::array<ChannelLabel, kChannelButtonCount> labels_;
};

// The channel dialog's state: the number list "1".."90", the preset to
// assign (NewEdit) and the chosen number's current preset (OldEdit).
class ChannelDialog {
 public:
  explicit ChannelDialog(std::filesystem::path user_ini);

  static std::vector<std::string> Numbers();

  // -1 when no number is chosen.
  int selected_index() const { return selected_; }
  const std::string& new_text() const { return new_text_; }
  const std::string& old_text() const { return old_text_; }

  // The Set Channel command: false for an empty tree; otherwise takes the
  // selected station and shows.
  bool Open(const TreeEditor& editor);
  // A station node becomes the preset to assign ("ID-caption"); any other
  // node (or none) leaves the previous one.
  void TakeStation(const TreeNode* node);
  // Chooses the number after the one assigned last (none after 90).
  void Show();
  // Chooses a list index; outside 0..89 chooses none.
  void Choose(int index);
  // Writes the preset for the chosen number (an empty text clears it) and
  // LastNum, then chooses the next number, 1 after 90. False, and nothing
  // written, with no number chosen; the caller reloads the channels after
  // true.
  bool Set();

 private:
  void ReadOld();

  std::filesystem::path user_ini_;
  int selected_ = -1;
  std::string new_text_;
  std::string old_text_;
};

}  // namespace tazmel
