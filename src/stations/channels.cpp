#include "stations/channels.h"

#include <algorithm>
#include <string>
#include <utility>

#include "core/ini_file.h"
#include "core/text_utils.h"
#include "stations/station_tree.h"
#include "stations/tree_editor.h"

namespace tazmel {
namespace {

constexpr char kLastNumKey[] = "LastNum";

std::string NumberText(int index) { return std::to_string(index + 1); }

}  // namespace

ChannelLabel ParseChannelValue(std::string_view value) {
  ChannelLabel label;
  const std::size_t dash = value.find('-');
  label.station_id = ParseInteger(value.substr(0, dash)).value_or(0);
  if (dash != value.npos) label.hint = std::string(value.substr(dash + 1));
  return label;
}

ChannelButtons::ChannelButtons(std::filesystem::path user_ini, TreeEditor& editor)
    : user_ini_(std::move(user_ini)), editor_(editor) {}

int ChannelButtons::page() const { return ParseInteger(labels_[0].caption).value_or(1); }

void ChannelButtons::NumberChannels(int first) {
  for (int n = 0; n < kChannelButtonCount; ++n) labels_[n].caption = std::to_string(first + n);
}

void ChannelButtons::ReloadChannels() {
  IniFile ini;
  ini.Load(user_ini_);
  // A header without keys holds no preset, so it counts as no section.
  if (ini.Keys(kChannelSection).empty()) {
    const std::vector<std::pair<int, std::string>> stations = editor_.ChannelStations();
    const std::size_t count = std::min<std::size_t>(stations.size(), kChannelButtonCount);
    for (std::size_t n = 0; n < count; ++n) {
      if (labels_[n].caption.empty()) continue;
      labels_[n].station_id = stations[n].first;
      labels_[n].hint = stations[n].second;
    }
    return;
  }
  for (ChannelLabel& label : labels_) {
    if (label.caption.empty()) continue;
    const std::optional<std::string> value = ini.Value(kChannelSection, label.caption);
    const ChannelLabel preset = value ? ParseChannelValue(*value) : ChannelLabel{};
    label.station_id = preset.station_id;
    label.hint = preset.hint;
  }
}

bool ChannelButtons::PageUp() {
  const int first = page() - kChannelButtonCount;
  if (first < 1) return false;
  NumberChannels(first);
  ReloadChannels();
  return true;
}

bool ChannelButtons::PageDown() {
  const int first = page() + kChannelButtonCount;
  if (first > kChannelPresetCount) return false;
  NumberChannels(first);
  ReloadChannels();
  return true;
}

ChannelDialog::ChannelDialog(std::filesystem::path user_ini) : user_ini_(std::move(user_ini)) {}

std::vector<std::string> ChannelDialog::Numbers() {
  std::vector<std::string> numbers;
  for (int i = 0; i < kChannelPresetCount; ++i) numbers.push_back(NumberText(i));
  return numbers;
}

bool ChannelDialog::Open(const TreeEditor& editor) {
  if (editor.tree().empty()) return false;
  TakeStation(editor.selected());
  Show();
  return true;
}

void ChannelDialog::TakeStation(const TreeNode* node) {
  if (node != nullptr && IsStationNode(*node)) new_text_ = std::to_string(NodeID(*node)) + "-" + node->caption();
}

void ChannelDialog::Show() {
  const int last = ReadProfileInteger(user_ini_, kChannelSection, kLastNumKey, -1);
  // Compared before adding one, so a huge LastNum cannot overflow.
  Choose(last >= -1 && last < kChannelPresetCount ? last + 1 : -1);
}

void ChannelDialog::Choose(int index) {
  selected_ = index >= 0 && index < kChannelPresetCount ? index : -1;
  ReadOld();
}

bool ChannelDialog::Set() {
  if (selected_ < 0) return false;
  IniFile ini;
  // An unreadable file is left alone rather than replaced by two keys.
  if (ini.Load(user_ini_) != IniFile::LoadStatus::kUnreadable) {
    ini.WriteString(kChannelSection, NumberText(selected_), TrimBlanks(new_text_));
    ini.WriteInteger(kChannelSection, kLastNumKey, selected_);
    ini.Save(user_ini_);
  }
  Choose((selected_ + 1) % kChannelPresetCount);
  return true;
}

void ChannelDialog::ReadOld() {
  old_text_ = selected_ < 0 ? std::string() : ReadProfileString(user_ini_, kChannelSection, NumberText(selected_));
}

}  // namespace tazmel
