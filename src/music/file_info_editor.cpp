#include "music/file_info_editor.h"

#include <cctype>
#include <filesystem>

#include "core/messages.h"

namespace tazmel {

std::string FillSlot(std::string_view pattern, const std::vector<std::string>& values) {
  std::string out;
  std::size_t next = 0;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '%') {
      out.push_back(pattern[i]);
      continue;
    }
    if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
      out.push_back('%');
      ++i;
      continue;
    }
    std::size_t end = i + 1;
    while (end < pattern.size() && std::string_view("-+ #0123456789.").find(pattern[end]) != std::string_view::npos) {
      ++end;
    }
    if (end < pattern.size() && std::isalpha(static_cast<unsigned char>(pattern[end]))) {
      if (next < values.size()) out += values[next];
      ++next;
      i = end;
    } else {
      out.push_back('%');
    }
  }
  return out;
}

void FileInfoEditor::Load(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::exists(path, ec)) {
    tag_.FileName = path;
    form_.v1_on = tag_.ReadID3v1();
    for (int i = 0; i < TID3Tag::kV1FieldCount; ++i) form_.v1[i] = tag_.V1(static_cast<TID3Tag::V1Field>(i));
    form_.v2_on = tag_.ReadID3v2();
    for (int i = 0; i < TID3Tag::kV2FieldCount; ++i) form_.v2[i] = tag_.V2(static_cast<TID3Tag::V2Field>(i));
    v1_removed_by_user_ = false;
    v2_removed_by_user_ = false;
  }
  ReadMPEGInfo(mpeg_, path);
}

std::vector<std::string> FileInfoEditor::InfoLines() const {
  const TMPEGData& m = mpeg_;
  static constexpr const char* kVersions[] = {"", "1.0", "2.0", "2.5"};
  const std::string version = m.Version >= 1 && m.Version <= 3 ? kVersions[m.Version] : Msg(86);
  static constexpr int kModeSlots[] = {108, 122, 123, 124};
  auto yes_no = [](bool yes) { return Msg(yes ? 120 : 121); };
  return {
      FillSlot(Msg(125), {std::to_string(m.FileLength)}),
      FillSlot(Msg(126), {std::to_string(m.Duration)}),
      FillSlot(Msg(127), {version, std::to_string(m.Layer)}),
      // The record holds the first frame's size, not a frame count.
      FillSlot(Msg(128), {std::to_string(m.BitRate), std::to_string(m.FrameLength)}),
      FillSlot(Msg(129), {std::to_string(m.SampleRate), Msg(kModeSlots[m.ChannelMode & 3])}),
      // A CRC follows the header when the protection bit is clear.
      FillSlot(Msg(130), {yes_no(m.Valid() && !m.ProtectionBit)}),
      FillSlot(Msg(131), {yes_no(m.Copyright)}),
      FillSlot(Msg(132), {yes_no(m.Original)}),
      FillSlot(Msg(133), {m.Encoder}),
  };
}

void FileInfoEditor::UserSwitchedV1(bool on) { v1_removed_by_user_ = !on; }
void FileInfoEditor::UserSwitchedV2(bool on) { v2_removed_by_user_ = !on; }

void FileInfoEditor::Modify(const TagForm& form) {
  if (tag_.FileName.empty()) return;
  if (form.v1_on) {
    for (int i = 0; i < TID3Tag::kV1FieldCount; ++i) tag_.SetV1(static_cast<TID3Tag::V1Field>(i), form.v1[i]);
    tag_.WriteID3v1();
  } else if (v1_removed_by_user_) {
    tag_.DeleteID3v1();
  }
  if (form.v2_on) {
    for (int i = 0; i < TID3Tag::kV2FieldCount; ++i) tag_.SetV2(static_cast<TID3Tag::V2Field>(i), form.v2[i]);
    tag_.WriteID3v2();
  } else if (v2_removed_by_user_) {
    tag_.DeleteID3v2();
  }
  form_ = form;
  v1_removed_by_user_ = v2_removed_by_user_ = false;
}

}  // namespace tazmel
